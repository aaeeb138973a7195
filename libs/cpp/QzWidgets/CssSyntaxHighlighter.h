#pragma once

#include <QStringList>
#include <QSyntaxHighlighter>

namespace QzWidgets {

// Colours style-sheet (and C++-like) text line by line: keywords, digits, strings, comments and "#" to the end
// of the line. Strings and block comments carry over to the next lines through the block state.
class CssSyntaxHighlighter : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    enum BlockState { InComment = 0, InString = 1, Normal = -1 };

    explicit CssSyntaxHighlighter(QTextDocument* document);

    // The first keyword, in list order, that the text holds at `position`; empty when none does.
    QString getKeyword(int position, const QString& text) const;

protected:
    void highlightBlock(const QString& text) override;

private:
    QStringList m_listKeywords;
};

} // namespace QzWidgets

#include "CssSyntaxHighlighter.h"

namespace QzWidgets {

namespace {

bool isQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

} // namespace

CssSyntaxHighlighter::CssSyntaxHighlighter(QTextDocument* document)
    : QSyntaxHighlighter(document)
{
    // Longer keywords stand before their prefixes ("foreach" before "for", "->" before ">"): the first wins.
    for (const char* keyword : { "foreach", "bool", "int", "void", "double", "float", "char", "delete", "class",
             "const", "virtual", "mutable", "this", "struct", "union", "throw", "for", "if", "else", "false",
             "namespace", "switch", "case", "public", "private", "protected", "new", "return", "using", "true", "->",
             ">>", "<<", ">", "<", "(", ")", "{", "}", "[", "]", "+", "-", "*", "/", "=", "!", ".", ",", ";", ":", "&",
             "emit", "connect", "SIGNAL", "|", "SLOT", "slots", "signals" })
        m_listKeywords << QLatin1String(keyword);
}

QString CssSyntaxHighlighter::getKeyword(int position, const QString& text) const
{
    const QStringView rest = QStringView(text).mid(position);
    for (const QString& keyword : m_listKeywords) {
        if (rest.startsWith(keyword))
            return keyword;
    }
    return QString();
}

void CssSyntaxHighlighter::highlightBlock(const QString& text)
{
    int state = previousBlockState();
    int start = 0;
    const int length = int(text.size());
    const QStringView line(text);
    for (int i = 0; i < length; ++i) {
        const QChar c = line[i];
        if (state == InString) {
            const bool escaped = i > 0 && line[i - 1] == QLatin1Char('\\');
            if (isQuote(c) && !escaped) {
                setFormat(start, i - start + 1, Qt::cyan);
                state = Normal;
            }
        } else if (state == InComment) {
            if (line.mid(i, 2) == u"*/") {
                setFormat(start, i - start + 2, Qt::darkGray);
                ++i;
                state = Normal;
            }
        } else if (line.mid(i, 2) == u"//") {
            setFormat(i, length - i, Qt::darkGray);
            break;
        } else if (c == QLatin1Char('#')) {
            setFormat(i, length - i, Qt::green);
            break;
        } else if (c.isNumber()) {
            setFormat(i, 1, Qt::cyan);
        } else if (line.mid(i, 2) == u"/*") {
            start = i;
            state = InComment;
        } else if (isQuote(c)) {
            start = i;
            state = InString;
        } else {
            const QString keyword = getKeyword(i, text);
            if (!keyword.isEmpty()) {
                setFormat(i, int(keyword.size()), Qt::white);
                i += int(keyword.size()) - 1;
            }
        }
    }
    if (state == InString)
        setFormat(start, length - start, Qt::cyan);
    else if (state == InComment)
        setFormat(start, length - start, Qt::darkGray);
    setCurrentBlockState(state);
}

} // namespace QzWidgets

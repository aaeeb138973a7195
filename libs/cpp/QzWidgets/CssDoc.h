#pragma once

#include <QString>
#include <QTextEdit>

namespace QzWidgets {

// The style-sheet text: loaded from and saved to a file, coloured by the highlighter, with a look of its own
// that the sheet being edited does not change.
class CssDoc : public QTextEdit
{
    Q_OBJECT

public:
    explicit CssDoc(QWidget* parent = nullptr);
    void applyOwnPalette();
    QString fileName() const;

signals:
    void changeWindowTitle(const QString& title);

public slots:
    void slotLoad();
    void slotSave();
    void slotSaveAs();

private:
    QString m_strFileName;
};

} // namespace QzWidgets

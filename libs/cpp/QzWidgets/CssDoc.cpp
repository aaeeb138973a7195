#include "CssDoc.h"

#include "CssSyntaxHighlighter.h"
#include "FileDialog.h"

#include <QFile>
#include <QFileInfo>

namespace QzWidgets {

CssDoc::CssDoc(QWidget* parent)
    : QTextEdit(parent)
{
    new CssSyntaxHighlighter(document());
    applyOwnPalette();
}

void CssDoc::applyOwnPalette()
{
    document()->setDefaultFont(QFont(QStringLiteral("Lucida Console"), 12, QFont::Normal, false));
    setStyleSheet(QStringLiteral("QTextEdit{background: #000060; color: yellow;}"));
}

QString CssDoc::fileName() const
{
    return m_strFileName;
}

void CssDoc::slotLoad()
{
    const QString name = FileDialog::getOpenFileName(this, QString(), QString(), QString());
    // Regular files only: opening a FIFO or a device for reading would wait for ever.
    if (name.isEmpty() || !QFileInfo(name).isFile())
        return;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return;
    setPlainText(QString::fromUtf8(file.readAll()));
    m_strFileName = name;
    emit changeWindowTitle(m_strFileName);
}

void CssDoc::slotSave()
{
    if (m_strFileName.isEmpty()) {
        slotSaveAs();
        return;
    }
    QFile file(m_strFileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    file.write(toPlainText().toUtf8());
    file.close();
    emit changeWindowTitle(m_strFileName);
}

void CssDoc::slotSaveAs()
{
    const QString name = FileDialog::getSaveFileName(this, m_strFileName, QString(), QString());
    if (name.isEmpty())
        return;
    m_strFileName = name;
    slotSave();
}

} // namespace QzWidgets

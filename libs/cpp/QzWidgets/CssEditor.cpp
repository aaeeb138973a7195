#include "CssEditor.h"

#include "CssDoc.h"

#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>

namespace QzWidgets {

CssEditor::CssEditor(QWidget* parent)
    : QMainWindow(parent)
    , m_pDoc(new CssDoc(this))
{
    setCentralWidget(m_pDoc);
    auto* open = new QAction(tr("&Open..."), this);
    open->setShortcut(QKeySequence(QStringLiteral("CTRL+O")));
    connect(open, &QAction::triggered, m_pDoc, &CssDoc::slotLoad);
    auto* save = new QAction(tr("&Save"), this);
    save->setShortcut(QKeySequence(QStringLiteral("CTRL+S")));
    connect(save, &QAction::triggered, m_pDoc, &CssDoc::slotSave);
    auto* info = new QAction(tr("&SetInfo"), this);
    info->setShortcut(QKeySequence(QStringLiteral("CTRL+I")));
    connect(info, &QAction::triggered, this, &CssEditor::slotApplyToolTipsInfo);
    auto* apply = new QAction(tr("&Apply"), this);
    apply->setShortcut(QKeySequence(QStringLiteral("CTRL+A")));
    connect(apply, &QAction::triggered, this, &CssEditor::slotApply);
    auto* saveAs = new QAction(tr("S&ave As..."), this);
    connect(saveAs, &QAction::triggered, m_pDoc, &CssDoc::slotSaveAs);
    auto* about = new QAction(tr("&About"), this);
    about->setShortcut(QKeySequence(Qt::Key_F1));
    connect(about, &QAction::triggered, this, &CssEditor::slotAbout);
    auto* reset = new QAction(tr("&Reset"), this);
    reset->setShortcut(QKeySequence(Qt::Key_R));
    connect(reset, &QAction::triggered, this, &CssEditor::slotReset);

    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(open);
    file->addAction(save);
    file->addAction(info);
    file->addAction(apply);
    file->addAction(saveAs);
    file->addSeparator();
    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(about);
    help->addAction(reset);

    QToolBar* tools = new QToolBar(tr("Operations"), this);
    addToolBar(Qt::TopToolBarArea, tools);
    tools->addAction(open);
    tools->addAction(save);
    tools->addAction(apply);
    tools->addAction(reset);
    tools->addAction(info);

    connect(m_pDoc, &CssDoc::changeWindowTitle, this, &CssEditor::slotChangeWindowTitle);
    statusBar()->showMessage(tr("Ready"), 2000);
}

CssDoc* CssEditor::doc() const
{
    return m_pDoc;
}

void CssEditor::slotApply()
{
    qApp->setStyleSheet(m_pDoc->toPlainText());
    m_pDoc->applyOwnPalette();
}

void CssEditor::slotAbout()
{
    QMessageBox::about(this, tr("About"), tr("CSS Style Editor"));
}

void CssEditor::slotReset()
{
    qApp->setStyleSheet(QString());
}

void CssEditor::slotChangeWindowTitle(const QString& title)
{
    setWindowTitle(title);
}

static void prefixToolTip(QWidget* w)
{
    w->setToolTip(QString::fromLatin1(w->metaObject()->className()) + QLatin1Char('\n') + w->objectName()
        + QLatin1Char('\n') + w->toolTip());
}

void CssEditor::slotApplyToolTipsInfo()
{
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->objectName().isEmpty())
            prefixToolTip(top);
        for (QWidget* w : top->findChildren<QWidget*>()) {
            // The editor's own text area, and what it holds, are left alone.
            if (w->objectName().isEmpty() || w == m_pDoc || m_pDoc->isAncestorOf(w))
                continue;
            prefixToolTip(w);
        }
    }
}

} // namespace QzWidgets

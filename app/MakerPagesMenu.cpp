#include "MakerPagesMenu.h"

#include "App.h"

#include <QMenu>

using QzWidgets::App;

MakerPagesMenu::MakerPagesMenu(QMenu* menu, bool inSubmenu, QObject* parent)
    : QObject(parent)
{
    App* app = App::theApp();
    QMenu* pages = inSubmenu ? menu->addMenu(tr("Share and Support")) : menu;
    m_pmnuPages = pages;
    if (App::isAppStore())
        pages->addAction(QIcon(QStringLiteral(":/star.png")), tr("Rate this App"), app, &App::slotRateApp);
    pages->addAction(QIcon(QStringLiteral(":/share_hover.png")), tr("Share"), app, &App::slotShareApp);
    pages->addAction(QIcon(QStringLiteral(":/join_hover.png")), tr("Join Us"), app, &App::slotJoin);
    pages->addAction(QIcon(QStringLiteral(":/moreappsicon.png")), tr("More Apps"), app, &App::slotShowMoreApps);
    pages->addSeparator();
    pages->addAction(QIcon(QStringLiteral(":/feedback.png")), tr("Contacts Us"), app, &App::slotContactUs);
    pages->addAction(QIcon(QStringLiteral(":/webpage.png")), tr("Support Page"), app, &App::slotSupportPage);
}

QMenu* MakerPagesMenu::menu() const
{
    return m_pmnuPages;
}

#pragma once

#include <QObject>

class QMenu;

// The menu's entries for the maker's pages: "Rate this App" (store builds only), "Share", "Join Us", "More Apps",
// "Contacts Us" and "Support Page". A desktop that draws the menu itself does not scroll it, and draws tall
// entries (GNOME about 39 px): there they share one submenu, "Share and Support", so that the whole menu fits an
// 800 px screen.
class MakerPagesMenu : public QObject
{
    Q_OBJECT

public:
    // Adds the entries at the end of menu, or in a submenu there.
    MakerPagesMenu(QMenu* menu, bool inSubmenu, QObject* parent);
    // The menu the entries went to.
    QMenu* menu() const;

private:
    QMenu* m_pmnuPages;
};

#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where a menu goes for an icon (or a point): right below it, or right above it where the work area ends first,
// moved along as far as the area's edge asks. Qt lets a popup menu cover the whole screen on X11, so a menu of an
// icon in a bottom panel came over the panel and the icon; the work area (TrayHost::workArea) leaves the panels out.
class MenuPlace
{
public:
    // Within area whatever the anchor, a place off every screen included.
    static QPoint beside(const QRect& anchor, const QSize& menu, const QRect& area);
    // The same on the screen of the anchor (else the primary one), within its available geometry.
    static QPoint onScreen(const QRect& anchor, const QSize& menu);
};

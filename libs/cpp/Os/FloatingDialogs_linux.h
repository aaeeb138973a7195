#pragma once

#include <QObject>

// A tiling Wayland compositor (sway) tiles every window that has no parent and can be resized: the program's
// dialogs, which have no main window to belong to, filled the whole screen. Such a compositor floats a window
// whose least and greatest sizes are one, so each dialog keeps the size it opens with there. X11 window managers
// float dialogs by their window type, which Qt sets; nothing is done there.
class FloatingDialogs_linux : public QObject
{
    Q_OBJECT

public:
    // Under Wayland, from now on; elsewhere nothing.
    static void install();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};

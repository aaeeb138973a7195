#pragma once

#include <QObject>

class QAction;
class QMenu;

// The menu's entries for how the list plays: "Shuffle", the "Repeat" submenu, "Stop After This Song", the
// "ReplayGain" submenu, the "Equalizer" submenu of presets, the "Speed" and the "Crossfade" submenus. They show the play list's
// modes, whoever changed them (the menu, a sound applet over MPRIS), and set them when chosen.
class PlayModesMenu : public QObject
{
    Q_OBJECT

public:
    // Adds the entries at the end of menu.
    PlayModesMenu(QMenu* menu, QObject* parent);

private slots:
    void slotShowModes();

private:
    QAction* m_pactShuffle = nullptr;
    QAction* m_pactStopAfter = nullptr;
    QList<QAction*> m_listRepeat; // in the order of the modes: off, the list, the song
    QList<QAction*> m_listReplayGain; // off, track, album
    QList<QAction*> m_listEqualizer; // in the order of the presets, off first
    QList<QAction*> m_listSpeed; // slowest first; none checked for a speed set elsewhere between them
    QList<QAction*> m_listCrossfade; // off, then the shortest first
};

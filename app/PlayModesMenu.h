#pragma once

#include <QObject>

class QAction;
class QMenu;

// The menu's "Shuffle" entry, "Repeat" submenu and "Stop After This Song" entry. They show the play list's modes, whoever changed them (the
// menu, a sound applet over MPRIS), and set them when chosen.
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
    QAction* m_pactRepeatOff = nullptr;
    QAction* m_pactRepeatList = nullptr;
    QAction* m_pactRepeatSong = nullptr;
    QAction* m_pactStopAfter = nullptr;
};

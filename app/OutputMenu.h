#pragma once

#include <QObject>

class QActionGroup;
class QMenu;

// The "Output" submenu: "System Default" and the sound server's outputs (speakers, headphones, Bluetooth, HDMI)
// as they come and go, the one the player uses checked; choosing one moves the music there without stopping it.
// The outputs are first asked for when the submenu opens.
class OutputMenu : public QObject
{
    Q_OBJECT

public:
    // Adds the submenu at the end of menu.
    OutputMenu(QMenu* menu, QObject* parent);

private slots:
    void slotRebuild();

private:
    QMenu* m_pmnuOutput;
    QActionGroup* m_pGroup = nullptr; // the entries of the outputs, one of them checked
    bool m_bWatching = false;
};

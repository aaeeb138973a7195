#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>

class QAction;
class QMenu;

// The menu's "Sleep Timer" submenu: after the chosen time the music fades out and pauses. While it runs, the
// submenu's title says how many minutes are left.
class SleepTimerMenu : public QObject
{
    Q_OBJECT

public:
    // Adds the submenu at the end of menu.
    SleepTimerMenu(QMenu* menu, QObject* parent);

private slots:
    void slotShowTimeLeft();
    void slotTimeUp();

private:
    void choose(int minutes);
    // A minute, shortened by VIREO_SLEEP_MINUTE_MS for the tests, which cannot wait a quarter of an hour.
    static int minuteMs();

    QMenu* m_pmnuSleep = nullptr;
    QList<QAction*> m_listChoices; // "Off" first, then the times
    QTimer m_end;
    QTimer m_tick; // keeps the minutes left true while the menu is open
    QDeadlineTimer m_deadline;
};

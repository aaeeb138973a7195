#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QStringList>

class DesktopNotification;

// Tells the user of a song change they did not make at the icon: the list moving on, the media keys. One desktop
// notification, which replaces the one before; a new play list, chosen just now, needs none. A song started anew
// (Next, Previous) makes its tags known only as it starts: its notification waits for them a moment, so that it
// is sent once, with them, and is updated only by tags that come later still. The settings key
// "TrackNotifications" (default true) turns them off. A radio that was reconnecting says so once it is back or
// given up, whatever that key says: the user heard it stop and may wonder.
class TrackNotifier : public QObject
{
    Q_OBJECT

public:
    explicit TrackNotifier(QObject* parent = nullptr);

    // Held while a command from the icon or its menu runs: the change it makes is the user's own, seen there.
    class Quiet
    {
    public:
        Quiet();
        ~Quiet();
        Quiet(const Quiet&) = delete;
        Quiet& operator=(const Quiet&) = delete;
    };

public slots:
    // Shows the current song (or that none is there), whatever the settings say: the user asked for it.
    void slotShowCurrentSong();

private slots:
    void slotSongChanged();
    void slotReconnectEnded(bool back);

private:
    void showSong();
    void slotTagsAwaited();
    void slotTagsChanged();
    QStringList currentSongText() const;

    static int sm_nQuiet;

    DesktopNotification* m_pNotification;
    bool m_bNewList = false; // the list was just replaced: its first song is the user's choice
    QString m_strStreamTitle; // the title a stream last announced
    quint64 m_nShownSong = 0; // the song start the notification shown last is about, 0 for none
    quint64 m_nAwaitedSong = 0; // the song start whose notification waits for its tags, 0 for none
    QTimer m_tmrTags; // how long it still waits
    QElapsedTimer m_awaiting; // since the song changed
    QStringList m_listShown; // what it says: summary, body, picture
};

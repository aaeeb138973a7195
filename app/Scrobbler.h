#pragma once

#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>

class ListenBrainzClient;

// Follows the play list and tells the client what is heard: the song that plays now at its start, and a listen
// once it has been heard for half its length or four minutes, whichever comes first. Songs shorter than thirty
// seconds are not told; a radio's titles are songs of their own, a listen once one has been heard for thirty
// seconds. Only playing counts (a pause or a seek adds nothing), and a song needs an artist and a title (a
// radio's "Artist - Title" gives both).
class Scrobbler : public QObject
{
    Q_OBJECT

public:
    struct Rules
    {
        qint64 shortestMs = 30 * 1000;
        qint64 enoughMs = 4 * 60 * 1000;
        qint64 streamTitleMs = 30 * 1000;
        int tagsAwaitedMs = 1000; // the song that plays now is told once its tags had this long to come
    };

    Scrobbler(ListenBrainzClient* client, const Rules& rules, QObject* parent = nullptr);
    explicit Scrobbler(ListenBrainzClient* client, QObject* parent = nullptr);

    // The track as ListenBrainz describes it, from the current song's tags; empty without an artist or a title.
    static QJsonObject currentTrack();

private:
    void slotCheck();
    void slotDue();
    void slotAnnounce();
    // How long the current song must be heard to be a listen; -1 while unknown or never.
    qint64 needed() const;

    ListenBrainzClient* m_pClient;
    Rules m_rules;
    QString m_strSong; // the song followed: its start in the list, and a radio's title
    bool m_bStream = false;
    qint64 m_nHeardMs = 0;
    bool m_bPlaying = false;
    QElapsedTimer m_playing; // since the heard time was last added up, while playing
    qint64 m_nStartedAt = 0; // seconds since 1970, UTC
    QJsonObject m_track; // as told when it started
    bool m_bListened = false;
    QTimer m_due;
    QTimer m_announce;
};

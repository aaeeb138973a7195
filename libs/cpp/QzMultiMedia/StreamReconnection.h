#pragma once

#include <QObject>

namespace QzMultiMedia {

// A radio whose connection dropped is opened again after growing pauses (1, 1, 2, 2, 4, 8 seconds, then every
// 15 seconds), for about two minutes in all: a server restarting takes seconds, a network coming back or a
// station's outage a minute or more. While it waits the listener hears nothing and is told why; when the station
// is heard again, or given up, that is said once.
class StreamReconnection : public QObject
{
    Q_OBJECT

public:
    // A test may make the second shorter; 0 takes VIREO_RECONNECT_SECOND_MS, else a real second.
    explicit StreamReconnection(QObject* parent = nullptr, int secondMs = 0);

    // Another song: its connection has dropped never.
    void reset();
    // The connection dropped: true when it will be opened again (due() says when), false when the station is given
    // up, or `reconnectable` is false (not a stream, or one of a known length, which simply ended).
    bool schedule(bool reconnectable);
    // The station sounds: a later outage is given its two minutes afresh.
    void heard();
    // Paused or stopped: the pause running is let go, and Play opens the station again.
    void endWait();
    // Opened again at once (Play during the pause): the pause running is let go, and the waiting goes on until the
    // station is heard or drops again.
    void retryNow();

    bool isWaiting() const;
    // It was opened again at least once since it was last heard.
    bool isRetrying() const;

signals:
    // Time to open the station again.
    void due();
    void waitingChanged();
    // Heard again (back), or given up.
    void ended(bool back);

private:
    void setWaiting(bool on);

    int m_nSecondMs; // 0: as the environment says at each pause
    int m_nTries = 0; // since the station was last heard
    int m_nWait = 0; // counts the pauses, so that one let go does nothing when it ends
    bool m_bWaiting = false;
    bool m_bOutage = false; // dropped, and not heard since
};

} // namespace QzMultiMedia

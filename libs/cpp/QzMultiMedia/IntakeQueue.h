#pragma once

#include "SongTags.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QThreadPool>
#include <QUrl>

#include <atomic>
#include <functional>

namespace QzMultiMedia {

// Hand-overs of songs, dealt with in the order they came. One that needs the disk (a folder, a play list) is read
// on a thread of its own, so that the menu, MPRIS and a termination signal are answered all along; one that names
// songs only is taken at once, unless others are still being read before it. At quit the reading stops between
// two entries and nothing read is applied any more.
class IntakeQueue
{
public:
    using Apply = std::function<void(const QList<QUrl>& songs, const ListedTags& titles)>;
    using Read = std::function<QList<QUrl>(ListedTags* titles, const std::atomic_bool* cancelled)>;

    static IntakeQueue* instance();

    // `read` runs on the reading thread when `needsDisk` (else here, at once, if nothing is queued); `apply` runs
    // on this thread with what it found.
    void submit(bool needsDisk, const Read& read, const Apply& apply);
    bool isBusy() const;

private:
    IntakeQueue();
    void cancel();
    // The reading thread gives way to the player and the desktop: a folder read whole while its first song sets up
    // took the processor from that song.
    static void readInBackground();

    QObject m_context; // where results come back: the thread that made the queue
    QThreadPool m_pool;
    std::atomic_bool m_bCancelled { false };
    int m_nPending = 0;
};

} // namespace QzMultiMedia

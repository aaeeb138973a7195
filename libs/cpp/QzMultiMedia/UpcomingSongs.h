#pragma once

#include "PipelineSong.h"

#include <QList>
#include <QMutex>

#include <optional>

namespace QzMultiMedia {

// The songs that follow the one that sounds, as the pipeline's streaming threads and the player's own thread both
// see them. A song handed to the pipeline ahead of its time is "taken": the pipeline decodes it while the one
// before plays out, and it becomes the song that sounds when its sound reaches the output. Stretches of one file
// that follow one another (a disc image's tracks in order) are one run, played without a seek.
class UpcomingSongs
{
public:
    // A song of its own starts: nothing is to follow it yet.
    void begin(const PipelineSong& song);
    // The songs after the one that sounds, in this order.
    void set(const QList<PipelineSong>& songs);
    // The pipeline lets go of what it was handed ahead.
    void forgetTaken();
    bool hasTaken() const;
    // The song that sounds is about to be left for another: nothing is handed ahead after it.
    void setLeaving(bool leaving);

    // On a streaming thread, when the song that sounds has been read to its end: the address of the song to hand
    // the pipeline now, or an empty one where none can follow without a gap (a stream or a stretch on either side,
    // a song that cannot be opened, one already handed over).
    QByteArray takeAhead();
    // The song taken ahead now sounds: it is returned, and the list goes on from it.
    std::optional<PipelineSong> advance();

    // Where the run that `song` begins ends in its file: its own end, or that of the stretches following on.
    qint64 runEnd(const PipelineSong& song) const;
    // When the border of `song` is heard: the stretch that follows on, now the song that sounds.
    std::optional<PipelineSong> takeFollowingStretch(const PipelineSong& song);

private:
    static bool followsOn(const PipelineSong& song, const PipelineSong& next, qint64 end);

    mutable QMutex m_mutex; // taken on a streaming thread too
    bool m_bCurrentFollowable = false; // the song that sounds can be followed without a gap
    QList<PipelineSong> m_upcoming;
    QList<PipelineSong> m_taken; // handed to the pipeline at its about-to-finish, not yet sounding
    bool m_bLeaving = false;
};

} // namespace QzMultiMedia

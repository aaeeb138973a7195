#include "UpcomingSongs.h"

namespace QzMultiMedia {

namespace {

// A stretch of a file begins with a seek of its own, which a song taken over cannot have. A stream is started as a
// song of its own: taken over, it kept the song before's length and went without its station's name and its
// reconnections, and it has a buffer to fill before a gap could be spared anyway.
bool followable(const PipelineSong& song)
{
    return !song.uri.isEmpty() && !song.ranged && !song.stream;
}

} // namespace

void UpcomingSongs::begin(const PipelineSong& song)
{
    const QMutexLocker lock(&m_mutex);
    m_upcoming.clear();
    m_bCurrentFollowable = followable(song);
}

void UpcomingSongs::set(const QList<PipelineSong>& songs)
{
    const QMutexLocker lock(&m_mutex);
    m_upcoming = songs;
}

void UpcomingSongs::forgetTaken()
{
    const QMutexLocker lock(&m_mutex);
    m_taken.clear();
}

bool UpcomingSongs::hasTaken() const
{
    const QMutexLocker lock(&m_mutex);
    return !m_taken.isEmpty();
}

void UpcomingSongs::setLeaving(bool leaving)
{
    const QMutexLocker lock(&m_mutex);
    m_bLeaving = leaving;
}

// playbin keeps two songs in flight at most: a song read to its end before the one taken ahead of it sounds
// (shorter than the second or so read ahead) gets no follower, since handing one over then deadlocks playbin
// inside.
QByteArray UpcomingSongs::takeAhead()
{
    const QMutexLocker lock(&m_mutex);
    if (m_bLeaving || !m_bCurrentFollowable || !m_taken.isEmpty() || m_upcoming.isEmpty()
        || !followable(m_upcoming.first()))
        return {};
    m_taken.append(m_upcoming.first());
    return m_taken.last().uri;
}

std::optional<PipelineSong> UpcomingSongs::advance()
{
    const QMutexLocker lock(&m_mutex);
    if (m_taken.isEmpty())
        return std::nullopt;
    const PipelineSong song = m_taken.takeFirst();
    // What comes next was counted from the song that sounded until now.
    if (!m_upcoming.isEmpty())
        m_upcoming.removeFirst();
    m_bCurrentFollowable = followable(song);
    return song;
}

qint64 UpcomingSongs::runEnd(const PipelineSong& song) const
{
    qint64 end = song.end;
    const QMutexLocker lock(&m_mutex);
    for (const PipelineSong& next : m_upcoming) {
        if (!followsOn(song, next, end))
            break;
        end = next.end;
    }
    return end;
}

std::optional<PipelineSong> UpcomingSongs::takeFollowingStretch(const PipelineSong& song)
{
    const QMutexLocker lock(&m_mutex);
    if (m_upcoming.isEmpty() || !followsOn(song, m_upcoming.first(), song.end))
        return std::nullopt;
    PipelineSong next = m_upcoming.takeFirst();
    next.tags = song.tags; // the image's, which the pipeline does not tell again
    m_bCurrentFollowable = false;
    return next;
}

bool UpcomingSongs::followsOn(const PipelineSong& song, const PipelineSong& next, qint64 end)
{
    return end >= 0 && next.ranged && next.uri == song.uri && qAbs(next.start - end) <= 1;
}

} // namespace QzMultiMedia

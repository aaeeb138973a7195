#pragma once

#include "SongTags.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QThreadPool>
#include <QUrl>

#include <atomic>
#include <memory>

namespace QzMultiMedia {

// Reads the title, artist and album of many songs on a thread of its own (TagLib; no cover, no length), in the
// order given, and hands them over in batches: a menu of thousands of songs never waits for their files.
class SongTagReader : public QObject
{
    Q_OBJECT

public:
    explicit SongTagReader(QObject* parent = nullptr);
    ~SongTagReader() override;

    // Starts reading these songs, giving up what was read for songs before.
    void read(const QList<QUrl>& songs);
    // What is known so far, with what a CUE sheet says of its tracks; empty fields for a song not read yet or
    // without tags.
    SongTags tags(int place) const;
    // The songs read so far, in the order given.
    int readCount() const;

signals:
    // Songs [from, to) of the last read() are known now.
    void tagsRead(int from, int to);

private:
    struct Job;
    void take(const std::shared_ptr<Job>& job, int from, const QList<SongTags>& tags);

    QThreadPool m_thread; // one thread: a new list waits for the old one's current batch only
    std::shared_ptr<Job> m_pJob;
    QList<SongTags> m_listTags;
};

} // namespace QzMultiMedia

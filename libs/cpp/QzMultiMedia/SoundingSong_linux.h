#pragma once

#include "PipelineSong.h"

#include <QObject>
#include <QTimer>

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;
typedef struct _GstTagList GstTagList;

namespace QzMultiMedia {

// The song that sounds, as the pipeline tells of it: its tags as far as they have reached the output, its length,
// and the moment it is announced when it follows another in the same pipeline. Whoever hears of a new song sees
// it whole, in one piece: its tags and length come with advanced(), not as changes of their own before it.
class SoundingSong_linux : public QObject
{
    Q_OBJECT

public:
    explicit SoundingSong_linux(QObject* parent = nullptr);
    ~SoundingSong_linux() override;

    const PipelineSong& song() const;
    PipelineSong& song();
    // Another song of its own: the one before is forgotten whole, its tags and length said to be gone.
    void replace(const PipelineSong& song);
    // What the song told is forgotten and said to be gone.
    void forget();
    // A song taken over without a gap reaches the output. Its tags passed playbin on their way to the output
    // before its sound did and may reach the bus only after this: they are read from the pipeline now, and the
    // song is announced once more come, or a moment later.
    void takeOver(const PipelineSong& song, GstElement* pipeline);
    // The next stretch of the same file is heard: announced at once, with the image's tags.
    void crossInto(const PipelineSong& song, GstElement* pipeline);
    // A tag message from the output.
    void addTags(GstMessage* message);
    // A stretch of a file lasts from its start to its end, or the file's end where that comes first. `ready`: the
    // song reached the output, so a length the pipeline does not know is the stretch's own.
    void readDuration(GstElement* pipeline, bool ready = true);
    // Announces the song taken over now, if one waits: the messages at hand are read, or the song ends.
    void finishAdvance();
    // The messages at hand are read: a song taken over whose tags came is announced.
    void messagesRead();
    // The pipeline is moved elsewhere: a song taken over is not to be announced.
    void cancelAdvance();

signals:
    void advanced();
    void tagsChanged();
    void durationChanged(qint64 ms);

private:
    void takeDuration(GstElement* pipeline, bool ready, bool announce);

    PipelineSong m_song;
    GstTagList* m_pTagList = nullptr; // everything the song told, merged
    bool m_bAdvancePending = false; // a song taken over started; said once the messages at hand are read
    QTimer m_advanceWait; // a song taken over waits this long for its tags before it is announced
};

} // namespace QzMultiMedia

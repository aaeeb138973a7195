#pragma once

#include "SongTags.h"

#include <QByteArray>
#include <QString>

namespace QzMultiMedia {

// Everything the engine knows of one song, the one that sounds and each one to follow: nothing of one song is
// ever read for another.
struct PipelineSong
{
    QString fileName;
    QByteArray uri; // empty for a song that cannot be opened
    bool ranged = false; // a stretch of its file, from start to end (-1: the file's end), in the file's own time
    bool stream = false; // an internet stream: never taken over without a gap
    qint64 start = 0;
    qint64 end = -1;
    qint64 duration = 0; // as the pipeline last reported it; 0 while unknown
    SongTags tags; // as far as they have reached the output
    bool retried = false; // it failed once before it got ready and is being tried again
};

} // namespace QzMultiMedia

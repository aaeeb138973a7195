#pragma once

#include "SongTags.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QUrl>

namespace QzMultiMedia {

// A CUE sheet names the tracks of a disc: stretches of one image file, or one file each. Read by libcue.
class CueSheet
{
public:
    // The sheet's audio tracks in order: a track that is a whole file as that file, one that is a stretch of its
    // file as the file's address with the stretch in its fragment (MediaCommon::range). A file the sheet names that
    // is not there is looked for under the same name with another ending (a sheet written for the WAV image of a
    // rip that was compressed afterwards). `titles` (when asked) gets each track's title. Empty when the sheet
    // cannot be read.
    static QList<QUrl> tracks(const QString& path, ListedTags* titles = nullptr);
};

} // namespace QzMultiMedia

#pragma once

#include "SongTags.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace QzMultiMedia {

// Play-list files handed over by the user (M3U and M3U8, PLS, XSPF, ASX, WPL, CUE sheets) stand for the songs they
// name. Read by the desktop's own play-list library and by libcue, not by a parser of ours.
class PlayListReader
{
public:
    // Whether the file's name says it is a play list; the disk is not asked.
    static bool isPlayList(const QString& path);
    // Whether the file's name says it is a CUE sheet, whose entries are tracks of audio files.
    static bool isCueSheet(const QString& path);
    // The name patterns of play-list files, for an open dialog's filter.
    static QStringList filePatterns();
    // The local files, folders, play lists and streams the play list names, in its order; other addresses are
    // left out. `titles` (when asked) gets the titles the list gives its entries (#EXTINF, PLS and XSPF titles).
    // Empty when the file cannot be read.
    static QList<QUrl> entries(const QString& path, ListedTags* titles = nullptr);
};

} // namespace QzMultiMedia

#pragma once

#include "SongTags.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QUrl>

namespace QzMultiMedia {

// A play list kept as an M3U8 file, which other players open too: one absolute path a line, UTF-8, and the
// current song and the place reached in it in comment lines that other readers pass over.
class PlayListFile
{
public:
    // Writes the list whole or not at all; an empty list removes the file. Songs with a title get an #EXTINF line.
    static bool write(const QString& path, const QList<QUrl>& songs, int current, qint64 positionMs = 0,
        const ListedTags& titles = {});
    // The local files the list names, in order, the first maxSongs of them (all for -1; `leftOut`
    // counts the others); `current` gets the marked song's place, 0 when none is marked or it was left out, and
    // `positionMs` (when asked) the place reached in that song, 0 when none is. A missing or damaged file gives an
    // empty list. `titles` (when asked) gets the #EXTINF titles of the songs kept.
    // A place written by writePlace() after the list, for the song the list has there, wins over the list's own.
    static QList<QUrl> read(const QString& path, int* current, qint64* positionMs = nullptr, qsizetype maxSongs = -1,
        qsizetype* leftOut = nullptr, ListedTags* titles = nullptr);
    // The place reached in the current song, kept beside the list (in `path` + ".place") as often as it moves: a
    // few bytes, where writing a long list every second would cost.
    static bool writePlace(const QString& path, int current, const QUrl& song, qint64 positionMs);
    // The file writePlace() writes for the list at path.
    static QString placePath(const QString& path);
};

} // namespace QzMultiMedia

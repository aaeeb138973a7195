#pragma once

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
        const QHash<QUrl, QString>& titles = {});
    // The local files the list names, in order, the first maxSongs of them (all for -1; `leftOut`
    // counts the others); `current` gets the marked song's place, 0 when none is marked or it was left out, and
    // `positionMs` (when asked) the place reached in that song, 0 when none is. A missing or damaged file gives an
    // empty list. `titles` (when asked) gets the #EXTINF titles of the songs kept.
    static QList<QUrl> read(const QString& path, int* current, qint64* positionMs = nullptr, qsizetype maxSongs = -1,
        qsizetype* leftOut = nullptr, QHash<QUrl, QString>* titles = nullptr);
};

} // namespace QzMultiMedia

#pragma once

#include <QList>
#include <QString>
#include <QUrl>

namespace QzMultiMedia {

// A play list kept as an M3U8 file, which other players open too: one absolute path a line, UTF-8, and the
// current song in a comment line that other readers pass over.
class PlayListFile
{
public:
    // Writes the list whole or not at all; an empty list removes the file.
    static bool write(const QString& path, const QList<QUrl>& songs, int current);
    // The local files the list names, in order; `current` gets the marked song's place, 0 when none is marked.
    // A missing or damaged file gives an empty list.
    static QList<QUrl> read(const QString& path, int* current);
};

} // namespace QzMultiMedia

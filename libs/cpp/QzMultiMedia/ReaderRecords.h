#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// What the reader plugins hand back to the engine: plain records, read on the engine's side of the boundary.
// Each plugin wraps one desktop library (play lists, CUE sheets with their encodings, tags) that a song played on
// its own never needs, so the program does not map it before the first such file is met. The plugins are built
// with the program and against the same Qt; their functions keep C names so that they are found by name.
namespace QzMultiMedia::ReaderRecords {

struct ListEntry
{
    QString uri; // as the list writes it: a URI, or an absolute path
    QString title; // the title the list gives the entry, if any
};

struct SheetTrack
{
    QString file; // as the sheet names it, relative to the sheet
    bool audio = false;
    long startFrames = 0; // in a CD's 75 frames a second
    QString title;
    QString performer;
};

struct Sheet
{
    QString performer;
    QString title;
    QList<SheetTrack> tracks; // in the sheet's order, numbered from 1
};

struct FileTags
{
    QString title;
    QString artist;
    QString album;
    int trackNumber = 0;
};

} // namespace QzMultiMedia::ReaderRecords

extern "C" {
// "playlists": the entries of the play list at `uri`; false when it cannot be read.
using VireoReadPlayList = bool (*)(const QByteArray& uri, QList<QzMultiMedia::ReaderRecords::ListEntry>& entries);
// "sheets": the name of the encoding `bytes` are most likely in; empty when none is found.
using VireoGuessEncoding = void (*)(const QByteArray& bytes, QByteArray& encoding);
// "sheets": the sheet written in `utf8`; false when it is not one.
using VireoParseSheet = bool (*)(const QByteArray& utf8, QzMultiMedia::ReaderRecords::Sheet& sheet);
// "tags": the tags of the file at `path` (its local encoding); false when it has none that can be read.
using VireoReadTags = bool (*)(const QByteArray& path, QzMultiMedia::ReaderRecords::FileTags& tags);
}

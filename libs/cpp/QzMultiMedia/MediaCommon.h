#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace QzMultiMedia {

enum MediaType {
    Audio = 0,
    Video = 1,
    Image = 2,
    Unrecognized = 4,
};

// Classifies a file name by its ending alone, from a fixed table; the file is never opened. What the player can
// decode is AudioFormats' question, not this one.
class MediaCommon
{
public:
    // The latest place in a song anything may name (some 34 years): a place read from a damaged file is cut to
    // it, so that adding a start or counting it in nanoseconds never overflows.
    static constexpr qint64 LongestTimeMs = qint64(1) << 40;

    static MediaType mediaType(const QString& fileName);
    static bool isAudio(const QString& fileName);
    static bool isVideo(const QString& fileName);
    static bool isImage(const QString& fileName);

    // An internet stream (http or https) handed over by the user: played as a song of the list.
    static bool isStream(const QUrl& url);
    // The name the engine opens a local song by: its path, or, for a path that is not UTF-8 (a file named on
    // another system), its address ("file:///…%E9…"), since a QString cannot hold those bytes and they would
    // name another file. fileBytes() gives the path's bytes back from either.
    static QString localName(const QUrl& url);
    static QByteArray fileBytes(const QString& localName);
    // The song's address from the bytes of an absolute path, whatever they are.
    static QUrl urlFromBytes(const QByteArray& path);

    // A song that is a stretch of its file (a track of a CUE sheet's image): the file's address with a media
    // fragment, "#t=12.5,187.25" in seconds; endMs < 0 plays on to the file's end.
    static QUrl withRange(const QUrl& file, qint64 startMs, qint64 endMs);
    // The stretch a song's address or local name names; false for a whole file, from 0 to -1 (its end).
    static bool range(const QUrl& song, qint64* startMs, qint64* endMs);
    static bool range(const QString& localName, qint64* startMs, qint64* endMs);
};

} // namespace QzMultiMedia

#pragma once

#include <QHash>
#include <QList>
#include <QUrl>

namespace QzMultiMedia {

// Turns what the user hands over (a drop, the command line, a second start, "Open with", the open dialog) into
// the songs of a play list. Every way in goes through here, so each treats folders the same.
class SongIntake
{
public:
    // Files named one by one are kept as given, playable or not (the player skips what it cannot play). A folder
    // stands for the audio files under it, sub-folders included, in natural name order, an image that has a CUE
    // sheet beside it for the sheet's tracks. A play list or CUE sheet stands for its entries.
    // `titles` (when asked) gets the titles play lists give their songs.
    static QList<QUrl> songs(const QList<QUrl>& urls, QHash<QUrl, QString>* titles = nullptr);
    // The songs among urls become the play list and the first one plays. Without a single song nothing the
    // user had is replaced, and the answer is false.
    static bool play(const QList<QUrl>& urls);
    // The songs among urls are added to the end of the list, the song that plays left alone; to an empty list
    // they come as play() brings them. False, and nothing changed, without a single song.
    static bool enqueue(const QList<QUrl>& urls);
    // Whether a file's name says it holds sound the player can decode; the file is not opened.
    static bool isSoundFile(const QString& fileName);
    // The name patterns of the files songs() takes, for an open dialog's filter ("*.mp3", "*.flac", ...).
    static QStringList filePatterns();
};

} // namespace QzMultiMedia

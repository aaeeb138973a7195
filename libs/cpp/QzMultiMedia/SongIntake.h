#pragma once

#include "SongTags.h"

#include <QHash>
#include <QList>
#include <QUrl>

#include <atomic>
#include <functional>

namespace QzMultiMedia {

// Turns what the user hands over (a drop, the command line, a second start, "Open with", MPRIS, the open dialog)
// into the songs of a play list. Every way in goes through here, so each treats folders, lists and addresses the
// same.
class SongIntake
{
public:
    // Called on the user interface's thread once a hand-over has been dealt with: whether it held a single song.
    using Done = std::function<void(bool)>;

    // Files named one by one are kept as given, playable or not (the player skips what it cannot play). A folder
    // stands for the audio files under it, sub-folders included, in natural name order, an image that has a CUE
    // sheet beside it for the sheet's tracks. A play list or CUE sheet stands for its entries. Addresses other
    // than files of this machine and internet streams are left out.
    // What is read is bounded: each list, sheet and folder once, only regular files as lists, lists up to
    // MaxListBytes, and no more than MaxSongsFound songs; `cancelled` (when given) stops the reading between
    // entries. `titles` (when asked) gets the titles play lists give their songs.
    static QList<QUrl> songs(
        const QList<QUrl>& urls, ListedTags* titles = nullptr, const std::atomic_bool* cancelled = nullptr);
    // The songs among urls become the play list and the first one plays; without a single song nothing the user
    // had is replaced. Names that say "song" are taken at once; lists and folders are read on a thread of their
    // own, and hand-overs always take effect in the order they came. `done` hears how it went.
    static void play(const QList<QUrl>& urls, const Done& done = {});
    // The songs among urls are added to the end of the list, the song that plays left alone; to an empty list
    // they come as play() brings them. Nothing changes without a single song.
    static void enqueue(const QList<QUrl>& urls, const Done& done = {});
    // Whether a hand-over is still being read.
    static bool isBusy();

    // Whether an address may become a song: a file of this machine, or an internet stream.
    static bool accepts(const QUrl& url);
    // The name patterns of the files songs() takes, for an open dialog's filter ("*.mp3", "*.flac", ...).
    static QStringList filePatterns();

    // A list file larger than this is not a play list anybody wrote: it is not read.
    static constexpr qint64 MaxListBytes = 16 * 1024 * 1024;
    // Twice what a list keeps, so that the player can say how many it left out, without letting a list that
    // multiplies itself fill the memory.
    static constexpr qsizetype MaxSongsFound = 200000;
};

} // namespace QzMultiMedia

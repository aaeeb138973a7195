#pragma once

#include "SongTags.h"

#include <QList>
#include <QUrl>

namespace QzMultiMedia {

// What play lists and CUE sheets say of their songs (#EXTINF, PLS and XSPF titles; a sheet's titles and performers),
// by address, for the songs of the list that plays. Read and written on the GUI thread only, as the list is.
class ListedTitles
{
public:
    static ListedTags all();
    // Adds what a list handed over said; replace() puts a kept list's in place of all.
    static void add(const ListedTags& titles);
    static void replace(const ListedTags& titles);
    // What is said of songs no longer in the list goes with them.
    static void keepOnly(const QList<QUrl>& songs);
    static QString title(const QUrl& url);
    // A song's own tags (from its file) with what its CUE sheet says of it put over them: the image's tags speak
    // of the whole disc, the sheet of the track (its title and performer) and of the disc (its title, for an image
    // that has none of its own).
    static SongTags over(const QUrl& url, SongTags tags);
};

} // namespace QzMultiMedia

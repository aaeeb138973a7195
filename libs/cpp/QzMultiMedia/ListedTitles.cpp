#include "ListedTitles.h"

#include "MediaCommon.h"

#include <QSet>

namespace QzMultiMedia {

namespace {
ListedTags& table()
{
    static ListedTags s_titles;
    return s_titles;
}
} // namespace

ListedTags ListedTitles::all()
{
    return table();
}

void ListedTitles::add(const ListedTags& titles)
{
    table().insert(titles);
}

void ListedTitles::replace(const ListedTags& titles)
{
    table() = titles;
}

void ListedTitles::keepOnly(const QList<QUrl>& songs)
{
    ListedTags& titles = table();
    if (titles.isEmpty())
        return;
    const QSet<QUrl> kept(songs.cbegin(), songs.cend());
    titles.removeIf([&kept](const ListedTags::iterator it) { return !kept.contains(it.key()); });
}

QString ListedTitles::title(const QUrl& url)
{
    return table().value(url).title;
}

SongTags ListedTitles::over(const QUrl& url, SongTags tags)
{
    if (!MediaCommon::range(url, nullptr, nullptr))
        return tags;
    const SongTags listed = table().value(url);
    if (!listed.title.isEmpty())
        tags.title = listed.title;
    if (!listed.artist.isEmpty())
        tags.artist = listed.artist;
    if (!listed.album.isEmpty())
        tags.album = listed.album;
    tags.trackNumber = 0;
    return tags;
}

} // namespace QzMultiMedia

#include "PlayListReader.h"

#include "CueSheet.h"
#include "MediaCommon.h"

#include "QzMultiMediaLogging.h"
#include "PluginLibrary.h"
#include "ReaderRecords.h"
#include "SongTags.h"

namespace QzMultiMedia {

namespace {
constexpr const char* suffixes[] = { "m3u", "m3u8", "pls", "xspf", "asx", "wpl", "cue" };
} // namespace

bool PlayListReader::isPlayList(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    const QStringView suffix = QStringView(path).mid(dot + 1);
    for (const char* known : suffixes) {
        if (suffix.compare(QLatin1String(known), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool PlayListReader::isCueSheet(const QString& path)
{
    return path.endsWith(QLatin1String(".cue"), Qt::CaseInsensitive);
}

QStringList PlayListReader::filePatterns()
{
    QStringList patterns;
    for (const char* known : suffixes)
        patterns << QStringLiteral("*.") + QLatin1String(known);
    return patterns;
}

QList<QUrl> PlayListReader::entries(const QString& path, ListedTags* titles)
{
    if (isCueSheet(path))
        return CueSheet::tracks(path, titles);
    const auto read = PluginLibrary::function<VireoReadPlayList>("playlists", "vireoReadPlayList");
    QList<ReaderRecords::ListEntry> listed;
    if (!read || !read(QUrl::fromLocalFile(path).toEncoded(), listed)) {
        qCDebug(lcMultiMedia) << "cannot read the play list" << path;
        return {};
    }
    QList<QUrl> entries;
    for (const ReaderRecords::ListEntry& entry : std::as_const(listed)) {
        // Absolute paths in an M3U come back as they are written, not as URIs.
        const QUrl url = entry.uri.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(entry.uri) : QUrl(entry.uri);
        if (!url.isLocalFile() && !MediaCommon::isStream(url)) {
            qCDebug(lcMultiMedia) << "play-list entry not played, neither a local file nor a stream:"
                                  << url.toDisplayString();
            continue;
        }
        entries.append(url);
        if (titles && !entry.title.isEmpty())
            titles->insert(url, SongTags::titled(SongTags::oneLine(entry.title)));
    }
    return entries;
}

} // namespace QzMultiMedia

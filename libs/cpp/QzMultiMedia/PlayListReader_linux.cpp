#include "PlayListReader.h"

#include "CueSheet.h"
#include "MediaCommon.h"

#include "QzMultiMediaLogging.h"
#include "SongTags.h"

// GIO names a structure member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <totem-pl-parser.h>
#pragma pop_macro("signals")

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

namespace {
struct Parsed
{
    QList<QUrl> entries;
    ListedTags* titles = nullptr;
};

void entryParsed(TotemPlParser*, const char* uri, GHashTable* metadata, gpointer parsed)
{
    // Absolute paths in an M3U come back as they are written, not as URIs.
    const QString entry = QString::fromUtf8(uri);
    const QUrl url = entry.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(entry) : QUrl(entry);
    auto* result = static_cast<Parsed*>(parsed);
    if (url.isLocalFile() || MediaCommon::isStream(url)) {
        result->entries.append(url);
        const auto* title = static_cast<const char*>(g_hash_table_lookup(metadata, TOTEM_PL_PARSER_FIELD_TITLE));
        if (result->titles && title && *title)
            result->titles->insert(url, SongTags::titled(SongTags::oneLine(QString::fromUtf8(title))));
    } else
        qCDebug(lcMultiMedia) << "play-list entry not played, neither a local file nor a stream:"
                              << url.toDisplayString();
}
} // namespace

QList<QUrl> PlayListReader::entries(const QString& path, ListedTags* titles)
{
    if (isCueSheet(path))
        return CueSheet::tracks(path, titles);
    Parsed parsed;
    parsed.titles = titles;
    TotemPlParser* parser = totem_pl_parser_new();
    // A play list found on the disk may name local files; one that names devices is not followed. Play lists
    // inside it are read by the caller, which knows how deep it has gone.
    g_object_set(parser, "recurse", FALSE, "disable-unsafe", TRUE, nullptr);
    g_signal_connect(parser, "entry-parsed", G_CALLBACK(entryParsed), &parsed);
    const QByteArray uri = QUrl::fromLocalFile(path).toEncoded();
    const TotemPlParserResult result = totem_pl_parser_parse(parser, uri.constData(), FALSE);
    g_object_unref(parser);
    if (result != TOTEM_PL_PARSER_RESULT_SUCCESS) {
        qCDebug(lcMultiMedia) << "cannot read the play list" << path << "result" << int(result);
        return {};
    }
    return parsed.entries;
}

} // namespace QzMultiMedia

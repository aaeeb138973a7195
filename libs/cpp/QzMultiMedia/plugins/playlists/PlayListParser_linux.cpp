// The play-list reader plugin: GNOME's totem-pl-parser, which brings libxml2, libarchive and libgcrypt with it.

#include "ReaderRecords.h"

// GIO names a structure member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <totem-pl-parser.h>
#pragma pop_macro("signals")

using QzMultiMedia::ReaderRecords::ListEntry;

namespace {
void entryParsed(TotemPlParser*, const char* uri, GHashTable* metadata, gpointer entries)
{
    const auto* title = static_cast<const char*>(g_hash_table_lookup(metadata, TOTEM_PL_PARSER_FIELD_TITLE));
    static_cast<QList<ListEntry>*>(entries)->append(
        { QString::fromUtf8(uri), title ? QString::fromUtf8(title) : QString() });
}
} // namespace

extern "C" Q_DECL_EXPORT bool vireoReadPlayList(const QByteArray& uri, QList<ListEntry>& entries)
{
    TotemPlParser* parser = totem_pl_parser_new();
    // A play list found on the disk may name local files; one that names devices is not followed. Play lists
    // inside it are read by the caller, which knows how deep it has gone.
    g_object_set(parser, "recurse", FALSE, "disable-unsafe", TRUE, nullptr);
    g_signal_connect(parser, "entry-parsed", G_CALLBACK(entryParsed), &entries);
    const TotemPlParserResult result = totem_pl_parser_parse(parser, uri.constData(), FALSE);
    g_object_unref(parser);
    return result == TOTEM_PL_PARSER_RESULT_SUCCESS;
}

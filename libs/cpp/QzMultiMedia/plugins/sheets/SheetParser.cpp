// The CUE-sheet reader plugin: libcue for the sheet, uchardet for the encoding of a sheet not written in UTF-8.

#include "ReaderRecords.h"

#include <libcue.h>
#include <uchardet/uchardet.h>

#include <memory>

using QzMultiMedia::ReaderRecords::Sheet;
using QzMultiMedia::ReaderRecords::SheetTrack;

namespace {
QString cdText(Cdtext* text, Pti field)
{
    const char* value = text ? cdtext_get(field, text) : nullptr;
    return value ? QString::fromUtf8(value) : QString();
}
} // namespace

extern "C" Q_DECL_EXPORT void vireoGuessEncoding(const QByteArray& bytes, QByteArray& encoding)
{
    const std::unique_ptr<uchardet, decltype(&uchardet_delete)> detector(uchardet_new(), uchardet_delete);
    encoding.clear();
    if (uchardet_handle_data(detector.get(), bytes.constData(), size_t(bytes.size())) == 0) {
        uchardet_data_end(detector.get());
        encoding = uchardet_get_charset(detector.get());
    }
}

extern "C" Q_DECL_EXPORT bool vireoParseSheet(const QByteArray& utf8, Sheet& sheet)
{
    const std::unique_ptr<Cd, decltype(&cd_delete)> cd(cue_parse_string(utf8.constData()), cd_delete);
    if (!cd)
        return false;
    sheet.performer = cdText(cd_get_cdtext(cd.get()), PTI_PERFORMER);
    sheet.title = cdText(cd_get_cdtext(cd.get()), PTI_TITLE);
    const int count = cd_get_ntrack(cd.get());
    for (int number = 1; number <= count; ++number) {
        const Track* track = cd_get_track(cd.get(), number);
        SheetTrack read;
        if (const char* named = track ? track_get_filename(track) : nullptr) {
            read.file = QString::fromUtf8(named);
            read.audio = track_get_mode(track) == MODE_AUDIO;
            read.startFrames = track_get_start(track);
            read.title = cdText(track_get_cdtext(track), PTI_TITLE);
            read.performer = cdText(track_get_cdtext(track), PTI_PERFORMER);
        }
        sheet.tracks << read;
    }
    return true;
}

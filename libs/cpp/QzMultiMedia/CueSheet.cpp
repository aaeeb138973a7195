#include "CueSheet.h"

#include "AudioFormats.h"
#include "MediaCommon.h"
#include "QzMultiMediaLogging.h"
#include "SongTags.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <libcue.h>
#include <uchardet/uchardet.h>

#include <memory>

namespace QzMultiMedia {

namespace {

// A sheet is a few kilobytes; anything much bigger is not one, and is not read into memory.
constexpr qint64 MaxSheetSize = 1 << 20;

// uchardet's names that the converters (ICU's) know by another one.
QByteArray converterName(const QByteArray& uchardetName)
{
    if (uchardetName == "UHC") // Korean Windows' code page, a superset of EUC-KR
        return QByteArrayLiteral("windows-949");
    if (uchardetName == "MAC-CYRILLIC")
        return QByteArrayLiteral("x-mac-cyrillic");
    return uchardetName;
}

// Sheets come from rippers of every era: UTF-8 (with or without a byte-order mark), or else the code page of the
// ripper's machine (Windows-1251 in Russia, Shift JIS in Japan...), which uchardet guesses from the bytes; what it
// cannot name is read as Latin-1. ISO-2022 encodings (Japanese mail-era text) are 7-bit and so valid UTF-8: their
// escape character tells them apart, which no sheet in UTF-8 has.
QByteArray utf8Text(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (!utf8.hasError() && !bytes.contains('\x1b'))
        return text.toUtf8();
    const std::unique_ptr<uchardet, decltype(&uchardet_delete)> detector(uchardet_new(), uchardet_delete);
    QByteArray charset;
    if (uchardet_handle_data(detector.get(), bytes.constData(), size_t(bytes.size())) == 0) {
        uchardet_data_end(detector.get());
        charset = converterName(uchardet_get_charset(detector.get()));
    }
    QStringDecoder guessed(charset.constData());
    if (!charset.isEmpty() && guessed.isValid()) {
        const QString decoded = guessed(bytes);
        if (!guessed.hasError())
            return decoded.toUtf8();
    }
    qCDebug(lcMultiMedia) << "CUE sheet in an encoding not found (" << charset << "), read as Latin-1";
    return QString::fromLatin1(bytes).toUtf8();
}

QString cdText(Cdtext* text, Pti field)
{
    const char* value = text ? cdtext_get(field, text) : nullptr;
    return value ? SongTags::oneLine(QString::fromUtf8(value)) : QString();
}

// A track's file, as the sheet names it (relative to the sheet, written on any system), or a file of the same name
// with another ending beside it.
QString trackFile(const QDir& folder, const QString& named)
{
    QString name = named;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QFileInfo file(folder, name);
    if (file.isFile())
        return file.absoluteFilePath();
    const QString base = file.completeBaseName();
    const QDir dir = file.absoluteDir();
    for (const QFileInfo& other : dir.entryInfoList(QDir::Files | QDir::Readable, QDir::Name)) {
        if (other.completeBaseName() == base && AudioFormats::isDecodable(other.fileName()))
            return other.absoluteFilePath();
    }
    return file.absoluteFilePath(); // missing: skipped when its turn comes, as any song that cannot be played
}

qint64 framesToMs(long frames)
{
    return qint64(frames) * 1000 / 75; // a CD's 75 frames a second
}

} // namespace

QList<QUrl> CueSheet::tracks(const QString& path, ListedTags* titles)
{
    // A regular file only: a FIFO named like a sheet would wait for a writer for ever.
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || info.size() > MaxSheetSize || !file.open(QIODevice::ReadOnly)) {
        qCDebug(lcMultiMedia) << "cannot read the CUE sheet" << path;
        return {};
    }
    const QByteArray text = utf8Text(file.readAll());
    // libcue reports what it cannot parse on the standard error: what says nothing of tracks is not handed to it.
    if (!text.contains("TRACK") && !text.contains("track"))
        return {};
    const std::unique_ptr<Cd, decltype(&cd_delete)> cd(cue_parse_string(text.constData()), cd_delete);
    if (!cd) {
        qCDebug(lcMultiMedia) << "not a CUE sheet:" << path;
        return {};
    }
    const QDir folder = info.absoluteDir();
    // The disc's performer stands for a track's that names none; the disc's title is the album of every track.
    const QString discPerformer = cdText(cd_get_cdtext(cd.get()), PTI_PERFORMER);
    const QString discTitle = cdText(cd_get_cdtext(cd.get()), PTI_TITLE);
    QList<QUrl> tracks;
    const int count = cd_get_ntrack(cd.get());
    for (int number = 1; number <= count; ++number) {
        const Track* track = cd_get_track(cd.get(), number);
        const char* named = track ? track_get_filename(track) : nullptr;
        if (!named || track_get_mode(track) != MODE_AUDIO)
            continue;
        // A track ends where the next one in its file starts (its pregap played as the end of this one, as the
        // disc would), or with its file.
        const qint64 start = framesToMs(qMax(0L, track_get_start(track)));
        qint64 end = -1;
        if (const Track* next = number < count ? cd_get_track(cd.get(), number + 1) : nullptr) {
            const char* nextNamed = track_get_filename(next);
            if (nextNamed && qstrcmp(nextNamed, named) == 0 && framesToMs(track_get_start(next)) > start)
                end = framesToMs(track_get_start(next));
        }
        const QString fileName = trackFile(folder, QString::fromUtf8(named));
        const QUrl whole = QUrl::fromLocalFile(fileName);
        const QUrl song = start == 0 && end < 0 ? whole : MediaCommon::withRange(whole, start, end);
        tracks << song;
        if (!titles)
            continue;
        SongTags listed;
        listed.title = cdText(track_get_cdtext(track), PTI_TITLE);
        // A stretch without a title would show its image's name, the same for every track: it gets a number.
        if (listed.title.isEmpty() && song != whole)
            listed.title = QStringLiteral("%1 %2")
                               .arg(QFileInfo(fileName).completeBaseName())
                               .arg(number, 2, 10, QLatin1Char('0'));
        listed.artist = cdText(track_get_cdtext(track), PTI_PERFORMER);
        if (listed.artist.isEmpty())
            listed.artist = discPerformer;
        listed.album = discTitle;
        if (listed != SongTags())
            titles->insert(song, listed);
    }
    return tracks;
}

} // namespace QzMultiMedia

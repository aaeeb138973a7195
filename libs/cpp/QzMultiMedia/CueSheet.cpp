#include "CueSheet.h"

#include "AudioFormats.h"
#include "MediaCommon.h"
#include "QzMultiMediaLogging.h"
#include "SongTags.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include "PluginLibrary.h"
#include "ReaderRecords.h"

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
    QByteArray charset;
    if (const auto guess = PluginLibrary::function<VireoGuessEncoding>("sheets", "vireoGuessEncoding")) {
        guess(bytes, charset);
        charset = converterName(charset);
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
    const auto parse = PluginLibrary::function<VireoParseSheet>("sheets", "vireoParseSheet");
    ReaderRecords::Sheet sheet;
    if (!parse || !parse(text, sheet)) {
        qCDebug(lcMultiMedia) << "not a CUE sheet:" << path;
        return {};
    }
    const QDir folder = info.absoluteDir();
    // The disc's performer stands for a track's that names none; the disc's title is the album of every track.
    const QString discPerformer = SongTags::oneLine(sheet.performer);
    const QString discTitle = SongTags::oneLine(sheet.title);
    QList<QUrl> tracks;
    const int count = int(sheet.tracks.size());
    for (int number = 1; number <= count; ++number) {
        const ReaderRecords::SheetTrack& track = sheet.tracks.at(number - 1);
        if (track.file.isEmpty() || !track.audio)
            continue;
        // A track ends where the next one in its file starts (its pregap played as the end of this one, as the
        // disc would), or with its file.
        const qint64 start = framesToMs(qMax(0L, track.startFrames));
        qint64 end = -1;
        if (number < count) {
            const ReaderRecords::SheetTrack& next = sheet.tracks.at(number);
            if (next.file == track.file && framesToMs(next.startFrames) > start)
                end = framesToMs(next.startFrames);
        }
        const QString fileName = trackFile(folder, track.file);
        const QUrl whole = QUrl::fromLocalFile(fileName);
        const QUrl song = start == 0 && end < 0 ? whole : MediaCommon::withRange(whole, start, end);
        tracks << song;
        if (!titles)
            continue;
        SongTags listed;
        listed.title = SongTags::oneLine(track.title);
        // A stretch without a title would show its image's name, the same for every track: it gets a number.
        if (listed.title.isEmpty() && song != whole)
            listed.title = QStringLiteral("%1 %2")
                               .arg(QFileInfo(fileName).completeBaseName())
                               .arg(number, 2, 10, QLatin1Char('0'));
        listed.artist = SongTags::oneLine(track.performer);
        if (listed.artist.isEmpty())
            listed.artist = discPerformer;
        listed.album = discTitle;
        if (listed != SongTags())
            titles->insert(song, listed);
    }
    return tracks;
}

} // namespace QzMultiMedia

#include "PlayListFile.h"

#include "MediaCommon.h"
#include "SongTags.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace QzMultiMedia {

namespace {
const QByteArray currentMark = QByteArrayLiteral("#VIREO-CURRENT:");
const QByteArray positionMark = QByteArrayLiteral("#VIREO-POSITION:");
const QByteArray titleMark = QByteArrayLiteral("#EXTINF:");
// Extended M3U's artist and album lines, written for the tracks of CUE sheets, whose file tags speak of the disc.
const QByteArray artistMark = QByteArrayLiteral("#EXTART:");
const QByteArray albumMark = QByteArrayLiteral("#EXTALB:");

// The place file says where the list stood when it was written: the current song's number, its address and the
// place in it, one a line. It counts only when it is newer than the list and the list has that song there.
void readPlace(const QString& listPath, const QList<QUrl>& songs, int* current, qint64* positionMs)
{
    const QFileInfo place(PlayListFile::placePath(listPath));
    if (!place.isFile() || place.size() > 64 * 1024 || place.lastModified() < QFileInfo(listPath).lastModified())
        return;
    QFile file(place.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.size() < 3)
        return;
    bool numbered = false;
    bool placed = false;
    const int number = lines[0].toInt(&numbered);
    const qint64 at = lines[2].toLongLong(&placed);
    if (!numbered || !placed || number < 0 || number >= songs.size() || songs[number].toEncoded() != lines[1])
        return;
    *current = number;
    if (positionMs)
        *positionMs = qBound<qint64>(0, at, MediaCommon::LongestTimeMs);
}
} // namespace

QString PlayListFile::placePath(const QString& path)
{
    return path + QStringLiteral(".place");
}

bool PlayListFile::writePlace(const QString& path, int current, const QUrl& song, qint64 positionMs)
{
    QSaveFile file(PlayListFile::placePath(path));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(QByteArray::number(current) + '\n' + song.toEncoded() + '\n' + QByteArray::number(positionMs) + '\n');
    return file.commit();
}

bool PlayListFile::write(
    const QString& path, const QList<QUrl>& songs, int current, qint64 positionMs, const ListedTags& titles)
{
    // No songs is no list to keep, never a reason to remove one: the list of a start that could not read its
    // file (too big, unreadable for now) stays for the next.
    if (songs.isEmpty())
        return true;
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Unbuffered: a write that fails (a full disk) fails here, where it is seen, and the list written before
    // stays. Through Qt's buffer it failed only as the file was closed, and the empty file took the list's place.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    // What the user listens to is nobody else's business, and a stream's address may carry a password.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QByteArray text = QByteArrayLiteral("#EXTM3U\n") + currentMark + QByteArray::number(current) + '\n';
    if (positionMs > 0)
        text += positionMark + QByteArray::number(positionMs) + '\n';
    // A name is written as it is, unless a line could not hold it (a line break in it, a space or tab at its
    // end, which readers trim, bytes that are not UTF-8): then as a file URL, every such byte escaped.
    for (const QUrl& song : songs) {
        const SongTags listed = titles.value(song);
        if (!listed.title.isEmpty())
            text += titleMark + "-1," + SongTags::oneLine(listed.title).toUtf8() + '\n';
        if (!listed.artist.isEmpty())
            text += artistMark + SongTags::oneLine(listed.artist).toUtf8() + '\n';
        if (!listed.album.isEmpty())
            text += albumMark + SongTags::oneLine(listed.album).toUtf8() + '\n';
        if (MediaCommon::isStream(song)) {
            text += song.toEncoded() + '\n';
            continue;
        }
        const QString local = MediaCommon::localName(song);
        const QByteArray name = QFile::encodeName(local);
        const bool plain = !local.startsWith(QLatin1String("file:")) && !name.contains('\n') && !name.contains('\r')
            && !name.endsWith(' ') && !name.endsWith('\t');
        text += (plain ? name : song.toEncoded()) + '\n';
    }
    if (file.write(text) != text.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QList<QUrl> PlayListFile::read(
    const QString& path, int* current, qint64* positionMs, qsizetype maxSongs, qsizetype* leftOut, ListedTags* titles)
{
    *current = 0;
    qint64 position = 0;
    qsizetype others = 0;
    QList<QUrl> songs;
    // Whatever its size, the list is read to its end, which the writer put there: the songs past the limit are
    // counted, not kept, so that a list too long is cut and said so rather than lost.
    SongTags listed; // what the lines before it say of the song on the next line
    const auto keep = [&](const auto& make) {
        if (maxSongs < 0 || songs.size() < maxSongs) {
            songs << make();
            if (titles && listed != SongTags())
                titles->insert(songs.last(), listed);
        } else {
            ++others;
        }
        listed = SongTags();
    };
    // A regular file only: opening a FIFO waits for a writer that never comes, and froze the start.
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return songs;
    int marked = 0;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        // Only the line's end goes: spaces belong to the name.
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith(currentMark)) {
            marked = line.mid(currentMark.size()).toInt();
        } else if (line.startsWith(positionMark)) {
            position = qBound<qint64>(0, line.mid(positionMark.size()).toLongLong(), MediaCommon::LongestTimeMs);
        } else if (line.startsWith(titleMark)) {
            const qsizetype comma = line.indexOf(',');
            listed.title = comma < 0 ? QString() : SongTags::oneLine(QString::fromUtf8(line.mid(comma + 1)));
        } else if (line.startsWith(artistMark)) {
            listed.artist = SongTags::oneLine(QString::fromUtf8(line.mid(artistMark.size())));
        } else if (line.startsWith(albumMark)) {
            listed.album = SongTags::oneLine(QString::fromUtf8(line.mid(albumMark.size())));
        } else if (line.startsWith('/')) {
            keep([&] { return QUrl::fromLocalFile(QFile::decodeName(line)); });
        } else if (line.startsWith("http://") || line.startsWith("https://")) {
            const QUrl url = QUrl::fromEncoded(line, QUrl::StrictMode);
            if (MediaCommon::isStream(url))
                keep([&] { return url; });
        } else if (line.startsWith("file://")) {
            const QUrl url = QUrl::fromEncoded(line);
            if (url.isLocalFile() && url.host().isEmpty())
                keep([&] { return url; });
        }
        // Comments, relative names and other addresses: nothing this player can open.
    }
    if (marked >= 0 && marked < songs.size())
        *current = marked;
    if (positionMs)
        *positionMs = *current == marked ? position : 0;
    readPlace(path, songs, current, positionMs);
    if (leftOut)
        *leftOut = others;
    return songs;
}

} // namespace QzMultiMedia

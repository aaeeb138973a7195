#include "PlayListFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace QzMultiMedia {

namespace {
const QByteArray currentMark = QByteArrayLiteral("#VIREO-CURRENT:");
constexpr qint64 MaxListBytes = 64 * 1024 * 1024; // a list of a million songs; anything bigger is not ours
} // namespace

bool PlayListFile::write(const QString& path, const QList<QUrl>& songs, int current)
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
    QByteArray text = QByteArrayLiteral("#EXTM3U\n") + currentMark + QByteArray::number(current) + '\n';
    for (const QUrl& song : songs)
        text += QFile::encodeName(song.toLocalFile()) + '\n';
    if (file.write(text) != text.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QList<QUrl> PlayListFile::read(const QString& path, int* current)
{
    *current = 0;
    QList<QUrl> songs;
    QFile file(path);
    if (file.size() > MaxListBytes || !file.open(QIODevice::ReadOnly))
        return songs;
    int marked = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith(currentMark)) {
            marked = line.mid(currentMark.size()).toInt();
        } else if (line.startsWith('/')) {
            songs << QUrl::fromLocalFile(QFile::decodeName(line));
        } else if (line.startsWith("file://")) {
            const QUrl url = QUrl::fromEncoded(line);
            if (url.isLocalFile() && url.host().isEmpty())
                songs << url;
        }
        // Comments, relative names and remote addresses: nothing this player can open.
    }
    if (marked >= 0 && marked < songs.size())
        *current = marked;
    return songs;
}

} // namespace QzMultiMedia

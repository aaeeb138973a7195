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
    if (songs.isEmpty())
        return !QFile::exists(path) || QFile::remove(path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray text = QByteArrayLiteral("#EXTM3U\n") + currentMark + QByteArray::number(current) + '\n';
    for (const QUrl& song : songs)
        text += QFile::encodeName(song.toLocalFile()) + '\n';
    file.write(text);
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

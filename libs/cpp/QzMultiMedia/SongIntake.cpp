#include "SongIntake.h"

#include "AudioListPlayer.h"
#include "MediaCommon.h"
#include "PlayListReader.h"

#include <QCollator>
#include <QDirIterator>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSet>

#include <algorithm>

namespace QzMultiMedia {

namespace {

// Play lists describe songs instead of holding them; some of them still carry an audio MIME type.
bool isPlayListType(const QMimeType& type)
{
    static const char* const playLists[]
        = { "audio/x-scpls", "audio/x-ms-asx", "audio/x-mpegurl", "audio/mpegurl", "application/vnd.apple.mpegurl" };
    for (const char* name : playLists) {
        if (type.inherits(QLatin1String(name)))
            return true;
    }
    return type.inherits(QStringLiteral("text/plain"));
}

// "Disc 2" before "Disc 10", "track 9" before "Track 10". The C locale compares code points and ignores the
// numeric mode, so a program started without a locale still sorts as people read.
QCollator naturalOrder()
{
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

// Component by component, so "Disc 1/10.mp3" comes before "Disc 1 Bonus/1.mp3" and a folder's own files meet
// its sub-folders in name order.
void sortNaturally(QList<QStringList>* paths)
{
    const QCollator collator = naturalOrder();
    std::sort(paths->begin(), paths->end(), [&collator](const QStringList& a, const QStringList& b) {
        for (int i = 0; i < a.size() && i < b.size(); ++i) {
            if (const int order = collator.compare(a[i], b[i]))
                return order < 0;
            if (a[i] != b[i])
                return a[i] < b[i];
        }
        return a.size() < b.size();
    });
}

// The audio files under a folder, sub-folders included, in natural name order. A disc ripped to one image with
// a CUE sheet beside it stands for the sheet's tracks, in the image's place.
QList<QUrl> songsInFolder(const QString& path, QHash<QUrl, QString>* titles)
{
    const QDir folder(path);
    QList<QStringList> found;
    QList<QStringList> sheets;
    // Symbolic links to folders are not followed: a link back up would never end.
    QDirIterator it(path, QDir::Files | QDir::Readable, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (SongIntake::isSoundFile(file))
            found << folder.relativeFilePath(file).split(QLatin1Char('/'));
        else if (PlayListReader::isCueSheet(file))
            sheets << folder.relativeFilePath(file).split(QLatin1Char('/'));
    }
    sortNaturally(&found);
    sortNaturally(&sheets);
    const auto url = [&folder](const QStringList& parts) {
        return QUrl::fromLocalFile(folder.filePath(parts.join(QLatin1Char('/'))));
    };
    // A sheet counts when the files it names are all here; the first sheet that names a file takes it, a second
    // one for the same disc (in another text encoding, say) is passed over.
    QSet<QUrl> here;
    for (const QStringList& parts : std::as_const(found))
        here.insert(url(parts));
    QHash<QUrl, QList<QUrl>> tracksInPlaceOf;
    QSet<QUrl> taken;
    for (const QStringList& sheet : std::as_const(sheets)) {
        QHash<QUrl, QString> sheetTitles;
        const QList<QUrl> tracks = PlayListReader::entries(url(sheet).toLocalFile(), &sheetTitles);
        QSet<QUrl> files;
        for (const QUrl& track : tracks)
            files.insert(track.adjusted(QUrl::RemoveFragment));
        if (tracks.isEmpty() || files.intersects(taken) || !here.contains(files))
            continue;
        taken.unite(files);
        tracksInPlaceOf.insert(tracks.first().adjusted(QUrl::RemoveFragment), tracks);
        if (titles)
            titles->insert(sheetTitles);
    }
    QList<QUrl> songs;
    songs.reserve(found.size());
    for (const QStringList& parts : std::as_const(found)) {
        const QUrl song = url(parts);
        if (const auto tracks = tracksInPlaceOf.constFind(song); tracks != tracksInPlaceOf.cend())
            songs << *tracks;
        else if (!taken.contains(song))
            songs << song;
    }
    return songs;
}

// What one name handed over stands for. A name that says "song" is taken for one without asking the disk, which a
// drop of 10,000 files would otherwise ask 10,000 times on the GUI thread (a folder named like a song is then tried
// as one and skipped as unplayable). A play list stands for its entries in order, play lists inside it included a
// few levels deep, so lists that name each other end; a folder for the songs under it; anything else, a missing
// file included, is kept, to be skipped like any song that cannot be played.
QList<QUrl> expand(const QUrl& url, int depth, QHash<QUrl, QString>* titles)
{
    constexpr int MaxDepth = 8;
    const QString path = url.isLocalFile() ? url.toLocalFile() : QString();
    if (path.isEmpty() || MediaCommon::isAudio(path))
        return { url };
    if (PlayListReader::isPlayList(path)) {
        // A CUE sheet's entries are the tracks of audio files, whatever they are named: a sheet that names itself
        // or another list as its image is not read again for each of its tracks.
        if (PlayListReader::isCueSheet(path))
            return PlayListReader::entries(path, titles);
        QList<QUrl> songs;
        if (depth < MaxDepth) {
            for (const QUrl& entry : PlayListReader::entries(path, titles))
                songs << expand(entry, depth + 1, titles);
        }
        return songs;
    }
    if (QFileInfo(path).isDir())
        return songsInFolder(path, titles);
    return { url };
}

} // namespace

bool SongIntake::isSoundFile(const QString& fileName)
{
    // The MIME database knows FLAC, Opus, Matroska audio and the rest; the classic list adds the few endings it
    // files under other kinds (".3ga" is a 3GPP video to it).
    static const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    if (type.name().startsWith(QLatin1String("audio/")) && !isPlayListType(type))
        return true;
    return MediaCommon::isAudio(fileName);
}

QList<QUrl> SongIntake::songs(const QList<QUrl>& urls, QHash<QUrl, QString>* titles)
{
    QList<QUrl> songs;
    for (const QUrl& url : urls)
        songs << expand(url, 0, titles);
    return songs;
}

QStringList SongIntake::filePatterns()
{
    QStringList patterns { QStringLiteral("*.3ga"), QStringLiteral("*.wma"), QStringLiteral("*.ac3") };
    for (const QMimeType& type : QMimeDatabase().allMimeTypes()) {
        if (type.name().startsWith(QLatin1String("audio/")) && !isPlayListType(type))
            patterns += type.globPatterns();
    }
    patterns += PlayListReader::filePatterns();
    patterns.removeDuplicates();
    return patterns;
}

bool SongIntake::play(const QList<QUrl>& urls)
{
    QHash<QUrl, QString> titles;
    const QList<QUrl> list = songs(urls, &titles);
    if (list.isEmpty())
        return false;
    AudioListPlayer::nameSongs(titles);
    AudioListPlayer::instance()->setPlayList(list);
    return true;
}

bool SongIntake::enqueue(const QList<QUrl>& urls)
{
    QHash<QUrl, QString> titles;
    const QList<QUrl> list = songs(urls, &titles);
    if (list.isEmpty())
        return false;
    AudioListPlayer::nameSongs(titles);
    AudioListPlayer* player = AudioListPlayer::instance();
    if (player->playList().isEmpty())
        player->setPlayList(list);
    else
        player->appendToPlayList(list);
    return true;
}

} // namespace QzMultiMedia

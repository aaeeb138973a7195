#include "SongIntake.h"

#include "AudioFormats.h"
#include "AudioListPlayer.h"
#include "IntakeQueue.h"
#include "ListedTitles.h"
#include "MediaCommon.h"
#include "PlayListReader.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <memory>
#include <optional>

static_assert(QzMultiMedia::SongIntake::MaxSongsFound >= QzMultiMedia::AudioListPlayer::MaxSongs);

namespace QzMultiMedia {

namespace {

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

// One hand-over's reading, and what it may cost: each list, sheet and folder is read once however often it is
// named (a list that named itself K times, eight levels deep, was K^8 reads), only regular files are read as
// lists (a FIFO blocks the reader for good, /dev/zero fills the memory), and the reading stops at the songs limit
// or when the program quits.
class Expansion
{
public:
    Expansion(ListedTags* titles, const std::atomic_bool* cancelled)
        : m_pTitles(titles)
        , m_pCancelled(cancelled)
    { }

    QList<QUrl> songs;

    // What one name handed over stands for. A name that says "song" is taken for one without asking the disk,
    // which a drop of 10,000 files would otherwise ask 10,000 times (a folder named like a song is then tried as
    // one and skipped as unplayable). A play list stands for its entries in order, lists inside it included; a
    // folder for the songs under it; a picture, a text or a document dropped beside songs is left out; anything
    // else, a missing file included, is kept, to be skipped like any song that cannot be played.
    void add(const QUrl& url, int depth = 0)
    {
        if (isSpent() || !SongIntake::accepts(url))
            return;
        const QString path = url.isLocalFile() ? url.toLocalFile() : QString();
        if (path.isEmpty() || AudioFormats::isDecodable(path)) {
            take(url);
            return;
        }
        const QFileInfo info(path);
        if (PlayListReader::isPlayList(path)) {
            if (depth < MaxDepth && info.isFile() && info.size() <= SongIntake::MaxListBytes)
                once(info, [this, &path, depth] { addList(path, depth); });
            return;
        }
        if (info.isDir()) {
            once(info, [this, &path] { addFolder(path); });
            return;
        }
        if (!AudioFormats::isKnownNotSound(path))
            take(url);
    }

private:
    static constexpr int MaxDepth = 8;

    bool isSpent() const
    {
        return songs.size() >= SongIntake::MaxSongsFound || (m_pCancelled && *m_pCancelled);
    }

    void take(const QUrl& url)
    {
        if (!isSpent())
            songs.append(url);
    }

    // A list or folder is read the first time it is named; named again, its songs come again without a second
    // reading, and named inside itself it gives nothing more.
    template <typename Read> void once(const QFileInfo& info, Read read)
    {
        const QString key = info.canonicalFilePath();
        if (const auto known = m_read.constFind(key); known != m_read.cend()) {
            for (const QUrl& song : *known)
                take(song);
            return;
        }
        if (m_reading.contains(key))
            return;
        m_reading.insert(key);
        const qsizetype first = songs.size();
        read();
        m_reading.remove(key);
        m_read.insert(key, songs.mid(first));
    }

    void addList(const QString& path, int depth)
    {
        // A CUE sheet's entries are the tracks of audio files, whatever they are named: a sheet that names itself
        // or another list as its image is not read again for each of its tracks.
        if (PlayListReader::isCueSheet(path)) {
            for (const QUrl& track : PlayListReader::entries(path, m_pTitles))
                take(track);
            return;
        }
        for (const QUrl& entry : PlayListReader::entries(path, m_pTitles))
            add(entry, depth + 1);
    }

    void addFolder(const QString& path);

    ListedTags* m_pTitles;
    const std::atomic_bool* m_pCancelled;
    QHash<QString, QList<QUrl>> m_read;
    QSet<QString> m_reading;
};

// The audio files under a folder, sub-folders included, in natural name order. A disc ripped to one image with
// a CUE sheet beside it stands for the sheet's tracks, in the image's place.
void Expansion::addFolder(const QString& path)
{
    const QDir folder(path);
    QList<QStringList> found;
    QList<QStringList> sheets;
    // Symbolic links to folders are not followed: a link back up would never end. Only regular files are listed.
    QDirIterator it(path, QDir::Files | QDir::Readable, QDirIterator::Subdirectories);
    while (it.hasNext() && !isSpent() && found.size() < SongIntake::MaxSongsFound) {
        const QString file = it.next();
        if (AudioFormats::isDecodable(file))
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
        if (isSpent())
            return;
        ListedTags sheetTitles;
        const QList<QUrl> tracks = PlayListReader::entries(url(sheet).toLocalFile(), &sheetTitles);
        QSet<QUrl> files;
        for (const QUrl& track : tracks)
            files.insert(track.adjusted(QUrl::RemoveFragment));
        if (tracks.isEmpty() || files.intersects(taken) || !here.contains(files))
            continue;
        taken.unite(files);
        tracksInPlaceOf.insert(tracks.first().adjusted(QUrl::RemoveFragment), tracks);
        if (m_pTitles)
            m_pTitles->insert(sheetTitles);
    }
    for (const QStringList& parts : std::as_const(found)) {
        const QUrl song = url(parts);
        if (const auto tracks = tracksInPlaceOf.constFind(song); tracks != tracksInPlaceOf.cend()) {
            for (const QUrl& track : *tracks)
                take(track);
        } else if (!taken.contains(song)) {
            take(song);
        }
    }
}

// Whether a name handed over can be taken without asking the disk: a song by its name, a stream, or an address
// that is left out.
bool needsNoDisk(const QUrl& url)
{
    return !SongIntake::accepts(url) || !url.isLocalFile() || AudioFormats::isDecodable(url.toLocalFile());
}

// A file of this machine may be named "file://localhost/...": it is the same file, without the host.
QList<QUrl> withoutLocalHost(QList<QUrl> urls)
{
    for (QUrl& url : urls) {
        if (url.scheme() == QLatin1String("file") && url.host() == QLatin1String("localhost"))
            url.setHost(QString());
    }
    return urls;
}

// The song a folder's list starts with, found before the folder is read whole: the first name in natural order
// at each level, folders entered where they come, as the whole reading orders them. Nothing when the folder has
// no song; no answer (nullopt) where a CUE sheet lies beside that song, whose tracks may come first instead.
std::optional<QUrl> firstSongOf(
    const QString& path, const QCollator& collator, const std::atomic_bool* cancelled, int depth = 0)
{
    if (depth > 64 || (cancelled && *cancelled))
        return std::nullopt;
    QFileInfoList entries
        = QDir(path).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Readable, QDir::NoSort);
    std::sort(entries.begin(), entries.end(), [&collator](const QFileInfo& a, const QFileInfo& b) {
        const int order = collator.compare(a.fileName(), b.fileName());
        return order != 0 ? order < 0 : a.fileName() < b.fileName();
    });
    const bool sheetHere = std::any_of(entries.cbegin(), entries.cend(),
        [](const QFileInfo& entry) { return entry.isFile() && PlayListReader::isCueSheet(entry.filePath()); });
    for (const QFileInfo& entry : std::as_const(entries)) {
        if (entry.isDir()) {
            if (entry.isSymLink())
                continue; // not followed by the whole reading either
            const std::optional<QUrl> found = firstSongOf(entry.filePath(), collator, cancelled, depth + 1);
            if (!found || !found->isEmpty())
                return found;
        } else if (entry.isFile() && AudioFormats::isDecodable(entry.fileName())) {
            if (sheetHere)
                return std::nullopt;
            return QUrl::fromLocalFile(entry.filePath());
        }
    }
    return QUrl();
}

// A folder handed over to play starts with its first song as soon as that is known, while the rest of it is
// still being read (a library of thousands of songs takes seconds); the rest follows it in the list, in the
// order the whole reading gives. Should that order begin otherwise after all, the list it gives replaces the one
// song as any list does.
void handOver(const QList<QUrl>& handed, bool append, const SongIntake::Done& done)
{
    const QList<QUrl> urls = withoutLocalHost(handed);
    const bool needsDisk = !std::all_of(urls.cbegin(), urls.cend(), needsNoDisk);
    const bool mayStartEarly = !append && urls.size() == 1 && urls.first().isLocalFile();
    auto early = std::make_shared<QUrl>(); // read and written on the user interface's thread only
    IntakeQueue::instance()->submit(
        needsDisk,
        [urls, mayStartEarly, early](ListedTags* titles, const std::atomic_bool* cancelled) {
            const QString path = mayStartEarly ? urls.first().toLocalFile() : QString();
            if (mayStartEarly && cancelled && QFileInfo(path).isDir()) {
                const std::optional<QUrl> first = firstSongOf(path, naturalOrder(), cancelled);
                if (first && !first->isEmpty()) {
                    QMetaObject::invokeMethod(
                        QCoreApplication::instance(),
                        [first = *first, early, cancelled] {
                            if (*cancelled)
                                return;
                            AudioListPlayer::instance()->setPlayList({ first });
                            *early = first;
                        },
                        Qt::QueuedConnection);
                }
            }
            return SongIntake::songs(urls, titles, cancelled);
        },
        [append, done, early](const QList<QUrl>& songs, const ListedTags& titles) {
            if (!songs.isEmpty()) {
                ListedTitles::add(titles);
                AudioListPlayer* player = AudioListPlayer::instance();
                if (!early->isEmpty() && songs.first() == *early && player->playList() == QList<QUrl> { *early })
                    player->appendToPlayList(songs.mid(1));
                else if (append && !player->playList().isEmpty())
                    player->appendToPlayList(songs);
                else
                    player->setPlayList(songs);
            }
            if (done)
                done(!songs.isEmpty());
        });
}

} // namespace

QList<QUrl> SongIntake::songs(const QList<QUrl>& urls, ListedTags* titles, const std::atomic_bool* cancelled)
{
    Expansion expansion(titles, cancelled);
    for (const QUrl& url : withoutLocalHost(urls))
        expansion.add(url);
    return expansion.songs;
}

bool SongIntake::accepts(const QUrl& url)
{
    // "file://remote-host/..." names another machine's file, which is never fetched; nor is anything that is not
    // an internet stream (ftp:, smb:, data:, ...).
    if (url.isLocalFile())
        return url.host().isEmpty() || url.host() == QLatin1String("localhost");
    return MediaCommon::isStream(url);
}

QStringList SongIntake::filePatterns()
{
    QStringList patterns = AudioFormats::filePatterns();
    patterns += PlayListReader::filePatterns();
    patterns.removeDuplicates();
    return patterns;
}

void SongIntake::play(const QList<QUrl>& urls, const Done& done)
{
    handOver(urls, false, done);
}

void SongIntake::enqueue(const QList<QUrl>& urls, const Done& done)
{
    handOver(urls, true, done);
}

bool SongIntake::isBusy()
{
    return IntakeQueue::instance()->isBusy();
}

} // namespace QzMultiMedia

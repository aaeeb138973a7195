#include "SongTagReader.h"

#include "AudioListPlayer.h"
#include "ListedTitles.h"
#include "PluginLibrary.h"
#include "ReaderRecords.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

namespace QzMultiMedia {

namespace {
constexpr int Batch = 50;

SongTags readTags(const QUrl& song)
{
    SongTags tags;
    // A regular file only: TagLib opening a FIFO waits for a writer, a device reads for ever.
    const QString path = song.toLocalFile();
    if (!QFileInfo(path).isFile())
        return tags;
    const auto read = PluginLibrary::function<VireoReadTags>("tags", "vireoReadTags");
    ReaderRecords::FileTags file;
    if (read && read(QFile::encodeName(path), file)) {
        tags.title = SongTags::oneLine(file.title);
        tags.artist = SongTags::oneLine(file.artist);
        tags.album = SongTags::oneLine(file.album);
        tags.trackNumber = file.trackNumber;
    }
    return tags;
}
} // namespace

struct SongTagReader::Job
{
    QList<QUrl> songs;
    std::atomic_bool cancelled { false };
};

SongTagReader::SongTagReader(QObject* parent)
    : QObject(parent)
{
    m_thread.setMaxThreadCount(1);
}

SongTagReader::~SongTagReader()
{
    if (m_pJob)
        m_pJob->cancelled = true;
    m_thread.waitForDone();
}

void SongTagReader::read(const QList<QUrl>& songs)
{
    if (m_pJob)
        m_pJob->cancelled = true;
    m_listTags.clear();
    m_pJob = std::make_shared<Job>();
    m_pJob->songs = songs;
    m_thread.start([this, job = m_pJob] {
        for (int from = 0; from < job->songs.size() && !job->cancelled; from += Batch) {
            QList<SongTags> batch;
            for (int i = from; i < qMin(int(job->songs.size()), from + Batch) && !job->cancelled; ++i)
                batch << readTags(job->songs.at(i));
            QMetaObject::invokeMethod(
                this, [this, job, from, batch] { take(job, from, batch); }, Qt::QueuedConnection);
        }
    });
}

void SongTagReader::take(const std::shared_ptr<Job>& job, int from, const QList<SongTags>& tags)
{
    if (job != m_pJob || from != m_listTags.size())
        return;
    m_listTags << tags;
    emit tagsRead(from, int(m_listTags.size()));
}

// A CUE sheet's track: the image's tags speak of the disc, the sheet of the track.
SongTags SongTagReader::tags(int place) const
{
    const SongTags read = m_listTags.value(place);
    return m_pJob ? ListedTitles::over(m_pJob->songs.value(place), read) : read;
}

int SongTagReader::readCount() const
{
    return int(m_listTags.size());
}

} // namespace QzMultiMedia

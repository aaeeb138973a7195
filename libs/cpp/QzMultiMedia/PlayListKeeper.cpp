#include "PlayListKeeper.h"

#include "AudioListPlayer.h"
#include "AudioPlayer.h"
#include "ListedTitles.h"
#include "PlayListFile.h"

#include <QCoreApplication>
#include <QFile>

#include <atomic>
#include <cstdio>

namespace QzMultiMedia {

namespace {
constexpr int SoonMs = 1000;
// The place alone, while a song plays: a `kill -9` loses no more than this and the write.
constexpr int WhilePlayingMs = 1000;

// What a failed write says: "%s" the file's name.
const char* const ListUnwritten = "vireo: the play list could not be written to %s; the one written before is kept.\n";
const char* const PlaceUnwritten = "vireo: the place in the current song could not be written to %s; the play list "
                                   "keeps the place it was written with.\n";
std::atomic_bool s_bListFailing { false };
std::atomic_bool s_bPlaceFailing { false };

// A failed write is said once, not at every write while the disk stays full.
void report(bool written, std::atomic_bool& failing, const char* message, const QString& path)
{
    if (written)
        failing = false;
    else if (!failing.exchange(true))
        std::fprintf(stderr, message, QFile::encodeName(path).constData());
}
} // namespace

PlayListKeeper::PlayListKeeper(const QString& m3u8File, QObject* parent)
    : QObject(parent)
    , m_strFile(m3u8File)
{
    connect(qApp, &QCoreApplication::aboutToQuit, this, &PlayListKeeper::saveNow);
    m_writer.setMaxThreadCount(1);
    m_soon.setSingleShot(true);
    m_soon.setInterval(SoonMs);
    connect(&m_soon, &QTimer::timeout, this, &PlayListKeeper::saveInBackground);
    m_whilePlaying.setInterval(WhilePlayingMs);
    connect(&m_whilePlaying, &QTimer::timeout, this, &PlayListKeeper::savePlaceInBackground);

    AudioListPlayer* list = AudioListPlayer::instance();
    connect(list, &AudioListPlayer::listReplaced, this, &PlayListKeeper::slotChanged);
    connect(list, &AudioListPlayer::listChanged, this, &PlayListKeeper::slotChanged);
    connect(list, &AudioListPlayer::modesChanged, this, &PlayListKeeper::slotChanged); // shuffle moves the current
    connect(list, &AudioListPlayer::stateChanged, this, &PlayListKeeper::slotStateChanged);
    connect(list, &AudioListPlayer::nextTriggered, this, &PlayListKeeper::slotStateChanged);
    connect(list, &AudioListPlayer::previousTriggered, this, &PlayListKeeper::slotStateChanged);
    connect(list, &AudioListPlayer::finished, this, &PlayListKeeper::slotStateChanged);
    connect(AudioPlayer::instance(), &AudioPlayer::seeked, this, &PlayListKeeper::slotChanged);
    connect(AudioPlayer::instance(), &AudioPlayer::finished, this, &PlayListKeeper::slotStateChanged);
    m_nSeenIndex = list->currentIndex();
    m_nSeenState = int(list->state());
}

PlayListKeeper::~PlayListKeeper()
{
    m_writer.waitForDone();
}

void PlayListKeeper::slotChanged()
{
    if (!m_soon.isActive())
        m_soon.start();
}

// The player says more than the list needs (the volume, mute): only another song or another state is written.
void PlayListKeeper::slotStateChanged()
{
    const AudioListPlayer* list = AudioListPlayer::instance();
    const int state = int(list->state());
    if (list->isPlaying() != m_whilePlaying.isActive()) {
        if (list->isPlaying())
            m_whilePlaying.start();
        else
            m_whilePlaying.stop();
    }
    if (list->currentIndex() == m_nSeenIndex && state == m_nSeenState)
        return;
    m_nSeenIndex = list->currentIndex();
    m_nSeenState = state;
    slotChanged();
}

// The list is shared, not copied, with the writing thread: the player changes its own copy from then on.
void PlayListKeeper::saveInBackground()
{
    m_soon.stop();
    const AudioListPlayer* list = AudioListPlayer::instance();
    m_writer.start([path = m_strFile, songs = list->playList(), current = qMax(0, list->currentIndex()),
                       position = list->currentPosition(), titles = ListedTitles::all()] {
        report(PlayListFile::write(path, songs, current, position, titles), s_bListFailing, ListUnwritten, path);
    });
}

void PlayListKeeper::savePlaceInBackground()
{
    const AudioListPlayer* list = AudioListPlayer::instance();
    if (list->playList().isEmpty())
        return;
    m_writer.start([path = m_strFile, current = qMax(0, list->currentIndex()), song = list->currentUrl(),
                       position = list->currentPosition()] {
        report(PlayListFile::writePlace(path, current, song, position), s_bPlaceFailing, PlaceUnwritten,
            PlayListFile::placePath(path));
    });
}

void PlayListKeeper::saveNow()
{
    m_soon.stop();
    m_writer.waitForDone();
    report(AudioListPlayer::instance()->savePlayList(m_strFile), s_bListFailing, ListUnwritten, m_strFile);
}

} // namespace QzMultiMedia

#include "LongSongPlaces.h"

#include "AudioListPlayer.h"
#include "AudioPlayer.h"
#include "MediaCommon.h"

#include <QSettings>

namespace QzMultiMedia {

namespace {
// Closer than this (or a tenth of the song) to either end, a long song counts as not begun, or as heard to its end.
constexpr qint64 EdgeMs = 30 * 1000;
} // namespace

LongSongPlaces::LongSongPlaces(const QString& iniFile, qint64 longSongMs, QObject* parent)
    : QObject(parent)
    , m_strFile(iniFile)
    , m_nLongSongMs(longSongMs)
{
    // A damaged file gives what it can: entries that are no song or no place are left out.
    QSettings file(m_strFile, QSettings::IniFormat);
    const int count = file.beginReadArray(QStringLiteral("Places"));
    for (int i = 0; i < qMin(count, KeptSongs); ++i) {
        file.setArrayIndex(i);
        const QUrl song = file.value(QStringLiteral("Song")).toUrl();
        const qint64 place
            = qBound<qint64>(0, file.value(QStringLiteral("Place")).toLongLong(), MediaCommon::LongestTimeMs);
        if (song.isValid() && !song.isEmpty() && place > 0)
            m_listPlaces << qMakePair(song, place);
    }
    file.endArray();

    AudioListPlayer* player = AudioListPlayer::instance();
    connect(player, &AudioListPlayer::nextTriggered, this, &LongSongPlaces::slotSongChanged);
    connect(player, &AudioListPlayer::previousTriggered, this, &LongSongPlaces::slotSongChanged);
    connect(&m_tmrLook, &QTimer::timeout, this, &LongSongPlaces::slotTick);
    // Looked at only while a song plays: an idle player wakes nobody up.
    connect(player, &AudioListPlayer::stateChanged, this, [this, player] {
        slotTick();
        if (player->isPlaying() && !m_tmrLook.isActive())
            m_tmrLook.start(1000);
        else if (!player->isPlaying())
            m_tmrLook.stop();
    });
    if (player->isPlaying())
        m_tmrLook.start(1000);
}

LongSongPlaces::~LongSongPlaces()
{
    keepCurrent();
}

qint64 LongSongPlaces::placeOf(const QUrl& song) const
{
    for (const auto& [known, place] : m_listPlaces) {
        if (known == song)
            return place;
    }
    return 0;
}

// The song before was left where it was last seen; the new one goes on where it was left before.
void LongSongPlaces::slotSongChanged()
{
    keepCurrent();
    AudioListPlayer* player = AudioListPlayer::instance();
    m_urlCurrent = player->currentUrl();
    m_nPosition = 0;
    m_nLength = 0;
    // The single-track player's own seek: the list's would take a place past the song before's length for Next.
    const qint64 place = placeOf(m_urlCurrent);
    if (place > 0 && player->isPlaying())
        AudioPlayer::instance()->setPosition(place);
}

// Seen every second, not asked at the change: by then the player holds the next song.
void LongSongPlaces::slotTick()
{
    AudioListPlayer* player = AudioListPlayer::instance();
    // A list brought back or replaced changes the song without a song change. The new song is looked at from the
    // next look on: the player may still tell the length of the song before.
    if (player->currentUrl() != m_urlCurrent) {
        keepCurrent();
        m_urlCurrent = player->currentUrl();
        m_nPosition = 0;
        m_nLength = 0;
        return;
    }
    if (!player->isPlaying())
        return;
    m_nPosition = player->currentPosition();
    m_nLength = AudioPlayer::instance()->duration();
}

void LongSongPlaces::keepCurrent()
{
    if (m_urlCurrent.isEmpty() || m_nLength < m_nLongSongMs)
        return;
    const qsizetype before = m_listPlaces.size();
    const qint64 oldPlace = placeOf(m_urlCurrent);
    m_listPlaces.removeIf([this](const QPair<QUrl, qint64>& entry) { return entry.first == m_urlCurrent; });
    const qint64 edge = qMin(EdgeMs, m_nLength / 10);
    const bool within = m_nPosition > edge && m_nPosition < m_nLength - edge;
    if (within) {
        m_listPlaces.prepend(qMakePair(m_urlCurrent, m_nPosition));
        if (m_listPlaces.size() > KeptSongs)
            m_listPlaces.resize(KeptSongs);
    }
    if (within ? oldPlace != m_nPosition : m_listPlaces.size() != before)
        save();
}

void LongSongPlaces::save() const
{
    QSettings file(m_strFile, QSettings::IniFormat);
    file.remove(QStringLiteral("Places"));
    file.beginWriteArray(QStringLiteral("Places"), int(m_listPlaces.size()));
    for (int i = 0; i < m_listPlaces.size(); ++i) {
        file.setArrayIndex(i);
        file.setValue(QStringLiteral("Song"), m_listPlaces.at(i).first);
        file.setValue(QStringLiteral("Place"), m_listPlaces.at(i).second);
    }
    file.endArray();
}

} // namespace QzMultiMedia

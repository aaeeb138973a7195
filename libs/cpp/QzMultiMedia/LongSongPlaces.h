#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTimer>
#include <QUrl>

namespace QzMultiMedia {

// The place reached in long songs (audiobooks, podcasts, DJ mixes: longer than twenty minutes), kept for the
// last hundred of them: a long song played again, after other songs or another list, starts where it was left.
// A song left near its start or its end starts from the beginning. Kept in a file of its own as they change.
class LongSongPlaces : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 LongSongMs = 20 * 60 * 1000;
    static constexpr int KeptSongs = 100;

    explicit LongSongPlaces(const QString& iniFile, qint64 longSongMs = LongSongMs, QObject* parent = nullptr);
    ~LongSongPlaces() override;

    // Where the song was left; 0 for none.
    qint64 placeOf(const QUrl& song) const;

private:
    void slotSongChanged();
    void slotTick();
    void keepCurrent();
    void save() const;

    QString m_strFile;
    qint64 m_nLongSongMs;
    QList<QPair<QUrl, qint64>> m_listPlaces; // the newest first
    QUrl m_urlCurrent; // the song that plays, and how far and how long it was at the last look
    qint64 m_nPosition = 0;
    qint64 m_nLength = 0;
    QTimer m_tmrLook;
};

} // namespace QzMultiMedia

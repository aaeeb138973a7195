#pragma once

#include "Equalizer.h"
#include "PlayState.h"
#include "ReplayGain.h"
#include "SongTags.h"

#include <QObject>
#include <QString>

namespace QzMultiMedia {

class NativeAudioPlayerInternal;

// What the rest of the engine sees of the native back end: the bridge's operations, the file name and muting.
class NativeAudioPlayer : public QObject
{
    Q_OBJECT

public:
    explicit NativeAudioPlayer(QObject* parent = nullptr);

    void prepare();
    static void warmUp();
    void setMedia(const QString& fileName);
    void play(const QString& fileName);
    void setUpcoming(const QStringList& fileNames);
    void play();
    void pause();
    void stop();
    void unload();

    PlayState state() const;
    bool isPlaying() const;
    bool isPaused() const;
    bool isStopped() const;
    bool isLoaded() const;

    qint64 position() const;
    void setPosition(qint64 ms);
    qint64 duration() const;

    void setVolume(double volume);
    double volume() const;
    void setBalance(float balance);
    void setReplayGain(ReplayGain gain, double untaggedDb);
    // The equalizer's bands in decibels, lowest first; heard at once.
    void setEqualizer(const EqualizerGains& gains);
    // SlowestSpeed to FastestSpeed times as fast as recorded, the pitch kept; heard at once.
    void setSpeed(double speed);
    // The output device by the sound server's name (empty: wherever the server sends a new stream); the sound
    // that plays moves to `now` at once.
    void setOutput(const QString& device, const QString& now);
    void setMuted(bool muted);
    bool isMuted() const;

    QString fileName() const;
    const SongTags& tags() const;
    bool isBuffering() const;
    bool isReconnecting() const;

signals:
    // The volume was set from outside, on the sound stream.
    void volumeChanged(double volume);
    void finished();
    void advanced();
    void positionChanged(qint64 ms);
    void unplayable();
    void ready();
    void outputFailed();
    void tagsChanged();
    void bufferingChanged();
    void reconnectEnded(bool back);
    void durationChanged(qint64 ms);
    void stateChanged();

private:
    NativeAudioPlayerInternal* m_pInternal;
    QString m_strFileName;
    double m_fSavedVolume = 0.5;
};

} // namespace QzMultiMedia

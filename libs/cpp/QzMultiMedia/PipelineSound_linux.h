#pragma once

#include "ReplayGain.h"
#include "SoundStages.h"
#include "VolumeEcho.h"

#include <QObject>

namespace QzMultiMedia {

class PipelineDriver_linux;

// How a player's pipeline sounds: its volume, and the stages between the decoder and the output (balance,
// ReplayGain, equalizer, speed). The stages in place take what they can while a song plays; a stage to add or to
// take out waits for the next song, since playbin exchanges its filter only while stopped. A song taken over
// without a gap keeps the stages of the one before.
class PipelineSound_linux : public QObject
{
    Q_OBJECT

public:
    explicit PipelineSound_linux(const PipelineDriver_linux& driver, QObject* parent = nullptr);

    // What is no volume is ignored, and a volume past full is full: the volume said is the volume heard.
    void setVolume(double volume);
    double volume() const;
    // The stream starts playing at the volume set.
    void streamStarts();
    // The stream's volume changed; `playing`: the player plays, and only then is it listened to.
    void volumeNotified(bool playing);

    void setBalance(float balance);
    void setReplayGain(ReplayGain gain, double untaggedDb);
    void setEqualizer(const EqualizerGains& gains);
    // As the user asked; true when the speed heard changed (a radio always plays at its own).
    bool setSpeed(double speed, bool stream);
    double speed() const;
    // The speed the song is played at.
    double heardSpeed() const;

    // The pipeline was made: it gets the stages as they are.
    void pipelineMade();
    // A song is set in while the pipeline stands in NULL: new stages, where needed, go in now.
    void songSetIn(bool stream);

signals:
    // The volume was set from outside, on the sound stream.
    void volumeChanged(double volume);

private:
    void applyVolume();
    void updateFilter();
    double heardFor(bool stream) const;

    const PipelineDriver_linux& m_driver;
    SoundStages m_stages;
    VolumeEcho m_volumeEcho;
    bool m_bFilterStale = false; // the pipeline's stages are not those asked for: new ones with the next song
    double m_fVolume = 0.5;
    double m_fSpeed = 1.0; // as the user asked; m_stages says what the song is played at
};

} // namespace QzMultiMedia

#pragma once

#include <QList>
#include <QObject>
#include <QString>

namespace QzMultiMedia {

// The sound server's outputs (speakers, headphones, a Bluetooth or HDMI sink) as they come and go, watched with
// GStreamer's device monitor from the first time they are asked for: a start that never looks costs nothing.
class SoundOutputs : public QObject
{
    Q_OBJECT

public:
    struct Output
    {
        QString id; // the sound server's name for it, what the player is told
        QString name; // as the user reads it
        bool isDefault = false; // the system's default output
    };

    static SoundOutputs* instance();
    ~SoundOutputs() override;

    // The outputs there now, in the order the server gives them; the watch starts with the first call.
    QList<Output> outputs();

signals:
    // An output came or went.
    void changed();

private:
    explicit SoundOutputs(QObject* parent);
    void watch();
    void refresh();

    struct Monitor;
    Monitor* m_pMonitor = nullptr;
    QList<Output> m_listOutputs;
};

} // namespace QzMultiMedia

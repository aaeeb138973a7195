#pragma once

#include <QString>
#include <QVariant>

namespace QzMultiMedia {

// What the sound library asks of the program around it: where the user's settings live and where caches go.
// The program installs one before the first player is made; without one, nothing is kept and covers go to the
// user's cache folder.
class MediaHost
{
public:
    virtual ~MediaHost() = default;

    virtual QVariant settingsValue(const QString& key, const QVariant& defaultValue) = 0;
    virtual void setSettingsValue(const QString& key, const QVariant& value) = 0;
    // Ends with a slash.
    virtual QString cachesDirectory() = 0;

    // The host is not owned and must outlive every player.
    static void install(MediaHost* host);
    static MediaHost* installed();
};

} // namespace QzMultiMedia

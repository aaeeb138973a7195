#pragma once

#include "MediaHost.h"

namespace QzWidgets {
class App;
}

// The sound library's settings and caches are the application's: the same settings file, the same cache folder.
class AppMediaHost : public QzMultiMedia::MediaHost
{
public:
    explicit AppMediaHost(QzWidgets::App* app);

    QVariant settingsValue(const QString& key, const QVariant& defaultValue) override;
    void setSettingsValue(const QString& key, const QVariant& value) override;
    QString cachesDirectory() override;

private:
    QzWidgets::App* m_pApp;
};

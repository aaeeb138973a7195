#include "AppMediaHost.h"

#include "App.h"

AppMediaHost::AppMediaHost(QzWidgets::App* app)
    : m_pApp(app)
{ }

QVariant AppMediaHost::settingsValue(const QString& key, const QVariant& defaultValue)
{
    return m_pApp->settingsValue(key, defaultValue);
}

void AppMediaHost::setSettingsValue(const QString& key, const QVariant& value)
{
    m_pApp->setSettingsValue(key, value);
}

QString AppMediaHost::cachesDirectory()
{
    return m_pApp->cachesDirectory();
}

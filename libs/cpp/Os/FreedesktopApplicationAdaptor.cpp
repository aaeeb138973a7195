#include "FreedesktopApplicationAdaptor.h"

#include "App_linux.h"

#include <QDBusArgument>
#include <QDBusVariant>
#include <QUrl>

FreedesktopApplicationAdaptor::FreedesktopApplicationAdaptor(App_linux* parent)
    : QDBusAbstractAdaptor(parent)
    , m_pApp(parent)
{ }

void FreedesktopApplicationAdaptor::Activate(const QVariantMap&)
{
    m_pApp->emitClick();
}

namespace {
QList<QUrl> urlsOf(const QStringList& uris)
{
    QList<QUrl> urls;
    for (const QString& uri : uris)
        urls << QUrl(uri);
    return urls;
}
} // namespace

void FreedesktopApplicationAdaptor::Open(const QStringList& uris, const QVariantMap&)
{
    m_pApp->emitOpen(urlsOf(uris));
}

// "enqueue" adds files to what plays, its parameter a list of URIs, as `vireo --enqueue` of a second start
// sends it. Anything else is ignored, as org.freedesktop.Application allows.
void FreedesktopApplicationAdaptor::ActivateAction(
    const QString& actionName, const QVariantList& parameter, const QVariantMap&)
{
    if (actionName == QLatin1String("jump")) {
        m_pApp->emitJump();
        return;
    }
    if (actionName != QLatin1String("enqueue") || parameter.size() != 1)
        return;
    QVariant value = parameter.constFirst();
    if (value.canConvert<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    if (value.canConvert<QDBusArgument>())
        value = qdbus_cast<QStringList>(value.value<QDBusArgument>());
    const QStringList uris = value.toStringList();
    if (!uris.isEmpty())
        m_pApp->emitAppend(urlsOf(uris));
}

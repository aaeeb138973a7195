#include "FreedesktopApplicationAdaptor.h"

#include "App_linux.h"

#include <QUrl>

FreedesktopApplicationAdaptor::FreedesktopApplicationAdaptor(App_linux* parent)
    : QDBusAbstractAdaptor(parent)
    , m_pApp(parent)
{ }

void FreedesktopApplicationAdaptor::Activate(const QVariantMap&)
{
    m_pApp->emitClick();
}

void FreedesktopApplicationAdaptor::Open(const QStringList& uris, const QVariantMap&)
{
    QList<QUrl> urls;
    for (const QString& uri : uris)
        urls << QUrl(uri);
    m_pApp->emitOpen(urls);
}

// The program offers no actions; an unknown action is ignored, as org.freedesktop.Application allows.
void FreedesktopApplicationAdaptor::ActivateAction(const QString&, const QVariantList&, const QVariantMap&) { }

#include "MprisRootAdaptor_linux.h"

#include "App_linux.h"

#include <QCoreApplication>
#include <QTimer>

MprisRootAdaptor_linux::MprisRootAdaptor_linux(QObject* parent)
    : QDBusAbstractAdaptor(parent)
{ }

QString MprisRootAdaptor_linux::identity() const
{
    return QStringLiteral("Vireo");
}

QString MprisRootAdaptor_linux::desktopEntry() const
{
    return App_linux::ownBusName();
}

QStringList MprisRootAdaptor_linux::supportedUriSchemes() const
{
    return { QStringLiteral("file"), QStringLiteral("http"), QStringLiteral("https") };
}

// Every audio type the player decodes, as the desktop entry lists them; folders are taken too, but a player is
// no folder handler.
QStringList MprisRootAdaptor_linux::supportedMimeTypes() const
{
    return { QStringLiteral("audio/mpeg"), QStringLiteral("audio/x-wav"), QStringLiteral("audio/wav"),
        QStringLiteral("audio/mp4"), QStringLiteral("audio/x-m4a"), QStringLiteral("audio/x-ms-wma"),
        QStringLiteral("audio/ac3"), QStringLiteral("audio/aac"), QStringLiteral("audio/ogg"),
        QStringLiteral("audio/x-vorbis+ogg"), QStringLiteral("audio/flac"), QStringLiteral("audio/x-flac"),
        QStringLiteral("audio/x-flac+ogg"), QStringLiteral("audio/opus"), QStringLiteral("audio/x-opus+ogg"),
        QStringLiteral("audio/x-matroska"), QStringLiteral("audio/webm"), QStringLiteral("audio/3gpp"),
        QStringLiteral("audio/x-aiff") };
}

void MprisRootAdaptor_linux::Raise() { }

void MprisRootAdaptor_linux::Quit()
{
    // After the reply has gone out, as "Quit" in the menu does.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

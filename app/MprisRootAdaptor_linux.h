#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>

// org.mpris.MediaPlayer2: who the player is and what it opens.
class MprisRootAdaptor_linux : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)

public:
    explicit MprisRootAdaptor_linux(QObject* parent);

    bool canQuit() const
    {
        return true;
    }
    bool canRaise() const
    {
        return false;
    } // a tray player has no window to bring forward
    bool hasTrackList() const
    {
        return false;
    }
    QString identity() const;
    QString desktopEntry() const;
    QStringList supportedUriSchemes() const;
    QStringList supportedMimeTypes() const;

public slots:
    void Raise();
    void Quit();
};

#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

class Vireo;

// The player as desktops see it over MPRIS 2 (media keys, sound applets, playerctl). Every command ends where
// the menu entries end, so the tray's picture and menu follow; every change the user can see is announced.
class Mpris_linux : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* serviceName = "org.mpris.MediaPlayer2.vireo";
    static constexpr const char* objectPath = "/org/mpris/MediaPlayer2";

    Mpris_linux(Vireo* vireo, const QDBusConnection& bus, QObject* parent = nullptr);
    ~Mpris_linux() override;

    bool isRegistered() const;
    Vireo* vireo() const;

    // The Player interface's properties as they stand.
    QVariantMap playerProperties() const;

    void announceSeek(qint64 positionUs);

signals:
    void seeked(qint64 positionUs);

public slots:
    void slotStateMayHaveChanged();

private:
    Vireo* m_pVireo;
    QDBusConnection m_bus;
    QVariantMap m_mapLastAnnounced;
    bool m_bRegistered = false;
};

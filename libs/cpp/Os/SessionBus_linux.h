#pragma once

#include <QDBusConnection>
#include <QObject>

class QTimer;

// The program's own connection to the session bus, made again when the bus comes back after it went away (the
// user's bus service restarted): Qt's default connection stays closed for good once its bus is gone. Whatever the
// program offers on the bus (its name, MPRIS, the tray item) is offered again on `returned`.
class SessionBus_linux : public QObject
{
    Q_OBJECT

public:
    static SessionBus_linux* instance();

    // Connected when the bus runs; a closed connection while it is away.
    QDBusConnection connection();

    static constexpr int RetryMs = 1000;

signals:
    // A new connection to the bus that came back; nothing registered on the old one is there.
    void returned();

private slots:
    void slotLost();
    void slotTryAgain();

private:
    explicit SessionBus_linux(QObject* parent);
    QString name() const;
    void open();

    static SessionBus_linux* s_pinstance;
    int m_nGeneration = 0;
    bool m_bOpened = false;
    QTimer* m_pRetry = nullptr;
};

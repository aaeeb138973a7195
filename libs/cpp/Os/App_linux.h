#pragma once

#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QUrl>

// One instance of the program per user session. The running instance owns a well-known name on the session bus
// and answers org.freedesktop.Application: Activate is a click on the program's launcher (dockClicked), Open
// hands it files, the action "enqueue" (its one parameter a list of URIs) adds files, the action "jump" asks for
// the window that finds a song of the list. A second start passes its files (or just an activation, or its
// action) to the running one and exits.
class App_linux : public QObject
{
    Q_OBJECT

public:
    static App_linux* instance();
    explicit App_linux(QObject* parent = nullptr);

    void emitClick();
    void emitOpen(const QList<QUrl>& urls);
    void emitAppend(const QList<QUrl>& urls);
    void emitJump();

    // The bus name for a domain and an application: "corvane.example" and "Vireo" give "example.corvane.Vireo".
    static QString busName(const QString& organizationDomain, const QString& applicationName);
    static QString objectPath(const QString& busName);
    // The program's own bus name; its desktop entry, autostart file and launcher entry are named after it.
    static QString ownBusName();
    // Takes the name on the session bus, or hands over to the instance that holds it: files to open, or to add
    // to what it has when append is set. Returns false when this process is a second start that has handed over
    // and should end. A start never plays beside a running player: when the holder of the name has not answered
    // for HandOverGiveUpMs, it says so and ends with a failure.
    // A start without files may name an action of the running instance instead ("jump").
    bool claimInstance(const QList<QUrl>& files = {}, bool append = false, const QString& action = QString());

    static constexpr int HandOverGiveUpMs = 120000;

signals:
    void dockClicked();
    void openRequested(const QList<QUrl>& urls);
    void appendRequested(const QList<QUrl>& urls);
    void jumpRequested();

private slots:
    // The session bus came back: the name and the object are offered again on the new connection.
    void slotRegisterAgain();

private:
    static QDBusMessage handOverCall(
        const QString& name, const QString& path, const QList<QUrl>& files, bool append, const QString& action);

    static App_linux* s_pinstance;
    bool m_bRegistered = false;
};

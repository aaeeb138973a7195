#pragma once

#include <QObject>
#include <QStringList>

// A message in the desktop's notification area. Sent without waiting for an answer; when no notification server
// answers, failed() says so and the caller tells the user another way.
class DesktopNotification : public QObject
{
    Q_OBJECT

public:
    explicit DesktopNotification(QObject* parent = nullptr);

    // Shows the message, in place of the one this object showed before while that one is on screen (a server
    // such as KDE Plasma's shows nothing for a message that replaces one it has closed already); `imagePath` names
    // a picture file to show with it (a song's cover), which servers prefer to the icon.
    void show(const QString& summary, const QString& body, const QString& iconName = QString(),
        const QString& imagePath = QString());

signals:
    void failed();

private slots:
    void slotClosed(uint id, uint reason);

private:
    void send(const QStringList& message);
    void listenForClosing();

    uint m_nShownId = 0; // the server's number for the message on screen, which the next one replaces
    bool m_bAwaitingAnswer = false;
    QStringList m_listNext; // the newest message asked for while the server had not answered: its four texts
    QString m_strListeningOn; // the bus connection NotificationClosed is heard on
};

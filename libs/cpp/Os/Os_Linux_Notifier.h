#pragma once

#include <QObject>

// Receives logind's and the session manager's notices and turns them into Os's signals.
class Os_Linux_Notifier : public QObject
{
    Q_OBJECT

public:
    explicit Os_Linux_Notifier(QObject* parent = nullptr);

public slots:
    void onPrepareForSleep(bool start);
    void onPrepareForShutdown(bool start);
    void onCommitDataRequest();
};

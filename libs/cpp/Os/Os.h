#pragma once

#include <QObject>
#include <QString>

class QWidget;

// The operating system's services behind one object: launcher badge, start at login, sleep, wake and log-out
// notifications, reveal in the file manager and the screen's scale factor.
class Os : public QObject
{
    Q_OBJECT

public:
    static Os* instance();
    ~Os() override;

    static void setAppIconNumber(int n);
    static void unsetAppIconNumber();
    static bool isAutorunAtLogon();
    static void changeAutorunAtLogon(bool on);
    static void hideWindowFromTaskBar(QWidget* w);
    static QString nativeLibraryName(const QString& name);
    static bool openFolderAndSelectFile(const QString& path);
    static double scaleFactor();
    static void setDisableSleepMode(bool disable);

signals:
    void atSwitchToStandBy();
    void atWakeUpFromStandBy();
    void atUserLogout();

private:
    Os();

    static Os* s_instance;
};

#pragma once

#include <QSystemTrayIcon>

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QMenu;

// The whole user interface: the tray icon, its menu and the transport commands. Mouse input and dropped files
// reach it through the drop catcher, a nearly invisible window kept over the icon once a second.
class Vireo : public QSystemTrayIcon
{
    Q_OBJECT

public:
    explicit Vireo(QObject* parent = nullptr);
    ~Vireo() override;

    void setLogo();
    void setDrop();
    void setAcceptDrops(bool accept);
    void guiPlay();
    void guiPause();
    void adjustWidget();
    void recreateSongsList();

    bool eventFilter(QObject* watched, QEvent* event) override;
    virtual void dragEnterEvent(QDragEnterEvent* event);
    virtual void dropEvent(QDropEvent* event);

    // The window over the icon, for whoever must reach it as the desktop does (tests, input tools).
    QLabel* dropCatcher() const;

protected:
    void timerEvent(QTimerEvent* event) override;

private slots:
    void slotPlayPause();
    void slotStop();
    void slotPrevious();
    void slotNext();
    void slotReportBugs();
    void slotAbout();
    void slotUpdateInfo();
    void slotActionPlay();
    void slotActivated(QSystemTrayIcon::ActivationReason reason);

private:
    void setStatusPicture(const QString& resource);
    void setTransportEnabled(bool enabled);
    void showPlayerState();

    QLabel* m_plblDropCatcher = nullptr;
    QMenu* m_pmnuContext = nullptr;
    QMenu* m_pmnuSongs = nullptr;
    QAction* m_pactPlayPause = nullptr;
    QAction* m_pactStop = nullptr;
    QAction* m_pactPrevious = nullptr;
    QAction* m_pactNext = nullptr;
    QAction* m_pactInfo = nullptr;
    bool m_bDragOver = false; // a drag entered the catcher and has not left it yet
};

#pragma once

#include <QList>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QUrl>

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QMenu;
class TrayIconGeometry;

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

    // The other ways in (command line, a second start, "Open with", media keys) act exactly as a drop or a menu
    // entry does. A folder among the files stands for the audio files under it.
    void playFiles(const QList<QUrl>& urls);
    enum class Transport { PlayPause, Stop, Previous, Next };
    QAction* transportAction(Transport which) const;

signals:
    // The picture or the enabled entries changed: what the user sees of the player is new.
    void stateShown();

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
    void guiStop();
    void markCurrentSong();
    QString menuText(const QString& name) const;
    void setStatusPicture(const QString& resource);
    void setTransportEnabled(bool enabled);
    void showPlayerState();
    void dressCatcher();
    void startPlayList(const QList<QUrl>& urls);

    QLabel* m_plblDropCatcher = nullptr;
    QMenu* m_pmnuContext = nullptr;
    QMenu* m_pmnuSongs = nullptr;
    QAction* m_pactPlayPause = nullptr;
    QAction* m_pactStop = nullptr;
    QAction* m_pactPrevious = nullptr;
    QAction* m_pactNext = nullptr;
    QAction* m_pactInfo = nullptr;
    QPointer<QAction> m_pactCurrentSong; // the checked entry of the "Songs" submenu
    TrayIconGeometry* m_pIconGeometry = nullptr; // the icon's place, asked of the display server only when it moved
    bool m_bDragOver = false; // a drag entered the catcher and has not left it yet
    bool m_bCatcherStale = true; // the icon changed since the catcher last took its picture
    bool m_bDressedForCompositor = false; // the catcher was last dressed for a compositing desktop
};

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
class PlayListMenu;
class TrayIconGeometry;
class WheelVolume;
class XEmbedTrayIcon;

// The player as a tray icon: its picture, its menu and the transport commands. It may come and go with the tray
// host while the player plays on; it shows the play list and the player's state as they stand and follows them
// through their signals, whoever changed them. On X11 trays, mouse input and dropped files reach it through the
// drop catcher, a nearly invisible window kept over the icon once a second; StatusNotifierItem hosts (and every
// Wayland session) take no drops, nor do X11 trays that show a copy of the icon, and there the menu offers an
// open dialog instead. Where a panel offers both kinds of tray and shows embedded icons as themselves, the icon
// is embedded, docked by the program itself if Qt would pick the other kind.
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
    // Rebuilds the "Songs" submenu from the play list.
    void recreateSongsList();

    bool eventFilter(QObject* watched, QEvent* event) override;
    virtual void dragEnterEvent(QDragEnterEvent* event);
    virtual void dropEvent(QDropEvent* event);

    // The window over the icon, for whoever must reach it as the desktop does (tests, input tools); none where the
    // icon takes no drops.
    QLabel* dropCatcher() const;
    bool takesDrops() const;

    // Opens the menu at the icon, as a left click does (at the pointer where the tray names no place).
    void showMenu();

    enum class Transport { PlayPause, Stop, Previous, Next };
    QAction* transportAction(Transport which) const;

signals:
    // "Jump to Song..." was chosen.
    void jumpRequested();
    // "ListenBrainz..." was chosen.
    void listenBrainzRequested();

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
    // Plays the song of the "Songs" entry that sent the signal.
    void slotActionPlay();
    void slotActivated(QSystemTrayIcon::ActivationReason reason);
    void slotInfo();
    void slotOpenSongs();
    void slotAddSongs();
    void slotShowState();
    void slotListChanged();

private:
    void guiStop();
    void setStatusPicture(const QString& resource);
    void setTransportEnabled(bool enabled);
    void showPlayerState();
    void dressCatcher();
    void addOpenEntry(QMenu* menu);
    void showIcon(const QIcon& icon);
    QIcon shownIcon() const;
    void showToolTip(const QString& tip);
    bool iconShown() const;
    QPoint menuPlace(const QRect& anchor) const;

    QLabel* m_plblDropCatcher = nullptr;
    XEmbedTrayIcon* m_pDockedIcon = nullptr; // the icon docked by the program itself, where Qt would not embed it
    QMenu* m_pmnuContext = nullptr;
    PlayListMenu* m_pSongs = nullptr; // the "Songs" submenu
    QAction* m_pactPlayPause = nullptr;
    QAction* m_pactStop = nullptr;
    QAction* m_pactPrevious = nullptr;
    QAction* m_pactNext = nullptr;
    QAction* m_pactInfo = nullptr;
    QAction* m_pactJump = nullptr;
    TrayIconGeometry* m_pIconGeometry = nullptr; // the icon's place, asked of the display server only when it moved
    bool m_bDragOver = false; // a drag entered the catcher and has not left it yet
    bool m_bCatcherStale = true; // the icon changed since the catcher last took its picture
    bool m_bDressedForCompositor = false; // the catcher was last dressed for a compositing desktop
    bool m_bRaiseCatcher = false; // the icon was embedded anew, above the catcher
    bool m_bItem = false; // the icon is a StatusNotifierItem, drawn by its host
    bool m_bNoDrops = false; // the tray takes no drops: the menu offers "Open Songs..." instead
    WheelVolume* m_pWheel; // the wheel over the icon, or a host's scroll over its item
};

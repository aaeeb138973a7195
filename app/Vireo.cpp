#include "Vireo.h"

#include "AboutDialog.h"
#include "App.h"
#include "AudioListPlayer.h"
#include "MakerPagesMenu.h"
#include "MenuPlace.h"
#include "OutputMenu.h"
#include "PlayListMenu.h"
#include "PlayModesMenu.h"
#include "SleepTimerMenu.h"
#include "SongChooser.h"
#include "SongIntake.h"
#include "StatusNotifierCalls.h"
#include "TrackNotifier.h"
#include "TrayHost.h"
#include "TrayIconGeometry.h"
#include "WheelVolume.h"
#include "XEmbedTrayIcon.h"

#include <QApplication>
#include <QBitmap>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QWheelEvent>

using QzMultiMedia::AudioListPlayer;
using QzMultiMedia::SongIntake;
using QzWidgets::App;

namespace {
const QString pixLogo = QStringLiteral(":/_pix/Logo.png");
const QString pixDrop = QStringLiteral(":/_pix/Drop.png");
const QString pixPlay = QStringLiteral(":/_pix/Play.png");
const QString pixPause = QStringLiteral(":/_pix/Pause.png");
const QString pixStop = QStringLiteral(":/_pix/Stop.png");
} // namespace

Vireo::Vireo(QObject* parent)
    : QSystemTrayIcon(parent)
    , m_bItem(TrayHost::isWayland() || TrayHost::isStatusNotifierHost())
    , m_bNoDrops(m_bItem || !TrayHost::embeddedIconReachable())
    , m_pWheel(new WheelVolume(this))
{
    if (!TrayHost::isWayland()) {
        if (TrayHost::docksIconItself()) {
            m_pDockedIcon = new XEmbedTrayIcon;
            m_pDockedIcon->installEventFilter(this);
        }
        m_pIconGeometry = new TrayIconGeometry(this);
    }
    // A window of ours lies only over the icon's own window, where the tray shows it.
    if (!m_bNoDrops) {
        m_plblDropCatcher = new QLabel(nullptr, Qt::WindowFlags());
        // Out of the window manager's hands: one that keeps windows off a panel's strip (xfwm4) would otherwise
        // move the catcher off the icon it must cover.
        m_plblDropCatcher->setWindowFlags(
            Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::BypassWindowManagerHint);
        m_plblDropCatcher->setAlignment(Qt::AlignCenter);
        m_plblDropCatcher->setWindowOpacity(double(0.06f));
        m_plblDropCatcher->setAcceptDrops(true);
        m_plblDropCatcher->setAttribute(Qt::WA_ShowWithoutActivating);
        m_plblDropCatcher->installEventFilter(this);
        connect(m_pIconGeometry, &TrayIconGeometry::reembedded, this, [this] { m_bRaiseCatcher = true; });
        startTimer(1000);
    }

    AudioListPlayer* player = AudioListPlayer::instance();
    connect(player, &AudioListPlayer::nextTriggered, this, &Vireo::slotUpdateInfo);
    connect(player, &AudioListPlayer::previousTriggered, this, &Vireo::slotUpdateInfo);
    connect(player, &AudioListPlayer::listChanged, this, &Vireo::slotListChanged);
    connect(player, &AudioListPlayer::listReplaced, this, &Vireo::slotListChanged);
    connect(player, &AudioListPlayer::stateChanged, this, &Vireo::slotShowState);
    connect(player, &AudioListPlayer::tagsChanged, this, &Vireo::slotUpdateInfo);
    connect(player, &AudioListPlayer::bufferingChanged, this, &Vireo::slotUpdateInfo);
    // The list ran out, or the sound output failed: show it. Queued, because a command that failed this way
    // shows the playing state right after its call returns, and the truth must come last; by then the user may
    // have started a song again, which is the truth then.
    connect(player, &AudioListPlayer::finished, this, &Vireo::slotShowState, Qt::QueuedConnection);
    connect(player, &AudioListPlayer::stopped, this, &Vireo::slotShowState, Qt::QueuedConnection);

    const auto action = [this](const QString& picture, const QString& text, void (Vireo::*slot)()) {
        auto* made = new QAction(QIcon(picture), text, this);
        connect(made, &QAction::triggered, this, slot);
        return made;
    };
    m_pactInfo = action(QStringLiteral(":/intro_hover.png"),
        m_bNoDrops ? tr("Open Songs...") : tr("Drop MP3-files into the Tray-Icon"), &Vireo::slotInfo);
    m_pactPlayPause = action(pixPlay, tr("&Play"), &Vireo::slotPlayPause);
    m_pactStop = action(pixStop, tr("&Stop"), &Vireo::slotStop);
    m_pactPrevious = action(QStringLiteral(":/_pix/Previous.png"), tr("&Previous Song"), &Vireo::slotPrevious);
    m_pactNext = action(QStringLiteral(":/_pix/Next.png"), tr("&Next Song"), &Vireo::slotNext);
    auto* pactAbout = action(QStringLiteral(":/appicon.png"), tr("About"), &Vireo::slotAbout);
    auto* pactQuit = new QAction(tr("Quit"), this);
    connect(pactQuit, &QAction::triggered, App::theApp(), &QCoreApplication::quit);

    m_pmnuContext = new QMenu();
    // A desktop that draws the menu (an item) draws each line tall (GNOME about 39 px) and gives an opened submenu
    // only the room left: there no lines between groups, so that "Songs" shows more songs.
    const auto separate = [this] {
        if (!m_bItem)
            m_pmnuContext->addSeparator();
    };
    m_pmnuContext->addAction(m_pactInfo);
    // Without drops the list's own submenu is where songs come in.
    m_pSongs = new PlayListMenu(
        m_pmnuContext,
        [this](QMenu* songs) {
            if (m_bNoDrops) {
                addOpenEntry(songs);
                songs->addSeparator();
            }
        },
        this);
    m_pSongs->setFilledAhead(m_bNoDrops); // a StatusNotifierItem: the desktop draws the menu
    connect(m_pSongs, &PlayListMenu::entryMade, this,
        [this](QAction* entry) { connect(entry, &QAction::triggered, this, &Vireo::slotActionPlay); });
    m_pactJump = m_pmnuContext->addAction(tr("Jump to Song..."), this, &Vireo::jumpRequested);
    separate();
    m_pmnuContext->addAction(m_pactPlayPause);
    m_pmnuContext->addAction(m_pactStop);
    separate();
    m_pmnuContext->addAction(m_pactPrevious);
    m_pmnuContext->addAction(m_pactNext);
    separate();
    // There the ways of playing (nine lines) wait in one submenu too, for the same room.
    QMenu* playback = m_bItem ? m_pmnuContext->addMenu(tr("Playback")) : m_pmnuContext;
    new PlayModesMenu(playback, this);
    new OutputMenu(playback, this);
    new SleepTimerMenu(playback, this);
    // An item's menu must fit the screen unscrolled: sending what is heard goes with sharing there.
    QAction* pactListenBrainz = m_pmnuContext->addAction(tr("ListenBrainz..."), this, &Vireo::listenBrainzRequested);
    separate();
    auto* pages = new MakerPagesMenu(m_pmnuContext, m_bItem, this);
    if (m_bItem) {
        m_pmnuContext->removeAction(pactListenBrainz);
        pages->menu()->addAction(pactListenBrainz);
    }
    m_pmnuContext->addAction(pactAbout);
    separate();
    m_pmnuContext->addAction(pactQuit);

    setContextMenu(m_pmnuContext);
    if (m_bItem) {
        TrayHost::announceSubmenusAhead(m_pmnuContext);
        TrayHost::announceSubmenusAhead(playback);
    }
    showToolTip(QStringLiteral("Vireo"));
    setTransportEnabled(false);

    // Trays that keep the icon out of reach of other windows (StatusNotifierItem hosts) report clicks here, and
    // the wheel over the icon through their own call.
    connect(this, &QSystemTrayIcon::activated, this, &Vireo::slotActivated);
    if (m_bNoDrops) {
        connect(StatusNotifierCalls::instance(), &StatusNotifierCalls::scrolled, this,
            [this](int delta, Qt::Orientation orientation) {
                if (orientation == Qt::Vertical)
                    m_pWheel->turn(delta);
            });
    }

    setLogo();
    // The icon may come after the player started (files on the command line, a tray that came late): it shows
    // what is there.
    if (!player->playList().isEmpty()) {
        slotListChanged();
        slotShowState();
    }
    if (!m_pDockedIcon) {
        setVisible(true);
        TrayHost::letHostDrawMenu(this);
    }
}

// The menu and the drop catcher are windows of their own, without a parent to take them along.
Vireo::~Vireo()
{
    delete m_pmnuContext;
    delete m_plblDropCatcher;
    delete m_pDockedIcon;
}

// The icon Qt shows, or the one docked by the program.
void Vireo::showIcon(const QIcon& icon)
{
    if (m_pDockedIcon)
        m_pDockedIcon->setIcon(icon);
    else
        setIcon(icon);
}

QIcon Vireo::shownIcon() const
{
    return m_pDockedIcon ? m_pDockedIcon->icon() : icon();
}

// A tool tip names the song by its tags or file name, which are text: a window's tool tip that looks like markup
// is shown as markup (a title "<img src=...>" would make the program open that file), so it goes as markup that
// says the text. An item's host takes the tool tip's title as text.
void Vireo::showToolTip(const QString& tip)
{
    const QString shown = m_bItem && !m_pDockedIcon ? tip : Qt::convertFromPlainText(tip, Qt::WhiteSpaceNoWrap);
    if (m_pDockedIcon)
        m_pDockedIcon->setToolTip(shown);
    else
        setToolTip(shown);
}

bool Vireo::iconShown() const
{
    return m_pDockedIcon ? m_pDockedIcon->isVisible() : isVisible();
}

QLabel* Vireo::dropCatcher() const
{
    return m_plblDropCatcher;
}

bool Vireo::takesDrops() const
{
    return !m_bNoDrops;
}

// Each picture also by its name in the icon theme ("vireo-play" for ":/_pix/Play.png"), where it is installed:
// a tray in another process then draws it at its own size and scale.
void Vireo::setStatusPicture(const QString& resource)
{
    // A drag over the icon keeps its picture until it leaves or drops.
    if (m_bDragOver && resource != pixDrop)
        return;
    const QString name = QStringLiteral("vireo-") + QFileInfo(resource).baseName().toLower();
    showIcon(QIcon::fromTheme(name, QIcon(resource)));
    m_bCatcherStale = true;
    if (m_plblDropCatcher && m_plblDropCatcher->isVisible())
        dressCatcher();
}

void Vireo::dressCatcher()
{
    m_bCatcherStale = false;
    m_bDressedForCompositor = TrayHost::isCompositing();
    if (m_bDressedForCompositor) {
        if (!m_plblDropCatcher->pixmap().isNull()) {
            m_plblDropCatcher->clear();
            m_plblDropCatcher->clearMask();
        }
        return;
    }
    // Without a compositor the catcher cannot be translucent and would cover the icon with a square of its own
    // background: there it wears the icon's picture, cut to the picture's shape so the tray shows around it.
    const QSize area = m_plblDropCatcher->size();
    const QPixmap picture = shownIcon().pixmap(area);
    m_plblDropCatcher->setPixmap(picture);
    const QSize shown = picture.deviceIndependentSize().toSize();
    const QPoint offset((area.width() - shown.width()) / 2, (area.height() - shown.height()) / 2);
    const QBitmap shape = picture.mask();
    if (!shape.isNull())
        m_plblDropCatcher->setMask(QRegion(QBitmap::fromPixmap(shape.scaled(shown))).translated(offset));
}

void Vireo::setLogo()
{
    setStatusPicture(pixLogo);
}

void Vireo::setDrop()
{
    setStatusPicture(pixDrop);
}

void Vireo::setAcceptDrops(bool accept)
{
    if (m_plblDropCatcher)
        m_plblDropCatcher->setAcceptDrops(accept);
}

void Vireo::guiPlay()
{
    m_pactPlayPause->setIcon(QIcon(pixPause));
    m_pactPlayPause->setText(tr("&Pause"));
    setStatusPicture(pixPlay);
}

void Vireo::guiPause()
{
    m_pactPlayPause->setIcon(QIcon(pixPlay));
    m_pactPlayPause->setText(tr("&Play"));
    setStatusPicture(pixPause);
}

void Vireo::setTransportEnabled(bool enabled)
{
    m_pactPlayPause->setEnabled(enabled);
    m_pSongs->menu()->setEnabled(enabled);
    m_pactJump->setEnabled(enabled);
    m_pactStop->setEnabled(enabled);
    m_pactPrevious->setEnabled(enabled);
    m_pactNext->setEnabled(enabled);
}

// The commands go to the player; what the icon shows afterwards comes back from it (slotShowState), as it does
// when the desktop's media keys give the same commands.
void Vireo::slotPlayPause()
{
    const TrackNotifier::Quiet fromTheIcon;
    AudioListPlayer* player = AudioListPlayer::instance();
    if (player->isPlaying())
        player->pause();
    else
        player->play();
}

void Vireo::slotShowState()
{
    AudioListPlayer* player = AudioListPlayer::instance();
    // Without songs the logo stays, whatever changes (the volume, say).
    if (player->playList().isEmpty())
        return;
    if (player->isPlaying())
        guiPlay();
    else if (player->isPaused())
        guiPause();
    else
        guiStop();
}

void Vireo::guiStop()
{
    m_pactPlayPause->setIcon(QIcon(pixPlay));
    m_pactPlayPause->setText(tr("&Play"));
    setStatusPicture(pixStop);
}

void Vireo::slotStop()
{
    AudioListPlayer::instance()->stop();
}

void Vireo::slotPrevious()
{
    const TrackNotifier::Quiet fromTheIcon;
    AudioListPlayer::instance()->slotPlayPrevious();
}

void Vireo::slotNext()
{
    const TrackNotifier::Quiet fromTheIcon;
    AudioListPlayer::instance()->slotPlayNext();
}

void Vireo::slotReportBugs() { }

void Vireo::slotAbout()
{
    QzWidgets::AboutDialog(QApplication::activeWindow()).exec();
}

void Vireo::slotUpdateInfo()
{
    // The song by its title where its tags give one ("Slow Motion", not "09 - Slow Motion.flac"); a stream's
    // address says little, the station's title for what plays says what the user hears.
    AudioListPlayer* player = AudioListPlayer::instance();
    const QString title = player->currentTags().title;
    QString name = title.isEmpty() ? player->currentName() : title;
    // Nothing is heard while a stream fills its buffer: the menu and the tool tip say why.
    if (player->isReconnecting())
        name = tr("Reconnecting: %1").arg(name);
    else if (player->isBuffering())
        name = tr("Buffering: %1").arg(name);
    m_pactInfo->setText(m_pSongs->entryText(name));
    showToolTip(name.isEmpty() ? QStringLiteral("Vireo") : name + QStringLiteral(" \u2014 Vireo"));
    m_pSongs->slotMarkCurrentSong();
}

void Vireo::slotInfo()
{
    if (m_bNoDrops && AudioListPlayer::instance()->playList().isEmpty())
        slotOpenSongs();
    else
        App::theApp()->slotHelp();
}

// Where nothing can be dropped on the icon, songs come through the open dialog, and become the play list as a
// drop's files do, or are added to it; a cancelled dialog changes nothing.
void Vireo::slotOpenSongs()
{
    SongIntake::play(SongChooser::choose(tr("Open Songs")));
}

void Vireo::slotAddSongs()
{
    SongIntake::enqueue(SongChooser::choose(tr("Add Songs")));
}

void Vireo::addOpenEntry(QMenu* menu)
{
    menu->addAction(tr("Open Songs..."), this, &Vireo::slotOpenSongs);
    menu->addAction(tr("Add Songs..."), this, &Vireo::slotAddSongs);
}

void Vireo::slotActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::Trigger) {
        // A StatusNotifierItem host names the place for the menu; without one the pointer is the best guess. The
        // place is whatever the caller sent: it is kept on a screen.
        QPoint place = StatusNotifierCalls::instance()->takeActivationPoint();
        if (place.isNull())
            place = QCursor::pos();
        m_pmnuContext->popup(menuPlace(QRect(place, QSize(1, 1))));
    } else if (reason == QSystemTrayIcon::MiddleClick)
        slotPlayPause();
}

void Vireo::showMenu()
{
    const QRect icon = m_pIconGeometry ? m_pIconGeometry->geometry() : QRect();
    m_pmnuContext->popup(menuPlace(icon.isEmpty() ? QRect(QCursor::pos(), QSize(1, 1)) : icon));
}

QPoint Vireo::menuPlace(const QRect& anchor) const
{
    return MenuPlace::onScreen(anchor, m_pmnuContext->sizeHint());
}

void Vireo::timerEvent(QTimerEvent*)
{
    adjustWidget();
}

void Vireo::adjustWidget()
{
    if (!m_plblDropCatcher)
        return;
    const QRect rect = m_pIconGeometry->geometry();
    // Qt on X11 sends no leave for a drag that was refused on entering; the pointer's place tells instead.
    if (m_bDragOver && !m_plblDropCatcher->geometry().contains(QCursor::pos())) {
        m_bDragOver = false;
        showPlayerState();
    }
    // The tick runs all day: it touches the window only when something changed, so an idle tray costs nothing.
    const bool moved = m_plblDropCatcher->geometry() != rect;
    if (moved)
        m_plblDropCatcher->setGeometry(rect);
    // A tray that hands out no geometry (StatusNotifierItem hosts) has nothing to cover.
    const bool visible = iconShown() && !rect.isEmpty();
    if (m_plblDropCatcher->isVisible() != visible)
        m_plblDropCatcher->setVisible(visible);
    // A compositor may come or go.
    const bool compositorChanged = TrayHost::isCompositing() != m_bDressedForCompositor;
    if (visible && (moved || compositorChanged || m_bCatcherStale))
        dressCatcher();
    // A tray that restarted holds the icon in a new window, stacked above the catcher: back on top.
    if (visible && m_bRaiseCatcher) {
        m_bRaiseCatcher = false;
        m_plblDropCatcher->raise();
    }
}

bool Vireo::eventFilter(QObject*, QEvent* event)
{
    switch (event->type()) {
    // Two right clicks in quick succession are a pause and a resume, not a double click to be dropped.
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            slotPlayPause();
            return true;
        }
        if (mouse->button() == Qt::LeftButton) {
            m_pmnuContext->exec(menuPlace(m_pIconGeometry->geometry()));
            return true;
        }
        return false;
    }
    case QEvent::Wheel:
        m_pWheel->turn(static_cast<QWheelEvent*>(event)->angleDelta().y());
        return true;
    case QEvent::DragEnter:
        m_bDragOver = true;
        setDrop();
        dragEnterEvent(static_cast<QDragEnterEvent*>(event));
        return false;
    case QEvent::DragLeave:
        m_bDragOver = false;
        showPlayerState();
        return false;
    case QEvent::Drop:
        m_bDragOver = false;
        dropEvent(static_cast<QDropEvent*>(event));
        return false;
    default:
        return false;
    }
}

// The one choice of the icon's picture: the logo without songs, else the state of the player, a list played to its
// end showing stopped.
void Vireo::showPlayerState()
{
    AudioListPlayer* player = AudioListPlayer::instance();
    if (player->playList().isEmpty())
        setLogo();
    else if (player->isPlaying())
        setStatusPicture(pixPlay);
    else if (player->isPaused())
        setStatusPicture(pixPause);
    else
        setStatusPicture(pixStop);
}

void Vireo::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasFormat(QStringLiteral("text/uri-list"))) {
        event->acceptProposedAction();
        // The hand takes a moment to let go over a small icon; that moment is enough to make the first song quick.
        AudioListPlayer::instance()->prepare();
    }
}

void Vireo::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty()) {
        setTransportEnabled(false);
        return;
    }
    // Folders without a single song: nothing to play, nothing the user had is replaced, and the icon shows the
    // player again. With Ctrl held the songs are added to the list instead, as file managers copy rather than move.
    const SongIntake::Done done = [icon = QPointer<Vireo>(this)](bool added) {
        if (icon && !added)
            icon->showPlayerState();
    };
    if (event->modifiers().testFlag(Qt::ControlModifier))
        SongIntake::enqueue(urls, done);
    else
        SongIntake::play(urls, done);
}

void Vireo::slotListChanged()
{
    setTransportEnabled(true);
    recreateSongsList();
    slotUpdateInfo();
}

void Vireo::recreateSongsList()
{
    m_pSongs->slotListReplaced();
}

QAction* Vireo::transportAction(Transport which) const
{
    switch (which) {
    case Transport::PlayPause:
        return m_pactPlayPause;
    case Transport::Stop:
        return m_pactStop;
    case Transport::Previous:
        return m_pactPrevious;
    case Transport::Next:
        return m_pactNext;
    }
    return nullptr;
}

void Vireo::slotActionPlay()
{
    const auto* entry = qobject_cast<const QAction*>(sender());
    if (!entry)
        return;
    const TrackNotifier::Quiet fromTheIcon;
    AudioListPlayer::instance()->slotPlayFromList(entry->data().toUrl());
}

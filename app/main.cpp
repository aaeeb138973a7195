#include "App.h"
#include "AppMediaHost.h"
#include "App_linux.h"
#include "AudioListPlayer.h"
#include "AudioPlayer.h"
#include "CommandLine.h"
#include "DesktopNotification.h"
#include "FloatingDialogs_linux.h"
#include "JumpToSongWindow.h"
#include "ListenBrainzClient.h"
#include "ListenBrainzDialog.h"
#include "LongSongPlaces.h"
#include "MediaRemote.h"
#include "Os.h"
#include "PlayListKeeper.h"
#include "Scrobbler.h"
#include "SongIntake.h"
#include "TerminationSignals.h"
#include "TrackNotifier.h"
#include "TrayHost.h"
#include "Vireo.h"
#include "VireoDeployment.h"
#include "VireoStyle.h"

#include <QTimer>

#include <cstddef>
#include <cstdio>
#include <memory>
#include <utility>

using QzMultiMedia::AudioListPlayer;
using QzMultiMedia::SongIntake;

namespace {
// Modes kept in the settings by name; a name not listed (a damaged file) is the first, which is off.
template <typename Mode> using Names = std::pair<Mode, const char*>;
constexpr Names<AudioListPlayer::Repeat> RepeatNames[] = { { AudioListPlayer::Repeat::Off, "off" },
    { AudioListPlayer::Repeat::List, "list" }, { AudioListPlayer::Repeat::Song, "song" } };
constexpr Names<QzMultiMedia::ReplayGain> GainNames[] = { { QzMultiMedia::ReplayGain::Off, "off" },
    { QzMultiMedia::ReplayGain::Track, "track" }, { QzMultiMedia::ReplayGain::Album, "album" } };
using QzMultiMedia::Equalizer;
constexpr Names<Equalizer> EqualizerNames[] = { { Equalizer::Off, "off" }, { Equalizer::BassBoost, "bass" },
    { Equalizer::TrebleBoost, "treble" }, { Equalizer::Rock, "rock" }, { Equalizer::Pop, "pop" },
    { Equalizer::Jazz, "jazz" }, { Equalizer::Classical, "classical" }, { Equalizer::Vocal, "vocal" } };
constexpr Names<TrayHost::Protocol> TrayNames[] = { { TrayHost::Protocol::Automatic, "auto" },
    { TrayHost::Protocol::Embedded, "xembed" }, { TrayHost::Protocol::StatusNotifier, "sni" } };

template <typename Mode, std::size_t N> QString nameOf(Mode mode, const Names<Mode> (&names)[N])
{
    for (const auto& [known, name] : names) {
        if (known == mode)
            return QLatin1String(name);
    }
    return QLatin1String(names[0].second);
}

template <typename Mode, std::size_t N> Mode named(const QVariant& value, const Names<Mode> (&names)[N])
{
    for (const auto& [mode, name] : names) {
        if (value.toString() == QLatin1String(name))
            return mode;
    }
    return names[0].first;
}
} // namespace

int main(int argc, char** argv)
{
    // --help, --version and the commands for a running player are answered without a display or a sound output.
    CommandLine commandLine(argc, argv);
    if (commandLine.answersAlone()) {
        const QCoreApplication core(argc, argv);
        return commandLine.answer();
    }
    // Started on files, as a file manager or the command line does: the sound engine gets ready while the user
    // interface is made, instead of after it.
    const QList<QUrl> files = commandLine.files();
    if (!files.isEmpty())
        AudioListPlayer::warmUp();
    QzWidgets::App app(argc, argv, QStringLiteral("Corvane"), QStringLiteral("Vireo"));
    AppMediaHost mediaHost(&app);
    QzMultiMedia::MediaHost::install(&mediaHost);
    FloatingDialogs_linux::install();
    // A logout or `kill` ends the program as Quit does: settings are written out, nothing is lost.
    TerminationSignals::install();
    QCoreApplication::setApplicationVersion(QStringLiteral(VIREO_VERSION));
    // Naming the domain claims the instance: a second start hands its files over and leaves right here.
    app.setCommandLineFiles(files, commandLine.appends());
    if (commandLine.jumps())
        app.setCommandLineAction(QStringLiteral("jump"));
    QCoreApplication::setOrganizationDomain(QString::fromUtf8(VireoDeployment::organizationDomain));
    // Under Wayland a window is known to the desktop by the entry it belongs to: its name and icon in the shell.
    QGuiApplication::setDesktopFileName(App_linux::ownBusName());
    app.setAppId(QStringLiteral("id") + QString::fromUtf8(VireoDeployment::storeNumber));
    const QString site = QString::fromUtf8(VireoDeployment::siteRoot);
    app.setPromotedLink(site + QStringLiteral("apps/vireo/"));
    app.setFaceBookShareLink(site + QStringLiteral("apps/vireo/vireofacebook.php"));
    app.setTwitterShareLink(site + QStringLiteral("apps/vireo/vireotwitter.php"));
    app.setVKontakteShareLink(site + QStringLiteral("apps/vireo/vireovkontakte.php"));
    app.setAppSupportPage(site + QStringLiteral("apps/vireo/"));

    app.setStyleSheet(strVireoStyle);
    app.setWindowIcon(QIcon(QStringLiteral(":/vireo.png")));

    // Slides exist in English, German and Russian; asking for the language also installs its translations,
    // before any menu text is made.
    QString language = app.currentLanguage();
    if (language != QLatin1String("en") && language != QLatin1String("de") && language != QLatin1String("ru"))
        language = QStringLiteral("en");

    // The list is kept from the first change on; its keeper comes first so that at quit it writes before the
    // player lets go of the song.
    const QString playListFile = app.workDirectory() + QStringLiteral("playlist.m3u8");
    QzMultiMedia::PlayListKeeper keeper(playListFile);
    QObject::connect(Os::instance(), &Os::atUserLogout, &keeper, &QzMultiMedia::PlayListKeeper::saveNow);
    QzMultiMedia::LongSongPlaces longSongs(app.workDirectory() + QStringLiteral("places.ini"));
    // The player and every way in but the icon exist from the start, tray or not: files from the command line, a
    // second start, "Open with" and the desktop's remote controls play whether an icon shows or not.
    MediaRemote remote;
    TrackNotifier trackNotifier;
    QObject::connect(&app, &QzWidgets::App::filesOpened, [](const QList<QUrl>& urls) { SongIntake::play(urls); });
    QObject::connect(&app, &QzWidgets::App::filesAppended, [](const QList<QUrl>& urls) { SongIntake::enqueue(urls); });
    AudioListPlayer* player = AudioListPlayer::instance();
    // Shuffle, repeat and ReplayGain as the user left them, before any list takes its order; kept as soon as they
    // change. Songs without ReplayGain tags play ReplayGainPreAmp decibels louder while it is on.
    player->setShuffleMode(app.settingsValue(QStringLiteral("Shuffle"), false).toBool());
    player->setRepeat(named(app.settingsValue(QStringLiteral("Repeat")), RepeatNames));
    player->setUntaggedGain(app.settingsValue(QStringLiteral("ReplayGainPreAmp"), 0.0).toDouble());
    player->setReplayGain(named(app.settingsValue(QStringLiteral("ReplayGain")), GainNames));
    player->setEqualizer(named(app.settingsValue(QStringLiteral("Equalizer")), EqualizerNames));
    // The output the user chose, by the sound server's name; without a choice nothing is asked of the server.
    QzMultiMedia::AudioPlayer* output = QzMultiMedia::AudioPlayer::instance();
    if (const QString chosen = app.settingsValue(QStringLiteral("Output")).toString(); !chosen.isEmpty())
        output->setOutput(chosen);
    QObject::connect(output, &QzMultiMedia::AudioPlayer::outputChanged, &app,
        [&app, output] { app.setSettingsValue(QStringLiteral("Output"), output->output()); });
    QObject::connect(player, &AudioListPlayer::modesChanged, &app, [&app, player] {
        app.setSettingsValue(QStringLiteral("Shuffle"), player->isShuffleMode());
        app.setSettingsValue(QStringLiteral("Repeat"), nameOf(player->repeat(), RepeatNames));
        app.setSettingsValue(QStringLiteral("ReplayGain"), nameOf(player->replayGain(), GainNames));
        app.setSettingsValue(QStringLiteral("Equalizer"), nameOf(player->equalizer(), EqualizerNames));
    });
    // A list too long is cut, and the user told so, also without a tray.
    DesktopNotification notice;
    QObject::connect(player, &AudioListPlayer::songsLeftOut, &notice, [&notice](qsizetype count) {
        const QString text
            = QCoreApplication::translate("main", "A list keeps %1 songs; the %2 after them were left out.")
                  .arg(QLocale().toString(AudioListPlayer::MaxSongs), QLocale().toString(count));
        std::fprintf(stderr, "vireo: %s\n", qPrintable(text));
        notice.show(QCoreApplication::translate("main", "Too many songs"), text, QStringLiteral("vireo"));
    });
    // The list of the last run comes back, unless this start names its own songs to play instead; songs to add
    // go after it.
    if (commandLine.appends()) {
        player->restorePlayList(playListFile);
        SongIntake::enqueue(files);
    } else {
        SongIntake::play(files, [player, playListFile](bool played) {
            if (!played)
                player->restorePlayList(playListFile);
        });
    }

    // The icon is one view of the player; started at login before the panel, the program waits for a tray
    // instead of showing nothing. The introduction and the reminders point at the icon, so they wait for it too.
    // "Jump to Song" comes from the menu, from another start (`vireo -j`) or from this one, tray or not; it is made
    // the first time it is asked for.
    std::unique_ptr<JumpToSongWindow> jump;
    auto showJump = [&jump, player] {
        if (!jump) {
            jump = std::make_unique<JumpToSongWindow>();
            QObject::connect(jump.get(), &JumpToSongWindow::songChosen, player, [player](int place) {
                if (place == player->currentIndex())
                    player->play();
                else
                    player->playPlace(place);
            });
        }
        jump->open();
    };
    QObject::connect(&app, &QzWidgets::App::jumpRequested, &app, showJump);
    if (commandLine.jumps())
        QTimer::singleShot(0, &app, showJump);

    // Listens go to ListenBrainz once the user gave a token; nothing of it is made before.
    std::unique_ptr<ListenBrainzClient> listens;
    std::unique_ptr<Scrobbler> scrobbler;
    const auto sendListens = [&](const QString& token, const QString& server) {
        if (!listens)
            listens = std::make_unique<ListenBrainzClient>(app.workDirectory() + QStringLiteral("listens.json"));
        listens->setAccount(token, server);
        if (!scrobbler && !token.isEmpty())
            scrobbler = std::make_unique<Scrobbler>(listens.get());
    };
    if (const QString token = app.settingsValue(QStringLiteral("ListenBrainzToken")).toString(); !token.isEmpty())
        sendListens(token, app.settingsValue(QStringLiteral("ListenBrainzServer")).toString());
    const auto askForListenBrainz = [&] {
        auto* dialog = new ListenBrainzDialog;
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(dialog, &ListenBrainzDialog::accountChanged, &app, sendListens);
        dialog->show();
    };

    std::unique_ptr<Vireo> vireo;
    auto createIcon = [&] {
        vireo = std::make_unique<Vireo>(nullptr);
        TrayHost::keepItemOnSessionBus(vireo.get());
        QObject::connect(vireo.get(), &Vireo::jumpRequested, &app, showJump);
        QObject::connect(vireo.get(), &Vireo::listenBrainzRequested, &app, askForListenBrainz);
        // The introduction shows what this desktop's tray offers: a drop on the icon, or the menu's open dialog
        // where the icon takes no drops.
        const QString set = vireo->takesDrops() ? QStringLiteral("VireoSlide") : QStringLiteral("VireoSlideOpen");
        QStringList slides;
        for (int n = 1; n <= 3; ++n)
            slides << app.bundleResourcePath() + set + QStringLiteral("%1_%2.jpg").arg(n).arg(language);
        app.setIntroductionSlides(slides);
        app.showHelpOnStart();
        app.callReminder(4, 6);
    };
    // Where a panel runs both kinds of tray, the icon is embedded unless the user chose otherwise ("Tray" =
    // "xembed", "sni" or "auto"); VIREO_TRAY says the same for one run.
    const QByteArray trayChoice = qgetenv("VIREO_TRAY");
    TrayHost::setPreferredProtocol(named(
        trayChoice.isEmpty() ? app.settingsValue(QStringLiteral("Tray")) : QVariant(QString::fromLatin1(trayChoice)),
        TrayNames));
    TrayHost trayHost;
    QObject::connect(&trayHost, &TrayHost::available, &app, createIcon);
    const auto watchForTray = [&] {
        if (!TrayHost::isAvailable()) {
            QObject::connect(&notice, &DesktopNotification::failed, [] {
                std::fputs("vireo: no system tray is running; the icon appears as soon as one starts.\n", stderr);
            });
            notice.show(QCoreApplication::translate("main", "Vireo plays without a tray icon"),
                QCoreApplication::translate("main",
                    "Open audio files with Vireo to play them, and control it with the media keys or the desktop's "
                    "sound menu. The icon appears when a system tray starts."),
                QStringLiteral("vireo"));
        }
        trayHost.watch();
    };
    // Started on songs, the user waits for the sound, not for the icon: the icon and its menus are made once the
    // first song is ready to be heard, or cannot be played, or after two seconds at the latest. Made beside the
    // song's setting up, they took the processor from it, and the first sound came later.
    QTimer iconWait; // runs while the icon waits; the connections below end with it, before what they call
    iconWait.setSingleShot(true);
    if (files.isEmpty() || commandLine.appends()) {
        watchForTray();
    } else {
        const auto showIcon = [&] {
            if (iconWait.isActive()) {
                iconWait.stop();
                watchForTray();
            }
        };
        for (const auto due : { &QzMultiMedia::AudioPlayer::ready, &QzMultiMedia::AudioPlayer::unplayable,
                 &QzMultiMedia::AudioPlayer::stopped })
            QObject::connect(output, due, &iconWait, showIcon);
        QObject::connect(&iconWait, &QTimer::timeout, &iconWait, watchForTray);
        iconWait.start(2000);
    }

    // The launcher, or a second start without files: the menu at the icon, or without one the current song.
    QObject::connect(&app, &QzWidgets::App::dockClicked, &app, [&] {
        if (vireo)
            vireo->showMenu();
        else
            trackNotifier.slotShowCurrentSong();
    });

    QApplication::setQuitOnLastWindowClosed(false);
    const int code = app.exec();
    vireo.reset();
    return code;
}

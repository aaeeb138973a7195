#include "App.h"
#include "MediaRemote.h"
#include "TerminationSignals.h"
#include "TrayHost.h"
#include "Vireo.h"
#include "VireoDeployment.h"
#include "VireoStyle.h"

#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    QzWidgets::App app(argc, argv, QStringLiteral("Corvane"), QStringLiteral("Vireo"));
    // A logout or `kill` ends the program as Quit does: settings are written out, nothing is lost.
    TerminationSignals::install();
    QCoreApplication::setApplicationVersion(QStringLiteral("1.1"));
    QCoreApplication::setOrganizationDomain(QString::fromUtf8(VireoDeployment::organizationDomain));
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
    const QString resources = app.bundleResourcePath();
    QStringList slides;
    for (int n = 1; n <= 3; ++n)
        slides << resources + QStringLiteral("VireoSlide%1_%2.jpg").arg(n).arg(language);
    app.setIntroductionSlides(slides);

    // Started before the panel (at login, say), the program waits for a tray instead of showing nothing.
    std::unique_ptr<Vireo> vireo;
    std::unique_ptr<MediaRemote> remote;
    auto createTray = [&] {
        vireo = std::make_unique<Vireo>(nullptr);
        remote = std::make_unique<MediaRemote>(vireo.get());
        // Files from the command line, a second start or the desktop's "Open with" play as a drop would.
        QObject::connect(&app, &QzWidgets::App::filesOpened, vireo.get(), &Vireo::playFiles);
        vireo->playFiles(app.openedFiles());
    };
    TrayHost trayHost;
    if (TrayHost::isAvailable()) {
        createTray();
    } else {
        std::fputs("vireo: no system tray is running; the icon appears as soon as one starts.\n", stderr);
        QObject::connect(&trayHost, &TrayHost::available, &app, createTray);
        trayHost.watch();
    }

    QApplication::setQuitOnLastWindowClosed(false);
    app.showHelpOnStart();
    app.callReminder(4, 6);
    const int code = app.exec();
    remote.reset();
    vireo.reset();
    return code;
}

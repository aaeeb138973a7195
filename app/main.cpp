#include "App.h"
#include "MediaRemote.h"
#include "TrayHost.h"
#include "Vireo.h"
#include "VireoDeployment.h"
#include "VireoStyle.h"

#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    QzWidgets::App app(argc, argv, QStringLiteral("Corvane"), QStringLiteral("Vireo"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.1"));
    QCoreApplication::setOrganizationDomain(QString::fromUtf8(VireoDeployment::organizationDomain));

    app.setStyleSheet(strVireoStyle);
    app.setWindowIcon(QIcon(QStringLiteral(":/vireo.png")));

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
    const int code = app.exec();
    remote.reset();
    vireo.reset();
    return code;
}

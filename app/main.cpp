#include "App.h"
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
    TrayHost trayHost;
    if (TrayHost::isAvailable()) {
        vireo = std::make_unique<Vireo>(nullptr);
    } else {
        std::fputs("vireo: no system tray is running; the icon appears as soon as one starts.\n", stderr);
        QObject::connect(&trayHost, &TrayHost::available, &app, [&vireo] { vireo = std::make_unique<Vireo>(nullptr); });
        trayHost.watch();
    }

    QApplication::setQuitOnLastWindowClosed(false);
    const int code = app.exec();
    vireo.reset();
    return code;
}

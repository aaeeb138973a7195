#include "App.h"
#include "VireoDeployment.h"
#include "VireoStyle.h"

int main(int argc, char** argv)
{
    QzWidgets::App app(argc, argv, QStringLiteral("Corvane"), QStringLiteral("Vireo"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.1"));
    QCoreApplication::setOrganizationDomain(QString::fromUtf8(VireoDeployment::organizationDomain));

    app.setStyleSheet(strVireoStyle);

    QApplication::setQuitOnLastWindowClosed(false);
    return app.exec();
}

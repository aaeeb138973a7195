#include "AboutDialog.h"

#include "App.h"
#include "Common.h"
#include "VireoDeployment.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace QzWidgets {

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::CustomizeWindowHint);
    setWindowTitle(QCoreApplication::applicationName() + tr(" Info"));

    m_plblLogo = new QLabel(this);
    m_plblLogo->setObjectName(QStringLiteral("LogoLabel"));
    m_plblLogo->setFixedSize(300, 300);
    m_plblLogo->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    m_plblLogo->setLineWidth(5);
    m_plblLogo->setAutoFillBackground(true);

    auto* ok = new QPushButton(tr("&Ok"), this);
    Common::applyPushButtonDetails(ok);
    connect(ok, &QPushButton::clicked, this, &QDialog::close);

    const QDate built = App::theApp()->buildDate();
    const QString site = QString::fromUtf8(VireoDeployment::siteRoot);
    auto* text = new QLabel(this);
    text->setStyleSheet(QStringLiteral("background: black;"));
    text->setOpenExternalLinks(true);
    text->setFixedHeight(85);
    text->setText(QStringLiteral("<BODY BGCOLOR=#000000><FONT COLOR=#00A0E0><CENTER>")
        + QCoreApplication::applicationName() + QStringLiteral(" Build: ")
        + built.toString(QStringLiteral("dd.MM.yyyy")) + QStringLiteral("<BR>")
        + tr("Copyright © %1 %2. All rights reserved.").arg(built.year()).arg(QCoreApplication::organizationName())
        + QStringLiteral("<BR><A HREF=\"%1\">%1</A><BR>").arg(site)
        + QStringLiteral("<IMG SRC=\":/pix/corvanelogo.png\">") + QStringLiteral("</CENTER>"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addStretch(1);
    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(10, 10, 10, 10);
    main->setSpacing(10);
    main->addWidget(m_plblLogo);
    main->addWidget(text);
    main->addLayout(buttons);
    Common::fitPushButtons(this);
}

} // namespace QzWidgets

#include "JoinWidget.h"

#include "App.h"
#include "TellWidget.h"
#include "VireoDeployment.h"

#include <QBoxLayout>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

namespace QzWidgets {

void JoinWidget::applyButtonProperties(QPushButton* button, const QString& objectName)
{
    TellWidget::applyButtonProperties(button, objectName);
}

JoinWidget::JoinWidget(QWidget* parent)
    : QFrame(parent)
    , m_strJoinTemplate(
          QString::fromUtf8(VireoDeployment::siteRoot) + QStringLiteral("apps/appscontrol/index.php?app=%1&social=%2"))
{
    App* app = App::theApp();
    struct Entry
    {
        const char* name;
        QString link;
        void (JoinWidget::*slot)();
    };
    // A network's join button shows when the app shares on that network.
    const Entry entries[] = {
        { "FaceBookJoinButton", app->faceBookShareLink(), &JoinWidget::slotFaceBookClicked },
        { "TwitterJoinButton", app->twitterShareLink(), &JoinWidget::slotTwitterClicked },
        { "VKontakteJoinButton", app->vkontakteShareLink(), &JoinWidget::slotVKontakteClicked },
        { "EmailJoinButton", QStringLiteral("mail"), &JoinWidget::slotEmailClicked },
    };
    auto* column = new QVBoxLayout;
    column->setSpacing(6);
    column->setContentsMargins(10, 10, 10, 10);
    for (const Entry& entry : entries) {
        auto* button = new QPushButton(this);
        applyButtonProperties(button, QLatin1String(entry.name));
        button->setVisible(!entry.link.isEmpty());
        connect(button, &QPushButton::clicked, this, entry.slot);
        column->addWidget(button);
    }

    const bool pocket = app->isPocketDevice();
    const QString heading = pocket ? QStringLiteral("H5") : QStringLiteral("H3");
    const QString text = QLatin1Char('<') + heading + QLatin1Char('>') + tr("Join us and stay informed about our")
        + QStringLiteral("</") + heading + QStringLiteral("><H4>") + tr("   1. One Day FREE APP Actions<br>")
        + tr("   2. APP Updates<br>") + tr("   3. New APPs<br>") + tr("   4. Important News<br>")
        + QStringLiteral("</H4>");
    auto* label = new QLabel(text, this);

    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch(0);
    row->addLayout(column);
    row->addStretch(0);
    auto* main = new QVBoxLayout(this);
    main->setSpacing(0);
    main->setContentsMargins(0, 0, 0, 0);
    main->addWidget(label);
    main->addLayout(row);
}

void JoinWidget::openJoinPage(const QString& social)
{
    QDesktopServices::openUrl(QUrl(m_strJoinTemplate.arg(QCoreApplication::applicationName(), social)));
}

void JoinWidget::slotFaceBookClicked()
{
    openJoinPage(QStringLiteral("facebook"));
}

void JoinWidget::slotTwitterClicked()
{
    openJoinPage(QStringLiteral("twitter"));
}

void JoinWidget::slotVKontakteClicked()
{
    openJoinPage(QStringLiteral("vkontakte"));
}

void JoinWidget::slotEmailClicked()
{
    openJoinPage(QStringLiteral("email"));
}

} // namespace QzWidgets

#include "TellWidget.h"

#include "App.h"

#include <QDesktopServices>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace QzWidgets {

void TellWidget::applyButtonProperties(QPushButton* button, const QString& objectName)
{
    button->setFlat(true);
    button->setFixedSize(190, 35);
    button->setObjectName(objectName);
    button->setCheckable(true);
}

TellWidget::TellWidget(QWidget* parent)
    : QFrame(parent)
{
    App* app = App::theApp();
    struct Entry
    {
        const char* name;
        QString link;
        void (TellWidget::*slot)();
    };
    const Entry entries[] = {
        { "FaceBookShareButton", app->faceBookShareLink(), &TellWidget::slotFaceBookClicked },
        { "TwitterShareButton", app->twitterShareLink(), &TellWidget::slotTwitterClicked },
        { "VKontakteShareButton", app->vkontakteShareLink(), &TellWidget::slotVKontakteClicked },
        { "EmailShareButton", QStringLiteral("mail"), &TellWidget::slotEmailClicked },
    };
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(6);
    layout->setContentsMargins(10, 10, 10, 10);
    for (const Entry& entry : entries) {
        auto* button = new QPushButton(this);
        applyButtonProperties(button, QLatin1String(entry.name));
        // An empty link hides its button, so no empty address is ever opened.
        button->setVisible(!entry.link.isEmpty());
        connect(button, &QPushButton::clicked, this, entry.slot);
        layout->addWidget(button);
    }
}

void TellWidget::slotFaceBookClicked()
{
    QDesktopServices::openUrl(QUrl(App::theApp()->faceBookShareLink()));
}

void TellWidget::slotTwitterClicked()
{
    QDesktopServices::openUrl(QUrl(App::theApp()->twitterShareLink()));
}

void TellWidget::slotVKontakteClicked()
{
    QDesktopServices::openUrl(QUrl(App::theApp()->vkontakteShareLink()));
}

void TellWidget::slotEmailClicked()
{
    App::theApp()->slotTellFriend();
}

} // namespace QzWidgets

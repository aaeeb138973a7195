#include "HelpDialog.h"

#include "App.h"
#include "Common.h"
#include "HelpViewArea.h"

#include <QBoxLayout>
#include <QPushButton>
#include <QTimer>

namespace QzWidgets {

HelpDialog::HelpDialog(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QCoreApplication::applicationName() + tr(" Introduction"));
    setObjectName(QStringLiteral("Dialog"));

    auto* close = new QPushButton(tr("&Close"), this);
    m_pcmdNeverShow = new QPushButton(tr("&Never show on start"), this);
    Common::applyPushButtonDetails(close);
    Common::applyPushButtonDetails(m_pcmdNeverShow);
    connect(close, &QPushButton::clicked, this, &HelpDialog::slotReject);
    connect(m_pcmdNeverShow, &QPushButton::clicked, this, &HelpDialog::slotNeverShowItAgain);

    m_pViewArea = new HelpViewArea(this);

    const bool pocket = App::theApp()->isPocketDevice();
    QBoxLayout* buttons = pocket ? static_cast<QBoxLayout*>(new QVBoxLayout) : new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(5);
    buttons->addStretch(1);
    buttons->addWidget(m_pcmdNeverShow);
    buttons->addWidget(close);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(6, 6, 6, 6);
    main->setSpacing(6);
    main->addWidget(m_pViewArea);
    main->addLayout(buttons);
    close->setFocus();
    Common::fitPushButtons(this);
}

void HelpDialog::addSlide(const QString& path)
{
    m_pViewArea->addSlide(path);
}

bool HelpDialog::isShowOnStartAvailable()
{
    return !App::theApp()->settingsValue(QStringLiteral("NeverShowItAgain"), false).toBool();
}

HelpViewArea* HelpDialog::viewArea() const
{
    return m_pViewArea;
}

void HelpDialog::showEvent(QShowEvent* event)
{
    m_pcmdNeverShow->setVisible(isShowOnStartAvailable());
    m_pViewArea->slotStartSlideShow();
    QDialog::showEvent(event);
}

void HelpDialog::hideEvent(QHideEvent* event)
{
    m_pViewArea->timer()->stop();
    QDialog::hideEvent(event);
}

void HelpDialog::slotReject()
{
    reject();
}

void HelpDialog::slotNeverShowItAgain()
{
    App::theApp()->setSettingsValue(QStringLiteral("NeverShowItAgain"), true);
    accept();
}

} // namespace QzWidgets

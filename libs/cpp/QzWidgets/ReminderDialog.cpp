#include "ReminderDialog.h"

#include "App.h"
#include "Common.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace QzWidgets {

ReminderDialog::ReminderDialog(QWidget* parent)
    : QDialog(parent)
{
    const QString name = QCoreApplication::applicationName();
    setWindowTitle(tr("Help Spread the Word about \"") + name + QLatin1Char('"'));
    setObjectName(QStringLiteral("Dialog"));

    m_pcmdNow = new QPushButton(this);
    m_pcmdMaybeLater1 = new QPushButton(tr("&Maybe Later"), this);
    m_pcmdMaybeLater2 = new QPushButton(tr("&Maybe Later"), this);
    m_pcmdNever = new QPushButton(tr("&Never Ask Me Again"), this);
    for (QPushButton* button : { m_pcmdNow, m_pcmdMaybeLater1, m_pcmdMaybeLater2, m_pcmdNever })
        Common::applyPushButtonDetails(button);
    connect(m_pcmdNow, &QPushButton::clicked, this, &ReminderDialog::slotNow);
    connect(m_pcmdMaybeLater1, &QPushButton::clicked, this, &ReminderDialog::slotMaybeLater);
    connect(m_pcmdMaybeLater2, &QPushButton::clicked, this, &ReminderDialog::slotMaybeLater);
    connect(m_pcmdNever, &QPushButton::clicked, this, &ReminderDialog::slotNeverAskMeAgain);

    const bool pocket = App::theApp()->isPocketDevice();
    const QString message = QStringLiteral("<CENTER>") + (pocket ? QStringLiteral("<H4>") : QStringLiteral("<H3>"))
        + tr("If you like ") + name + tr("-App,");
    m_plblMessage = new QLabel(message, this);
    m_plblMessage->setMinimumHeight(90);

    m_plblLogo = new QLabel(this);
    m_plblLogo->setObjectName(QStringLiteral("LogoLabel"));
    m_plblLogo->setFixedSize(90, 90);

    m_playoutContent = new QHBoxLayout;
    m_playoutContent->setContentsMargins(0, 0, 0, 0);
    m_playoutContent->setSpacing(0);

    QBoxLayout* top = nullptr;
    if (pocket) {
        top = new QVBoxLayout;
        auto* logoRow = new QHBoxLayout;
        logoRow->addStretch();
        logoRow->addWidget(m_plblLogo);
        logoRow->addStretch();
        top->addLayout(logoRow);
    } else {
        top = new QHBoxLayout;
        top->addWidget(m_plblLogo);
    }
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(5);
    top->addWidget(m_plblMessage);

    QBoxLayout* buttons = pocket ? static_cast<QBoxLayout*>(new QVBoxLayout) : new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(5);
    buttons->addWidget(m_pcmdMaybeLater1);
    buttons->addWidget(m_pcmdNever);
    buttons->addWidget(m_pcmdMaybeLater2);
    buttons->addWidget(m_pcmdNow);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(6, 6, 6, 6);
    main->setSpacing(1);
    main->addLayout(top);
    main->addLayout(m_playoutContent);
    main->addLayout(buttons);
}

int ReminderDialog::state() const
{
    return m_nState;
}

QString ReminderDialog::closingTags() const
{
    return (App::theApp()->isPocketDevice() ? QStringLiteral("</H4>") : QStringLiteral("</H3>"))
        + QStringLiteral("</CENTER>");
}

void ReminderDialog::focusInEvent(QFocusEvent* event)
{
    QDialog::focusInEvent(event);
    QPushButton* target = m_pcmdMaybeLater2->isVisible() ? m_pcmdMaybeLater2 : m_pcmdMaybeLater1;
    target->setFocus(Qt::OtherFocusReason);
}

void ReminderDialog::slotNow()
{
    m_nState = Now;
    accept();
}

void ReminderDialog::slotMaybeLater()
{
    m_nState = MaybeLater;
    accept();
}

void ReminderDialog::slotNeverAskMeAgain()
{
    m_nState = NeverAskAgain;
    accept();
}

} // namespace QzWidgets

#include "TellReminderDialog.h"

#include "TellWidget.h"

#include "Common.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace QzWidgets {

// Offers the share buttons: "&Never Ask Me Again", "&Maybe Later".
TellReminderDialog::TellReminderDialog(QWidget* parent)
    : ReminderDialog(parent)
{
    setWindowTitle(tr("Share"));
    m_plblMessage->setText(m_plblMessage->text() + tr("<br>Share it with Your Friends.<br>Thanks!") + closingTags());
    m_pcmdNow->hide();
    m_pcmdMaybeLater1->hide();
    m_playoutContent->addStretch(1);
    m_playoutContent->addWidget(new TellWidget(this));
    m_playoutContent->addStretch(1);
    Common::fitPushButtons(this);
}

} // namespace QzWidgets

#include "RateReminderDialog.h"

#include "Common.h"

#include <QLabel>
#include <QPushButton>

namespace QzWidgets {

// Asks for a rating in the store: "&Maybe Later", "&Never Ask Me Again", "&Rate It Now".
RateReminderDialog::RateReminderDialog(QWidget* parent)
    : ReminderDialog(parent)
{
    m_plblMessage->setText(
        m_plblMessage->text() + tr("<br>please rate it in the App Store.<br>Thanks!") + closingTags());
    m_pcmdMaybeLater2->hide();
    m_pcmdNow->setText(tr("&Rate It Now"));
    m_pcmdNow->setFocus();
    Common::fitPushButtons(this);
}

} // namespace QzWidgets

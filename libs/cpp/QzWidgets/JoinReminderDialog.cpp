#include "JoinReminderDialog.h"

#include "JoinWidget.h"

#include "Common.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace QzWidgets {

// Offers the maker's pages; the join panel brings its own text.
JoinReminderDialog::JoinReminderDialog(QWidget* parent)
    : ReminderDialog(parent)
{
    setWindowTitle(tr("Join Us"));
    m_plblMessage->hide();
    m_pcmdNow->hide();
    m_pcmdMaybeLater1->hide();
    m_playoutContent->addStretch(1);
    m_playoutContent->addWidget(new JoinWidget(this));
    m_playoutContent->addStretch(1);
    Common::fitPushButtons(this);
}

} // namespace QzWidgets

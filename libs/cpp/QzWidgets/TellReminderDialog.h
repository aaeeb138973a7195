#pragma once

#include "ReminderDialog.h"

namespace QzWidgets {

class TellReminderDialog : public ReminderDialog
{
    Q_OBJECT

public:
    explicit TellReminderDialog(QWidget* parent = nullptr);
};

} // namespace QzWidgets

#pragma once

#include "ReminderDialog.h"

namespace QzWidgets {

class RateReminderDialog : public ReminderDialog
{
    Q_OBJECT

public:
    explicit RateReminderDialog(QWidget* parent = nullptr);
};

} // namespace QzWidgets

#pragma once

#include "ReminderDialog.h"

namespace QzWidgets {

class JoinReminderDialog : public ReminderDialog
{
    Q_OBJECT

public:
    explicit JoinReminderDialog(QWidget* parent = nullptr);
};

} // namespace QzWidgets

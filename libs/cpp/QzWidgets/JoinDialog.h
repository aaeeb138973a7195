#pragma once

#include <QDialog>

namespace QzWidgets {

// The join panel in a dialog of its own, opened by the menu's "Join Us".
class JoinDialog : public QDialog
{
    Q_OBJECT

public:
    explicit JoinDialog(QWidget* parent = nullptr);
};

} // namespace QzWidgets

#pragma once

#include <QDialog>

namespace QzWidgets {

// The share panel in a dialog of its own, opened by the menu's "Share".
class TellDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TellDialog(QWidget* parent = nullptr);
};

} // namespace QzWidgets

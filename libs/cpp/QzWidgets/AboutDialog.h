#pragma once

#include <QDialog>

class QLabel;

namespace QzWidgets {

// The program's picture, its name with the build date, the notice line, the maker's site and logo.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);

private:
    QLabel* m_plblLogo;
};

} // namespace QzWidgets

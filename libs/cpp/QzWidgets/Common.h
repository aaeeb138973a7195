#pragma once

#include <QPixmap>
#include <QString>

class QMenu;
class QPushButton;
class QWidget;

namespace QzWidgets {

// Small helpers that give the framework's widgets one look.
class Common
{
public:
    static void extend(QWidget* w, const QString& objectName, const QString& toolTip);
    static void setMenuOpacity(QMenu* menu);
    static void setChartDialogOpacity(QWidget* w);
    static void applyPushButtonDetails(QPushButton* b);
    static void applyToolButtonDetails(QPushButton* b);
    static QPixmap grabScreen();
    // The standard button shows its text larger while it has the focus; widen every standard button of `w` so
    // that the larger text still fits.
    static void fitPushButtons(QWidget* w);

    // The opacity a transparency setting stands for: 1.3 - t/100, so the default 35 gives 0.95.
    static double opacityFromTransparency(int transparency);
};

} // namespace QzWidgets

#include "Common.h"

#include "App.h"
#include "Os.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QScreen>

namespace QzWidgets {

namespace {

double opacityFromSetting(const char* key)
{
    App* app = App::theApp();
    const int transparency = app ? app->settingsValue(QLatin1String(key), 35).toInt() : 35;
    return Common::opacityFromTransparency(transparency);
}

} // namespace

double Common::opacityFromTransparency(int transparency)
{
    // Computed in single precision, as the stored values always were.
    const float opacity = float(transparency) / -100.0f + 1.3f;
    return double(opacity);
}

void Common::extend(QWidget* w, const QString& objectName, const QString& toolTip)
{
    w->setObjectName(objectName);
    if (!toolTip.isEmpty())
        w->setToolTip(toolTip);
}

void Common::setMenuOpacity(QMenu* menu)
{
    const double opacity = opacityFromSetting("TransparencyParameters/ContextMenus");
    menu->setWindowOpacity(opacity);
    for (QMenu* submenu : menu->findChildren<QMenu*>())
        submenu->setWindowOpacity(opacity);
}

void Common::setChartDialogOpacity(QWidget* w)
{
    w->setWindowOpacity(opacityFromSetting("TransparencyParameters/ChartDialogs"));
}

void Common::applyPushButtonDetails(QPushButton* b)
{
    b->setObjectName(QStringLiteral("PushButton"));
    b->setFlat(true);
    b->setMinimumHeight(32);
}

void Common::applyToolButtonDetails(QPushButton* b)
{
    b->setFlat(true);
    b->setFixedSize(32, 32);
}

void Common::fitPushButtons(QWidget* w)
{
    for (QPushButton* button : w->findChildren<QPushButton*>(QStringLiteral("PushButton"))) {
        QFont focused = button->font();
        focused.setPixelSize(20);
        focused.setBold(true);
        const QString text = QString(button->text()).remove(QLatin1Char('&'));
        button->setMinimumWidth(QFontMetrics(focused).horizontalAdvance(text) + 24);
    }
}

QPixmap Common::grabScreen()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QPixmap();
    const QRect geometry = screen->geometry();
    const double scale = Os::scaleFactor();
    return screen->grabWindow(
        0, geometry.x(), geometry.y(), int(geometry.width() * scale), int(geometry.height() * scale));
}

} // namespace QzWidgets

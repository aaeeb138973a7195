#include "FloatingDialogs_linux.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

void FloatingDialogs_linux::install()
{
    if (QGuiApplication::platformName() != QLatin1String("wayland"))
        return;
    qApp->installEventFilter(new FloatingDialogs_linux(qApp));
}

// The show event comes before the window is handed to the compositor, which reads the sizes at its first showing.
bool FloatingDialogs_linux::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow() && widget->windowType() == Qt::Dialog && !widget->parentWidget())
            widget->setFixedSize(widget->size());
    }
    return false;
}

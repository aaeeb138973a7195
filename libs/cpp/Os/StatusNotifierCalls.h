#pragma once

#include <QObject>
#include <QPoint>

class QDBusMessage;

// What a StatusNotifierItem host asks of the icon beyond a plain click: where it wants the menu (Activate(x, y))
// and the mouse wheel over the icon (Scroll). Qt's own item answers both calls but drops their arguments, so they
// are read here as they arrive, just before Qt handles them.
class StatusNotifierCalls : public QObject
{
    Q_OBJECT

public:
    static StatusNotifierCalls* instance();

    // Where the host asked for the last activation, once; a null point when it named none.
    QPoint takeActivationPoint();

signals:
    // The wheel over the icon, in Qt's angle units whatever the host sends: 120 a notch (touchpads send parts of
    // it), positive up (or right).
    void scrolled(int delta, Qt::Orientation orientation);

private:
    StatusNotifierCalls() = default;
    friend void noteStatusNotifierCall(const QDBusMessage& message);

    QPoint m_activationPoint;
};

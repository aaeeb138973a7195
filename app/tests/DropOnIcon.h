#pragma once

#include "Vireo.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>

// Drops URLs on the tray icon the way Qt delivers a drag from another program: an enter, then the drop, both to
// the window over the icon. (Qt passes a drop on only after an enter.)
inline void dropOnIcon(Vireo& vireo, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vireo.dropCatcher(), &enter);
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vireo.dropCatcher(), &dropped);
}

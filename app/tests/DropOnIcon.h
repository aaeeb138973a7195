#pragma once

#include "SongIntake.h"
#include "Vireo.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QTest>
#include <QTextDocument>

// Drops URLs on the tray icon the way Qt delivers a drag from another program: an enter, then the drop, both to
// the window over the icon. (Qt passes a drop on only after an enter.) Folders and play lists are read on a
// thread of their own; it returns once what was dropped has taken effect.
inline void dropOnIcon(Vireo& vireo, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vireo.dropCatcher(), &enter);
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vireo.dropCatcher(), &dropped);
    if (!QTest::qWaitFor([] { return !QzMultiMedia::SongIntake::isBusy(); }, 20000))
        qWarning("the drop was still being read after 20 s");
}

// The text a tool tip shows: Qt shows one that looks like markup as markup.
inline QString shownToolTip(const QString& tip)
{
    if (!Qt::mightBeRichText(tip))
        return tip;
    QTextDocument document;
    document.setHtml(tip);
    return document.toPlainText();
}

#pragma once

#include <QList>
#include <QString>
#include <QUrl>

// The open dialog, where nothing can be dropped on the icon: several songs at once, through the desktop's own
// dialog where its portal answers, Qt's own elsewhere. It opens where the user last took songs from, the Music
// folder the first time.
class SongChooser
{
public:
    // The songs chosen; none for a cancelled dialog.
    static QList<QUrl> choose(const QString& title);
};

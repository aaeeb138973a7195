#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>

namespace QzMultiMedia {

// Keeps the play list, its current song and the place reached in it on disk while the program runs, not only at
// quit: after a crash, a `kill -9` or a display that dies first, the next start loses at most the last second
// or two. Writes go to a thread of their own, so a slow disk or a long list never holds up the menu.
class PlayListKeeper : public QObject
{
    Q_OBJECT

public:
    // Made before anything else asks for the player, the keeper writes the list at quit while the song is still
    // loaded (the player lets it go at quit too), with the place reached in it.
    explicit PlayListKeeper(const QString& m3u8File, QObject* parent = nullptr);
    ~PlayListKeeper() override;

    // Writes at once and returns when the file is written (quit, logout).
    void saveNow();

private:
    void slotChanged();
    void slotStateChanged();
    void saveInBackground();
    void savePlaceInBackground();

    QString m_strFile;
    QTimer m_soon; // a change is written within this time, many changes in a row once
    QTimer m_whilePlaying; // the place reached, every second while a song plays, in a file of its own
    QThreadPool m_writer; // one thread: writes land in the order they were asked for
    int m_nSeenIndex = -1;
    int m_nSeenState = -1;
};

} // namespace QzMultiMedia

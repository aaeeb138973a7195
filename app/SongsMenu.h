#pragma once

#include <QHash>
#include <QList>
#include <QMenu>

#include <functional>

// A menu of songs of the play list: one column that scrolls, and stays on the screen whatever happens to its
// entries. Its entries are made a batch at a time, each batch a few milliseconds on one turn of the event loop,
// so that neither a list of thousands nor the menu opened meanwhile ever holds up the user interface.
class SongsMenu : public QMenu
{
    Q_OBJECT

public:
    static constexpr int EntriesAtOnce = 100;

    explicit SongsMenu(const QString& title, QWidget* parent = nullptr);

    // The songs at these places of the list, each named text(place); the entries come with fill(). Where
    // heading(place) names something, a heading that cannot be chosen goes before the song's entry.
    void setSongs(const QList<int>& places, std::function<QString(int)> text, std::function<QString(int)> heading = {});
    // Makes the first batch of entries now and the rest on the following turns of the event loop.
    void fill();
    // The song at place is checked (-1: none), now or once its entry is made.
    void setCurrent(int place);
    // The entry of the song at place once it is made; nullptr before, and for a song not in this menu.
    QAction* entry(int place) const;
    // The heading before the song at place, once made.
    QAction* heading(int place) const;

signals:
    // An entry was made: its data is the song's address, its triggered() is to play it.
    void entryMade(QAction* entry);

protected:
    void actionEvent(QActionEvent* event) override;

private:
    void addBatch();

    QList<int> m_listPlaces;
    std::function<QString(int)> m_fnText;
    std::function<QString(int)> m_fnHeading;
    QHash<int, QAction*> m_hashEntries; // by place in the list
    QHash<int, QAction*> m_hashHeadings; // by the place of the song after it
    int m_nMade = 0;
    int m_nCurrent = -1;
    bool m_bFilling = false; // a batch is waiting for its turn
};

#pragma once

#include <QAction>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QMenu;
class SongsMenu;
namespace QzMultiMedia {
class SongTagReader;
}

// The context menu's "Songs" submenu, made anew for every new list. A list from one folder is one column of file
// names. A list from several folders has a submenu per folder (an album, most often), named by the album and
// its artist where the songs' tags agree on one and by the folder otherwise, its songs named by their titles;
// tags are read on a thread of their own and change the names as they come. A library of many albums kept as
// artist/album folders gets a submenu per artist first, named by the artist its songs agree on or by its folder,
// and in it one per album. The current song and the submenus that lead to it are checked. Where the desktop
// draws the menu itself (GNOME opens no submenu inside a submenu), a list from several folders is one column
// instead, each folder's songs under a heading that names it as its submenu would.
class PlayListMenu : public QObject
{
    Q_OBJECT

public:
    // Adds the submenu to the context menu at its end; `header` fills the top of every new submenu.
    PlayListMenu(QMenu* contextMenu, std::function<void(QMenu*)> header, QObject* parent);
    ~PlayListMenu() override;

    QMenu* menu() const;
    // The desktop draws the menu itself from its DBusMenu export (StatusNotifierItem hosts) and never says when a
    // submenu is about to open: every submenu gets its entries without waiting for that, and folders get headings
    // in one column instead of submenus of their own.
    void setFilledAhead(bool ahead);
    // A file name or title as an entry: elided to a third of the screen, its ampersands shown.
    QString entryText(const QString& name) const;

signals:
    // An entry for a song was made, in this submenu or one of its folders: its data is the song's address, its
    // triggered() is the user choosing it.
    void entryMade(QAction* entry);

public slots:
    void slotListReplaced();
    void slotMarkCurrentSong();

private slots:
    void slotTagsRead(int from, int to);

private:
    struct Folder
    {
        QString path;
        QList<int> places;
        QPointer<SongsMenu> menu; // made when the menu above it gets this far
    };
    // The folders under one folder: an artist's albums, most often.
    struct Group
    {
        QList<int> folders;
        int lastPlace = -1; // its songs' tags are all known once this one's are
        QPointer<SongsMenu> menu;
        bool filled = false;
    };
    // More folders than this, when they share the folders above them, are grouped by those.
    static constexpr int FoldersAtTop = 30;

    void groupFolders();
    void addFolderEntries();
    void addGroupEntries();
    void nextTurn(void (PlayListMenu::*batch)());
    void fillGroup(int group, bool markCurrent = true);
    SongsMenu* makeFolderMenu(int folder, QMenu* into);
    QString songText(int place) const;
    QString folderTitle(const Folder& folder) const;
    QString groupTitle(const Group& group) const;
    SongsMenu* menuOf(int place) const;

    QMenu* m_pmnuContext;
    std::function<void(QMenu*)> m_fnHeader;
    SongsMenu* m_pmnuSongs = nullptr;
    QzMultiMedia::SongTagReader* m_pTags = nullptr; // made with the first list that needs it
    QList<Folder> m_listFolders; // empty for a flat list
    QList<int> m_listFolderOf; // by place in the list
    int m_nFoldersMade = 0;
    QList<Group> m_listGroups; // empty unless the folders are grouped
    QList<int> m_listGroupOf; // by folder
    int m_nGroupsMade = 0;
    bool m_bFilledAhead = false;
    bool m_bHeadings = false; // the folders of this list are headings in the one column
    QPointer<QAction> m_pactCurrentFolder;
    QPointer<QAction> m_pactCurrentGroup;
};

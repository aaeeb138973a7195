#include "PlayListMenu.h"

#include "AudioListPlayer.h"
#include "SongTagReader.h"
#include "SongsMenu.h"

#include <QGuiApplication>
#include <QHash>
#include <QScreen>
#include <QTimer>

#include <numeric>

using QzMultiMedia::AudioListPlayer;

PlayListMenu::PlayListMenu(QMenu* contextMenu, std::function<void(QMenu*)> header, QObject* parent)
    : QObject(parent)
    , m_pmnuContext(contextMenu)
    , m_fnHeader(std::move(header))
{
    m_pmnuSongs = new SongsMenu(tr("Songs"), m_pmnuContext);
    m_pmnuContext->addMenu(m_pmnuSongs);
    m_fnHeader(m_pmnuSongs);
}

PlayListMenu::~PlayListMenu() = default;

QMenu* PlayListMenu::menu() const
{
    return m_pmnuSongs;
}

void PlayListMenu::setFilledAhead(bool ahead)
{
    m_bFilledAhead = ahead;
}

QString PlayListMenu::entryText(const QString& name) const
{
    constexpr int menuFrame = 100; // the style sheet's item padding, margins and borders, and the check column
    QString text = name;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const int width = qMax(menuFrame, screen->availableGeometry().width() / 3 - menuFrame);
        text = m_pmnuSongs->fontMetrics().elidedText(name, Qt::ElideMiddle, width);
    }
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

// A new list gets a new menu: taking thousands of entries out of a menu one by one costs time in the square of
// their number, while a menu dropped whole goes in one sweep.
void PlayListMenu::slotListReplaced()
{
    SongsMenu* old = m_pmnuSongs;
    m_pmnuSongs = new SongsMenu(tr("Songs"), m_pmnuContext);
    m_pmnuSongs->setEnabled(old->isEnabled());
    m_pmnuContext->insertMenu(old->menuAction(), m_pmnuSongs);
    m_pmnuContext->removeAction(old->menuAction());
    old->deleteLater();
    m_fnHeader(m_pmnuSongs);
    m_listFolders.clear();
    m_listFolderOf.clear();
    m_nFoldersMade = 0;
    m_listGroups.clear();
    m_listGroupOf.clear();
    m_nGroupsMade = 0;
    m_pactCurrentFolder = nullptr;
    m_pactCurrentGroup = nullptr;
    m_bHeadings = false;

    // Folders in the order the list first reaches them; a path's folder is all of it before the last slash.
    const QList<QUrl>& songs = AudioListPlayer::instance()->playList();
    QHash<QString, int> folderIndex;
    m_listFolderOf.reserve(songs.size());
    for (int place = 0; place < songs.size(); ++place) {
        const QString path = songs.at(place).path();
        const QString folder = path.left(path.lastIndexOf(QLatin1Char('/')));
        auto found = folderIndex.constFind(folder);
        if (found == folderIndex.constEnd()) {
            found = folderIndex.insert(folder, int(m_listFolders.size()));
            m_listFolders.append({ folder, {}, {} });
        }
        m_listFolders[*found].places.append(place);
        m_listFolderOf.append(*found);
    }

    if (m_listFolders.size() <= 1) {
        m_listFolders.clear();
        m_listFolderOf.clear();
        QList<int> places(songs.size());
        std::iota(places.begin(), places.end(), 0);
        m_pmnuSongs->setSongs(places, [this](int place) {
            return entryText(AudioListPlayer::songName(AudioListPlayer::instance()->playList().value(place)));
        });
        connect(m_pmnuSongs, &SongsMenu::entryMade, this, &PlayListMenu::entryMade);
        m_pmnuSongs->fill();
    } else {
        if (!m_pTags) {
            m_pTags = new QzMultiMedia::SongTagReader(this);
            connect(m_pTags, &QzMultiMedia::SongTagReader::tagsRead, this, &PlayListMenu::slotTagsRead);
        }
        m_pTags->read(songs);
        if (m_bFilledAhead) {
            m_bHeadings = true;
            QList<int> places(songs.size());
            std::iota(places.begin(), places.end(), 0);
            m_pmnuSongs->setSongs(
                places, [this](int place) { return songText(place); },
                [this](int place) {
                    const Folder& folder = m_listFolders.at(m_listFolderOf.at(place));
                    return folder.places.first() == place ? folderTitle(folder) : QString();
                });
            connect(m_pmnuSongs, &SongsMenu::entryMade, this, &PlayListMenu::entryMade);
            m_pmnuSongs->fill();
        } else {
            groupFolders();
            if (m_listGroups.isEmpty())
                addFolderEntries();
            else
                addGroupEntries();
        }
    }
    slotMarkCurrentSong();
}

// Folders grouped by the folder above them, in the order the list first reaches them: worth it only when there
// are many and they share those folders (Artist/Album), not when all sit side by side in one.
void PlayListMenu::groupFolders()
{
    if (m_listFolders.size() <= FoldersAtTop)
        return;
    QHash<QString, int> groupIndex;
    m_listGroupOf.reserve(m_listFolders.size());
    for (int i = 0; i < m_listFolders.size(); ++i) {
        const Folder& folder = m_listFolders.at(i);
        const QString above = folder.path.left(folder.path.lastIndexOf(QLatin1Char('/')));
        auto found = groupIndex.constFind(above);
        if (found == groupIndex.constEnd()) {
            found = groupIndex.insert(above, int(m_listGroups.size()));
            m_listGroups.append(Group());
        }
        Group& group = m_listGroups[*found];
        group.folders.append(i);
        group.lastPlace = qMax(group.lastPlace, folder.places.last());
        m_listGroupOf.append(*found);
    }
    if (m_listGroups.size() == 1 || m_listGroups.size() == m_listFolders.size()) {
        m_listGroups.clear();
        m_listGroupOf.clear();
    }
}

SongsMenu* PlayListMenu::makeFolderMenu(int index, QMenu* into)
{
    Folder& folder = m_listFolders[index];
    auto* menu = new SongsMenu(folderTitle(folder), into);
    menu->setSongs(folder.places, [this](int place) { return songText(place); });
    menu->setCurrent(AudioListPlayer::instance()->currentIndex());
    menu->menuAction()->setCheckable(true);
    connect(menu, &QMenu::aboutToShow, menu, &SongsMenu::fill);
    connect(menu, &SongsMenu::entryMade, this, &PlayListMenu::entryMade);
    into->addMenu(menu);
    folder.menu = menu;
    if (m_bFilledAhead)
        menu->fill();
    return menu;
}

// The next batch of the submenu now shown, on the next turn of the event loop; none once a new list replaced it.
void PlayListMenu::nextTurn(void (PlayListMenu::*batch)())
{
    QTimer::singleShot(0, m_pmnuSongs, [this, batch, songs = m_pmnuSongs] {
        if (songs == m_pmnuSongs)
            (this->*batch)();
    });
}

// A folder's submenu gets its entries when it is first opened; the folders themselves come a batch a turn.
void PlayListMenu::addFolderEntries()
{
    const int end = qMin(int(m_listFolders.size()), m_nFoldersMade + SongsMenu::EntriesAtOnce);
    for (; m_nFoldersMade < end; ++m_nFoldersMade)
        makeFolderMenu(m_nFoldersMade, m_pmnuSongs);
    if (m_nFoldersMade < m_listFolders.size())
        nextTurn(&PlayListMenu::addFolderEntries);
    slotMarkCurrentSong();
}

// An artist's submenu gets its albums when it is first opened; the artists come a batch a turn.
void PlayListMenu::addGroupEntries()
{
    const int end = qMin(int(m_listGroups.size()), m_nGroupsMade + SongsMenu::EntriesAtOnce);
    for (; m_nGroupsMade < end; ++m_nGroupsMade) {
        const int index = m_nGroupsMade;
        auto* menu = new SongsMenu(groupTitle(m_listGroups.at(index)), m_pmnuSongs);
        menu->menuAction()->setCheckable(true);
        connect(menu, &QMenu::aboutToShow, this, [this, index] { fillGroup(index); });
        m_pmnuSongs->addMenu(menu);
        m_listGroups[index].menu = menu;
        if (m_bFilledAhead)
            fillGroup(index, false);
    }
    if (m_nGroupsMade < m_listGroups.size())
        nextTurn(&PlayListMenu::addGroupEntries);
    slotMarkCurrentSong();
}

void PlayListMenu::fillGroup(int index, bool markCurrent)
{
    Group& group = m_listGroups[index];
    if (group.filled || !group.menu)
        return;
    group.filled = true;
    for (const int folder : std::as_const(group.folders))
        makeFolderMenu(folder, group.menu);
    if (markCurrent)
        slotMarkCurrentSong();
}

QString PlayListMenu::songText(int place) const
{
    const QString title = m_pTags ? m_pTags->tags(place).title : QString();
    return entryText(
        title.isEmpty() ? AudioListPlayer::songName(AudioListPlayer::instance()->playList().value(place)) : title);
}

// "Artist – Album" when every song of the folder read so far names the same album (the artist left out when
// none is named, and when the folder is in an artist's submenu), the folder's name until then and otherwise.
QString PlayListMenu::folderTitle(const Folder& folder) const
{
    const QString name = folder.path.mid(folder.path.lastIndexOf(QLatin1Char('/')) + 1);
    if (!m_pTags || m_pTags->readCount() <= folder.places.last())
        return entryText(name);
    const QzMultiMedia::SongTags first = m_pTags->tags(folder.places.first());
    for (const int place : folder.places) {
        const QzMultiMedia::SongTags tags = m_pTags->tags(place);
        if (tags.album.isEmpty() || tags.album != first.album)
            return entryText(name);
    }
    if (first.artist.isEmpty() || !m_listGroups.isEmpty())
        return entryText(first.album);
    return entryText(first.artist + QStringLiteral(" \u2013 ") + first.album);
}

// The artist every song of the group names, once all are read; the folder above its albums until then and
// otherwise.
QString PlayListMenu::groupTitle(const Group& group) const
{
    const Folder& any = m_listFolders.at(group.folders.first());
    const QString above = any.path.left(any.path.lastIndexOf(QLatin1Char('/')));
    const QString name = above.mid(above.lastIndexOf(QLatin1Char('/')) + 1);
    if (!m_pTags || m_pTags->readCount() <= group.lastPlace)
        return entryText(name);
    const QString artist = m_pTags->tags(any.places.first()).artist;
    for (const int folder : group.folders) {
        for (const int place : m_listFolders.at(folder).places) {
            if (artist.isEmpty() || m_pTags->tags(place).artist != artist)
                return entryText(name);
        }
    }
    return entryText(artist);
}

void PlayListMenu::slotTagsRead(int from, int to)
{
    for (int place = from; place < to && place < m_listFolderOf.size(); ++place) {
        const Folder& folder = m_listFolders.at(m_listFolderOf.at(place));
        SongsMenu* menu = menuOf(place);
        if (!menu)
            continue;
        if (QAction* entry = menu->entry(place))
            entry->setText(songText(place));
        if (place != folder.places.last())
            continue;
        if (!m_bHeadings)
            menu->setTitle(folderTitle(folder));
        else if (QAction* heading = menu->heading(folder.places.first()))
            heading->setText(folderTitle(folder));
    }
    for (const Group& group : std::as_const(m_listGroups)) {
        if (group.menu && group.lastPlace >= from && group.lastPlace < to)
            group.menu->setTitle(groupTitle(group));
    }
}

SongsMenu* PlayListMenu::menuOf(int place) const
{
    if (m_listFolders.isEmpty() || m_bHeadings)
        return m_pmnuSongs;
    return m_listFolders.value(m_listFolderOf.value(place, -1)).menu;
}

void PlayListMenu::slotMarkCurrentSong()
{
    const int current = AudioListPlayer::instance()->currentIndex();
    if (m_listFolders.isEmpty() || m_bHeadings) {
        m_pmnuSongs->setCurrent(current);
        return;
    }
    if (m_pactCurrentFolder)
        m_pactCurrentFolder->setChecked(false);
    for (const Folder& folder : std::as_const(m_listFolders)) {
        if (folder.menu)
            folder.menu->setCurrent(current);
    }
    SongsMenu* menu = menuOf(current);
    m_pactCurrentFolder = menu ? menu->menuAction() : nullptr;
    if (m_pactCurrentFolder)
        m_pactCurrentFolder->setChecked(true);
    if (m_pactCurrentGroup)
        m_pactCurrentGroup->setChecked(false);
    const int folder = m_listFolderOf.value(current, -1);
    const SongsMenu* group = m_listGroups.value(m_listGroupOf.value(folder, -1)).menu;
    m_pactCurrentGroup = group ? group->menuAction() : nullptr;
    if (m_pactCurrentGroup)
        m_pactCurrentGroup->setChecked(true);
}

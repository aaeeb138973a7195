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
    m_pactCurrentFolder = nullptr;

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
            m_listFolders.append({ folder.mid(folder.lastIndexOf(QLatin1Char('/')) + 1), {}, {} });
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
        addFolderEntries();
    }
    slotMarkCurrentSong();
}

// A folder's submenu gets its entries when it is first opened; the folders themselves come a batch a turn.
void PlayListMenu::addFolderEntries()
{
    const int end = qMin(int(m_listFolders.size()), m_nFoldersMade + SongsMenu::EntriesAtOnce);
    for (; m_nFoldersMade < end; ++m_nFoldersMade) {
        Folder& folder = m_listFolders[m_nFoldersMade];
        auto* menu = new SongsMenu(folderTitle(folder), m_pmnuSongs);
        menu->setSongs(folder.places, [this](int place) { return songText(place); });
        menu->setCurrent(AudioListPlayer::instance()->currentIndex());
        menu->menuAction()->setCheckable(true);
        connect(menu, &QMenu::aboutToShow, menu, &SongsMenu::fill);
        connect(menu, &SongsMenu::entryMade, this, &PlayListMenu::entryMade);
        m_pmnuSongs->addMenu(menu);
        folder.menu = menu;
    }
    if (m_nFoldersMade < m_listFolders.size())
        QTimer::singleShot(0, m_pmnuSongs, [this, songs = m_pmnuSongs] {
            if (songs == m_pmnuSongs)
                addFolderEntries();
        });
    slotMarkCurrentSong();
}

QString PlayListMenu::songText(int place) const
{
    const QString title = m_pTags ? m_pTags->tags(place).title : QString();
    return entryText(title.isEmpty() ? AudioListPlayer::songName(AudioListPlayer::instance()->playList().value(place))
                                     : title);
}

// "Artist – Album" when every song of the folder read so far names the same album (the artist left out when
// none is named), the folder's name until then and otherwise.
QString PlayListMenu::folderTitle(const Folder& folder) const
{
    if (!m_pTags || m_pTags->readCount() <= folder.places.last())
        return entryText(folder.name);
    const QzMultiMedia::SongTags first = m_pTags->tags(folder.places.first());
    for (const int place : folder.places) {
        const QzMultiMedia::SongTags tags = m_pTags->tags(place);
        if (tags.album.isEmpty() || tags.album != first.album)
            return entryText(folder.name);
    }
    return entryText(first.artist.isEmpty() ? first.album : first.artist + QStringLiteral(" \u2013 ") + first.album);
}

void PlayListMenu::slotTagsRead(int from, int to)
{
    for (int place = from; place < to && place < m_listFolderOf.size(); ++place) {
        const Folder& folder = m_listFolders.at(m_listFolderOf.at(place));
        if (!folder.menu)
            continue;
        if (QAction* entry = folder.menu->entry(place))
            entry->setText(songText(place));
        if (place == folder.places.last())
            folder.menu->setTitle(folderTitle(folder));
    }
}

SongsMenu* PlayListMenu::menuOf(int place) const
{
    if (m_listFolders.isEmpty())
        return m_pmnuSongs;
    return m_listFolders.value(m_listFolderOf.value(place, -1)).menu;
}

void PlayListMenu::slotMarkCurrentSong()
{
    const int current = AudioListPlayer::instance()->currentIndex();
    if (m_listFolders.isEmpty()) {
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
}

#include "SongFinder.h"

#include "AudioListPlayer.h"
#include "SongTagReader.h"

#include <QElapsedTimer>
#include <QTextDocument>

#include <algorithm>
#include <iterator>
#include <numeric>

using QzMultiMedia::AudioListPlayer;
using QzMultiMedia::SongTagReader;

SongFinder::SongFinder(QObject* parent)
    : QAbstractListModel(parent)
{
    m_tmrSearch.setInterval(0);
    connect(&m_tmrSearch, &QTimer::timeout, this, &SongFinder::slotSearchOn);
}

QString SongFinder::folded(const QString& text)
{
    // Most names are plain ASCII: lower case is all they need, and a long list is searched at once.
    if (std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 128; }))
        return text.toLower();
    QString decomposed = text.normalized(QString::NormalizationForm_KD);
    decomposed.removeIf([](QChar c) {
        const QChar::Category category = c.category();
        return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining
            || category == QChar::Mark_Enclosing;
    });
    return decomposed.toCaseFolded();
}

namespace {

// A slice of the search on one turn of the event loop: well inside a frame.
constexpr qint64 SliceNs = 6'000'000;
// A word typed is found near the start of a name; past this, a field is not searched (a title of megabytes would
// cost the whole list's search time).
constexpr qsizetype SearchedLength = 200;

} // namespace

void SongFinder::setSongs(const QList<QUrl>& songs, SongTagReader* tags)
{
    beginResetModel();
    if (m_pTags)
        disconnect(m_pTags, nullptr, this, nullptr);
    m_listSongs = songs;
    m_pTags = tags;
    if (m_pTags)
        connect(m_pTags, &SongTagReader::tagsRead, this, &SongFinder::slotTagsRead);
    m_listKeys = QList<QString>(songs.size());
    m_listWords.clear();
    m_listWaiting.clear();
    m_tmrSearch.stop();
    m_listMatches.resize(songs.size());
    std::iota(m_listMatches.begin(), m_listMatches.end(), 0);
    endResetModel();
}

const QString& SongFinder::key(int place)
{
    QString& key = m_listKeys[place];
    if (key.isNull()) {
        const QzMultiMedia::SongTags tags = m_pTags ? m_pTags->tags(place) : QzMultiMedia::SongTags();
        key = folded(tags.title.left(SearchedLength) + QLatin1Char('\n') + tags.artist.left(SearchedLength)
            + QLatin1Char('\n') + tags.album.left(SearchedLength) + QLatin1Char('\n')
            + AudioListPlayer::songName(m_listSongs.at(place)).left(SearchedLength));
    }
    return key;
}

void SongFinder::setQuery(const QString& query)
{
    const QStringList words = folded(query).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words == m_listWords)
        return;
    // Typing on narrows what was found: each old word is still within a new one, so only the songs found so far
    // are looked at again, once they were all found.
    const bool narrows = !m_listWords.isEmpty() && m_listWaiting.isEmpty()
        && std::all_of(m_listWords.cbegin(), m_listWords.cend(), [&](const QString& old) {
               return std::any_of(
                   words.cbegin(), words.cend(), [&](const QString& word) { return word.contains(old); });
           });
    QList<int> candidates;
    if (narrows) {
        candidates = m_listMatches;
    } else {
        candidates.resize(m_listSongs.size());
        std::iota(candidates.begin(), candidates.end(), 0);
    }
    m_listWords = words;
    beginResetModel();
    m_listWaiting.clear();
    if (words.isEmpty())
        m_listMatches = std::move(candidates);
    else
        m_listMatches.clear();
    endResetModel();
    if (!words.isEmpty())
        lookAt(candidates);
}

bool SongFinder::matches(int place)
{
    const QString& text = key(place);
    return std::all_of(
        m_listWords.cbegin(), m_listWords.cend(), [&text](const QString& word) { return text.contains(word); });
}

bool SongFinder::isSearching() const
{
    return !m_listWaiting.isEmpty();
}

void SongFinder::lookAt(const QList<int>& places)
{
    QList<int> waiting;
    waiting.reserve(m_listWaiting.size() + places.size());
    std::set_union(
        m_listWaiting.cbegin(), m_listWaiting.cend(), places.cbegin(), places.cend(), std::back_inserter(waiting));
    m_listWaiting = std::move(waiting);
    slotSearchOn();
}

void SongFinder::slotSearchOn()
{
    QElapsedTimer clock;
    clock.start();
    qsizetype looked = 0;
    // Songs found past the last row come as one block of rows a slice, which the view lays out once.
    QList<int> after;
    const auto addAfter = [this, &after] {
        if (after.isEmpty())
            return;
        beginInsertRows(QModelIndex(), int(m_listMatches.size()), int(m_listMatches.size() + after.size() - 1));
        m_listMatches.append(after);
        endInsertRows();
        after.clear();
    };
    while (looked < m_listWaiting.size() && (looked % 32 != 0 || clock.nsecsElapsed() < SliceNs)) {
        const int place = m_listWaiting.at(looked++);
        if (!matches(place))
            continue;
        if (m_listMatches.isEmpty() || place > m_listMatches.last()) {
            after.append(place);
            continue;
        }
        // A song whose tags came late goes where it belongs.
        addAfter();
        const auto at = std::lower_bound(m_listMatches.cbegin(), m_listMatches.cend(), place);
        if (*at == place)
            continue;
        const int row = int(at - m_listMatches.cbegin());
        beginInsertRows(QModelIndex(), row, row);
        m_listMatches.insert(row, place);
        endInsertRows();
    }
    addAfter();
    m_listWaiting.remove(0, looked);
    if (m_listWaiting.isEmpty())
        m_tmrSearch.stop();
    else if (!m_tmrSearch.isActive())
        m_tmrSearch.start();
}

// Tags that come while the window is open change the names shown, and may make songs match or stop matching.
void SongFinder::slotTagsRead(int from, int to)
{
    to = qMin(to, int(m_listSongs.size()));
    if (from >= to)
        return;
    for (int place = from; place < to; ++place)
        m_listKeys[place] = QString();
    if (m_listWords.isEmpty()) {
        emit dataChanged(index(from), index(to - 1));
        return;
    }
    // The rows of these songs go and come back as they match now; every other row stays as it is.
    const int first
        = int(std::lower_bound(m_listMatches.cbegin(), m_listMatches.cend(), from) - m_listMatches.cbegin());
    int last = int(std::lower_bound(m_listMatches.cbegin(), m_listMatches.cend(), to) - m_listMatches.cbegin());
    QList<int> again(to - from);
    std::iota(again.begin(), again.end(), from);
    if (first < last) {
        // Still matching songs keep their rows: only what no longer matches goes.
        for (int row = last - 1; row >= first; --row) {
            if (matches(m_listMatches.at(row)))
                continue;
            beginRemoveRows(QModelIndex(), row, row);
            m_listMatches.remove(row);
            endRemoveRows();
            --last;
        }
        if (first < last)
            emit dataChanged(index(first), index(last - 1));
    }
    lookAt(again);
}

int SongFinder::place(int row) const
{
    return m_listMatches.value(row, -1);
}

int SongFinder::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_listMatches.size());
}

QString SongFinder::shownText(int place) const
{
    const QzMultiMedia::SongTags tags = m_pTags ? m_pTags->tags(place) : QzMultiMedia::SongTags();
    if (tags.title.isEmpty())
        return AudioListPlayer::songName(m_listSongs.at(place));
    return tags.artist.isEmpty() ? tags.title : tags.title + QStringLiteral(" \u2014 ") + tags.artist;
}

QVariant SongFinder::data(const QModelIndex& index, int role) const
{
    const int place = this->place(index.row());
    if (place < 0 || place >= m_listSongs.size())
        return QVariant();
    if (role == Qt::DisplayRole)
        return shownText(place);
    if (role == Qt::ToolTipRole) {
        const QUrl& song = m_listSongs.at(place);
        // A tool tip is shown as markup where it looks like some; a name is text.
        return Qt::convertFromPlainText(
            song.isLocalFile() ? song.toLocalFile() : song.toString(QUrl::RemoveUserInfo), Qt::WhiteSpaceNoWrap);
    }
    return QVariant();
}

#include "SongFinder.h"

#include "AudioListPlayer.h"
#include "SongTagReader.h"

#include <algorithm>
#include <numeric>

using QzMultiMedia::AudioListPlayer;
using QzMultiMedia::SongTagReader;

SongFinder::SongFinder(QObject* parent)
    : QAbstractListModel(parent)
{ }

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
    m_listMatches.resize(songs.size());
    std::iota(m_listMatches.begin(), m_listMatches.end(), 0);
    endResetModel();
}

const QString& SongFinder::key(int place)
{
    QString& key = m_listKeys[place];
    if (key.isNull()) {
        const QzMultiMedia::SongTags tags = m_pTags ? m_pTags->tags(place) : QzMultiMedia::SongTags();
        key = folded(tags.title + QLatin1Char('\n') + tags.artist + QLatin1Char('\n') + tags.album + QLatin1Char('\n')
            + AudioListPlayer::songName(m_listSongs.at(place)));
    }
    return key;
}

void SongFinder::setQuery(const QString& query)
{
    const QStringList words = folded(query).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words == m_listWords)
        return;
    // Typing on narrows what was found: each old word is still within a new one, so only the songs found so far
    // are looked at again.
    const bool narrows
        = !m_listWords.isEmpty() && std::all_of(m_listWords.cbegin(), m_listWords.cend(), [&](const QString& old) {
              return std::any_of(words.cbegin(), words.cend(), [&](const QString& word) { return word.contains(old); });
          });
    QList<int> candidates;
    if (narrows) {
        candidates = m_listMatches;
    } else {
        candidates.resize(m_listSongs.size());
        std::iota(candidates.begin(), candidates.end(), 0);
    }
    m_listWords = words;
    QList<int> found;
    found.reserve(candidates.size());
    for (const int place : std::as_const(candidates)) {
        if (matches(place))
            found.append(place);
    }
    beginResetModel();
    m_listMatches = std::move(found);
    endResetModel();
}

bool SongFinder::matches(int place)
{
    const QString& text = key(place);
    return std::all_of(
        m_listWords.cbegin(), m_listWords.cend(), [&text](const QString& word) { return text.contains(word); });
}

// Tags that come while the window is open change the names shown, and may make songs match or stop matching.
void SongFinder::slotTagsRead(int from, int to)
{
    to = qMin(to, int(m_listSongs.size()));
    for (int place = from; place < to; ++place)
        m_listKeys[place] = QString();
    if (m_listWords.isEmpty()) {
        if (from < to)
            emit dataChanged(index(from), index(to - 1));
        return;
    }
    QList<int> found;
    found.reserve(m_listMatches.size());
    auto it = std::lower_bound(m_listMatches.cbegin(), m_listMatches.cend(), from);
    found.append(m_listMatches.cbegin(), it);
    for (int place = from; place < to; ++place) {
        if (matches(place))
            found.append(place);
    }
    found.append(std::lower_bound(it, m_listMatches.cend(), to), m_listMatches.cend());
    beginResetModel();
    m_listMatches = std::move(found);
    endResetModel();
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
        return song.isLocalFile() ? song.toLocalFile() : song.toString(QUrl::RemoveUserInfo);
    }
    return QVariant();
}

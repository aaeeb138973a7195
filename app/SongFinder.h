#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

namespace QzMultiMedia {
class SongTagReader;
}

// The songs of the play list that match what the user typed, for the "Jump to Song" window: every word of the
// query is found in the song's title, artist, album or file name, in any order, case and accents ignored. Rows
// are the matching songs in list order; each row says its place in the list.
//
// A long list is searched a slice at a time, each slice a few milliseconds on one turn of the event loop: rows come
// in as they are found, and typing never waits for the whole list. Tags read meanwhile change only the rows of
// their songs, so the row the user stands on stays chosen.
class SongFinder : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit SongFinder(QObject* parent = nullptr);

    // The list to search and, when there is one, where its tags come from as they are read.
    void setSongs(const QList<QUrl>& songs, QzMultiMedia::SongTagReader* tags);
    void setQuery(const QString& query);
    // The song of this row: its place in the list, -1 for no row.
    int place(int row) const;
    // Whether songs are still being looked at for the query.
    bool isSearching() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Text as the search sees it: lower case, accents and other marks left off ("Café" and "cafe" match).
    static QString folded(const QString& text);

private slots:
    void slotTagsRead(int from, int to);
    void slotSearchOn();

private:
    QString shownText(int place) const;
    const QString& key(int place);
    // Every word of the query is in the song's text.
    bool matches(int place);
    // Looks at these places (ascending) besides those still waiting, each one once.
    void lookAt(const QList<int>& places);

    QList<QUrl> m_listSongs;
    QPointer<QzMultiMedia::SongTagReader> m_pTags;
    QList<QString> m_listKeys; // by place; made the first time a query needs them
    QList<int> m_listMatches; // places, in list order
    QStringList m_listWords; // the query, folded
    QList<int> m_listWaiting; // places still to look at for the query, ascending
    QTimer m_tmrSearch; // looks at the next slice of m_listWaiting
};

#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QPointer>
#include <QString>
#include <QUrl>

namespace QzMultiMedia {
class SongTagReader;
}

// The songs of the play list that match what the user typed, for the "Jump to Song" window: every word of the
// query is found in the song's title, artist, album or file name, in any order, case and accents ignored. Rows
// are the matching songs in list order; each row says its place in the list.
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

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Text as the search sees it: lower case, accents and other marks left off ("Café" and "cafe" match).
    static QString folded(const QString& text);

private slots:
    void slotTagsRead(int from, int to);

private:
    QString shownText(int place) const;
    const QString& key(int place);
    // Every word of the query is in the song's text.
    bool matches(int place);

    QList<QUrl> m_listSongs;
    QPointer<QzMultiMedia::SongTagReader> m_pTags;
    QList<QString> m_listKeys; // by place; made the first time a query needs them
    QList<int> m_listMatches; // places, in list order
    QStringList m_listWords; // the query, folded
};

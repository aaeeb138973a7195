#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QListView;
class SongFinder;
namespace QzMultiMedia {
class SongTagReader;
}

// "Jump to Song": a small window over the play list that finds songs as the user types. Enter plays the chosen
// song and closes the window, Ctrl+Enter has it play after the current one and leaves the window open for more,
// Escape closes it. The arrow and page keys move through the songs found while the typing goes on.
class JumpToSongWindow : public QWidget
{
    Q_OBJECT

public:
    explicit JumpToSongWindow(QWidget* parent = nullptr);

    // Shows the window over the list as it is now, the current song chosen and the query empty.
    void open();

signals:
    // The user chose the song at this place of the list to play now.
    void songChosen(int place);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void slotQueryChanged(const QString& query);
    void slotListChanged();

private:
    int chosenPlace() const;
    void choose(int row);
    void playChosen();
    void playChosenNext();

    QLineEdit* m_pQuery;
    QListView* m_pSongs;
    QLabel* m_pStatus;
    SongFinder* m_pFinder;
    QzMultiMedia::SongTagReader* m_pTags;
    bool m_bListChanged = true; // the tags read belong to another list
};

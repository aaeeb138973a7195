#include "JumpToSongWindow.h"

#include "AudioListPlayer.h"
#include "SongFinder.h"
#include "SongTagReader.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScreen>
#include <QVBoxLayout>

using QzMultiMedia::AudioListPlayer;

JumpToSongWindow::JumpToSongWindow(QWidget* parent)
    : QWidget(parent, Qt::Dialog)
    , m_pQuery(new QLineEdit(this))
    , m_pSongs(new QListView(this))
    , m_pStatus(new QLabel(this))
    , m_pFinder(new SongFinder(this))
    , m_pTags(new QzMultiMedia::SongTagReader(this))
{
    setWindowTitle(tr("Jump to Song"));
    setObjectName(QStringLiteral("JumpToSong"));
    m_pQuery->setPlaceholderText(tr("Words of a title, artist, album or file name"));
    m_pQuery->setClearButtonEnabled(true);
    m_pQuery->installEventFilter(this);
    // Rows of one height let the view lay out a hundred thousand songs without measuring each.
    m_pSongs->setUniformItemSizes(true);
    m_pSongs->setModel(m_pFinder);
    m_pSongs->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pSongs->setFocusPolicy(Qt::NoFocus);
    // It names songs: their titles are text, never markup (a title may say <img src=...>).
    m_pStatus->setTextFormat(Qt::PlainText);
    m_pStatus->setText(tr("Enter plays the song, Ctrl+Enter plays it next, Esc closes."));
    m_pStatus->setWordWrap(true);
    // The program's style sheet makes labels white for its dark dialogs; this window keeps the desktop's colours,
    // where white was unreadable on the light window.
    m_pStatus->setStyleSheet(QStringLiteral("QLabel { color: palette(window-text); }"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pQuery);
    layout->addWidget(m_pSongs);
    layout->addWidget(m_pStatus);
    connect(m_pQuery, &QLineEdit::textChanged, this, &JumpToSongWindow::slotQueryChanged);
    connect(m_pSongs, &QListView::activated, this, &JumpToSongWindow::playChosen);
    // Songs found after the query changed: the first of them is the one Enter plays until the user moves.
    connect(m_pFinder, &SongFinder::rowsInserted, this, [this] {
        if (!m_pSongs->currentIndex().isValid())
            choose(0);
    });
    AudioListPlayer* player = AudioListPlayer::instance();
    connect(player, &AudioListPlayer::listReplaced, this, &JumpToSongWindow::slotListChanged);
    connect(player, &AudioListPlayer::listChanged, this, &JumpToSongWindow::slotListChanged);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        resize(qMin(560, screen->availableGeometry().width()), qMin(520, screen->availableGeometry().height()));
}

void JumpToSongWindow::open()
{
    const QList<QUrl>& songs = AudioListPlayer::instance()->playList();
    // Tags are read once per list, on their own thread; names fill in as they come.
    if (m_bListChanged) {
        m_pTags->read(songs);
        m_bListChanged = false;
    }
    m_pFinder->setSongs(songs, m_pTags);
    m_pQuery->clear();
    choose(AudioListPlayer::instance()->currentIndex());
    show();
    raise();
    activateWindow();
    m_pQuery->setFocus();
}

void JumpToSongWindow::slotListChanged()
{
    m_bListChanged = true;
    if (isVisible())
        open();
}

void JumpToSongWindow::slotQueryChanged(const QString& query)
{
    m_pFinder->setQuery(query);
    choose(0);
}

void JumpToSongWindow::choose(int row)
{
    const QModelIndex index = m_pFinder->index(qBound(0, row, qMax(0, m_pFinder->rowCount() - 1)));
    m_pSongs->setCurrentIndex(index);
    m_pSongs->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

int JumpToSongWindow::chosenPlace() const
{
    return m_pFinder->place(m_pSongs->currentIndex().row());
}

void JumpToSongWindow::playChosen()
{
    const int place = chosenPlace();
    if (place < 0)
        return;
    close();
    emit songChosen(place);
}

void JumpToSongWindow::playChosenNext()
{
    const int place = chosenPlace();
    if (place < 0)
        return;
    AudioListPlayer::instance()->playAfterCurrent(place);
    m_pStatus->setText(tr("Plays next: %1").arg(m_pFinder->data(m_pSongs->currentIndex()).toString()));
}

// The typing stays in the query while the keys that move through a list move through the songs found.
bool JumpToSongWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pQuery && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            QApplication::sendEvent(m_pSongs, event);
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void JumpToSongWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() & Qt::ControlModifier)
            playChosenNext();
        else
            playChosen();
        return;
    case Qt::Key_Escape:
        close();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

#pragma once

#include "AudioFixtures.h"
#include "AudioListPlayer.h"
#include "AudioPlayer.h"
#include "DropOnIcon.h"
#include "JumpToSongWindow.h"
#include "ListedTitles.h"
#include "SongFinder.h"
#include "SongIntake.h"
#include "SongTagReader.h"
#include "Vireo.h"
#include "VireoTestMain.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>

#include <functional>

using QzMultiMedia::AudioListPlayer;
using QzMultiMedia::ListedTitles;
using QzMultiMedia::SongIntake;

inline QImage pictureOf(const QIcon& icon)
{
    return icon.pixmap(22, 22).toImage();
}

inline QImage resourcePicture(const QString& name)
{
    return pictureOf(QIcon(name));
}

// The menu as the user reads it: texts, "-" for separators, submenus by title.
inline QStringList entries(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

inline QAction* entry(const QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

// The tray controller, driven the way the desktop drives it: events on the drop catcher and menu entries.
class TrayControllerTest : public QObject
{
    Q_OBJECT

protected:
    QTemporaryDir m_dir;
    QUrl a, b, c;
    QString marker;

    QMenu* songs(Vireo& vireo)
    {
        return entry(vireo.contextMenu(), QStringLiteral("Songs"))->menu();
    }

    void rightClick(Vireo& vireo)
    {
        QMouseEvent press(
            QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton, Qt::RightButton, Qt::NoModifier);
        QCoreApplication::sendEvent(vireo.dropCatcher(), &press);
    }

    bool transportEnabled(Vireo& vireo, bool enabled)
    {
        const QMenu* menu = vireo.contextMenu();
        for (const char* text :
            { "&Play", "&Pause", "&Stop", "&Previous Song", "&Next Song", "Songs", "Jump to Song..." }) {
            if (QAction* action = entry(menu, QLatin1String(text)); action && action->isEnabled() != enabled)
                return false;
        }
        return true;
    }

    // The test radio, serving the test's folder; its address, empty when it did not start.
    QString startRadio(QProcess& radio) const
    {
        radio.start(QStringLiteral("python3"),
            { QStringLiteral(VIREO_STREAM_SERVER), m_dir.path(), QStringLiteral("Night Song") });
        if (!QTest::qWaitFor([&] { return radio.canReadLine(); }, 10000))
            return QString();
        return QStringLiteral("http://127.0.0.1:%1/")
            .arg(QString::fromUtf8(radio.readLine()).section(QLatin1Char(' '), 1).trimmed());
    }

protected slots:
    void initTestCase()
    {
        a = QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("First Song.wav")));
        b = QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("second.ogg")));
        c = QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("third.mp3")));
        QVERIFY(AudioFixtures::makeTone(a.toLocalFile(), 20000));
        QVERIFY(AudioFixtures::makeTone(b.toLocalFile(), 20000));
        QVERIFY(AudioFixtures::makeTone(c.toLocalFile(), 20000));
        marker = QzWidgets::App::theApp()->bundleResourcePath() + QStringLiteral("independent");
        QDir().mkpath(QzWidgets::App::theApp()->bundleResourcePath());
    }
};

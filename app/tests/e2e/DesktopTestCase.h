#pragma once

#include "AudioFixtures.h"
#include "DesktopSession.h"
#include "MenuLines.h"
#include "SessionTestMain.h"
#include "VireoProcess.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include <unistd.h>

// What the test of each desktop shares: the real program in a home of its own, a list from two folders, and the
// checks every desktop gets in the same words (the wheel over the icon, a song chosen in the menu and heard). The
// desktop's own test finds the icon, opens the menu and walks it as that desktop draws them.
class DesktopTestCase : public QObject
{
    Q_OBJECT

protected:
    QTemporaryDir m_media;
    VireoProcess m_vireo;

    QString file(const QString& name) const
    {
        return m_media.filePath(name);
    }

    // Alpha/one.wav and Beta/two.wav, one tone of `ms`: the menu's last song is the other folder's, in a submenu
    // of its own where the desktop's menus can nest.
    bool makeTwoFolders(int ms)
    {
        return QDir().mkpath(file(QStringLiteral("Alpha"))) && QDir().mkpath(file(QStringLiteral("Beta")))
            && AudioFixtures::makeTone(file(QStringLiteral("Alpha/one.wav")), ms, 440)
            && QFile::copy(file(QStringLiteral("Alpha/one.wav")), file(QStringLiteral("Beta/two.wav")));
    }

    QStringList twoFolders() const
    {
        return { file(QStringLiteral("Alpha/one.wav")), file(QStringLiteral("Beta/two.wav")) };
    }

    // F1/"F1 Song 01.wav" to F3/"F3 Song <songs>.wav", links to Alpha/one.wav (made first): a list whose second
    // folder sits between two others. Empty where a file could not be made.
    QStringList makeThreeFolders(int songs)
    {
        QStringList list;
        for (int folder = 1; folder <= 3; ++folder) {
            if (!QDir().mkpath(file(QStringLiteral("F%1").arg(folder))))
                return {};
            for (int song = 1; song <= songs; ++song) {
                const QString name
                    = file(QStringLiteral("F%1/F%1 Song %2.wav").arg(folder).arg(song, 2, 10, QLatin1Char('0')));
                if (::link(QFile::encodeName(file(QStringLiteral("Alpha/one.wav"))).constData(),
                        QFile::encodeName(name).constData())
                    != 0)
                    return {};
                list << name;
            }
        }
        return list;
    }

    // In "Songs" of makeThreeFolders' list, open at `songs`, one column: "Open Songs..." and "Add Songs...", then
    // each folder's heading (which does not light up) and its songs. The fifteenth line that lights up is the
    // second folder's third song; all fifteen are found without the menu scrolling, and the song is clicked with
    // `click` and heard. Empty when so; else what went otherwise.
    static QString secondFoldersThirdSongPlays(
        const MenuLines& lines, const QRect& songs, const std::function<void(QPoint)>& click)
    {
        const QList<QRect> found = lines.of(songs, 15);
        if (found.size() != 15)
            return QStringLiteral("%1 lines light up in Songs at %2")
                .arg(found.size())
                .arg(DesktopSession::geometry(songs));
        click(found.at(14).center());
        return heardPlaying(QStringLiteral("F2 Song 03.wav"));
    }

    // Empty when `notch` (a notch of the wheel, as the desktop passes it on) turned the player's volume by `by`;
    // else what it did.
    static QString turnsTheVolume(const std::function<void()>& notch, double by)
    {
        const double before = VireoProcess::volume();
        notch();
        if (DesktopSession::waitFor([&] { return qAbs(VireoProcess::volume() - (before + by)) < 0.001; }, 3000))
            return QString();
        return QStringLiteral("%1 after %2").arg(VireoProcess::volume()).arg(before);
    }

    // The song of that title is the one that plays, and the sink plays it.
    static QString heardPlaying(const QString& title)
    {
        if (!DesktopSession::waitFor([&] { return VireoProcess::title() == title; }, 5000))
            return QStringLiteral("\"%1\" plays").arg(VireoProcess::title());
        return SessionTest::level(600) > 1000.0 ? QString() : QStringLiteral("nothing heard");
    }

protected slots:
    // A case that failed half way leaves its program running; the next one starts afresh.
    void cleanup()
    {
        m_vireo.quit();
    }
};

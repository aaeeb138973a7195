#include "TrayControllerTest.h"

// Finding a song: the Songs submenu with its folders and artists, the open dialog, and the Jump window.
class TestSongsMenu : public TrayControllerTest
{
    Q_OBJECT

private slots:
    void songsSubmenu()
    {
        Vireo vireo;
        const QUrl folder = QUrl::fromLocalFile(m_dir.path());
        const QString odd = m_dir.filePath(QStringLiteral("#1 (100%) & co.ogg"));
        QVERIFY(QFile::copy(b.toLocalFile(), odd));
        const auto removeOdd = qScopeGuard([&] { QFile::remove(odd); });
        dropOnIcon(vireo, { a, b, a, folder });
        // The folder stands for its songs; a list from one folder is one column, names shown as written, "&"
        // included.
        QCOMPARE(entries(songs(vireo)),
            (QStringList { "First Song.wav", "second.ogg", "First Song.wav", "#1 (100%) && co.ogg", "First Song.wav",
                "second.ogg", "third.mp3" }));
        const auto checked = [&] {
            QList<int> places;
            for (int i = 0; i < songs(vireo)->actions().size(); ++i) {
                if (songs(vireo)->actions()[i]->isChecked())
                    places << i;
            }
            return places;
        };
        QCOMPARE(checked(), QList<int> { 0 });

        // The same file twice: each entry plays its own place.
        songs(vireo)->actions()[2]->trigger();
        QCOMPARE(AudioListPlayer::instance()->currentNumber(), 2);
        songs(vireo)->actions()[3]->trigger();
        QCOMPARE(entries(vireo.contextMenu()).first(), QStringLiteral("#1 (100%) && co.ogg"));
        QCOMPARE(checked(), QList<int> { 3 });
        songs(vireo)->actions()[3]->trigger(); // the current song: nothing changes, and it stays checked
        QCOMPARE(AudioListPlayer::instance()->currentNumber(), 3);
        QCOMPARE(checked(), QList<int> { 3 });

        // A very long name is cut in its middle, to a third of the screen at most.
        const QString longName = m_dir.filePath(QString(200, QLatin1Char('x')) + QStringLiteral(".wav"));
        QVERIFY(QFile::copy(a.toLocalFile(), longName));
        dropOnIcon(vireo, { QUrl::fromLocalFile(longName) });
        const QString shown = entries(vireo.contextMenu()).first();
        QVERIFY(shown.contains(QChar(0x2026)) && shown.endsWith(QLatin1String(".wav")));
        QVERIFY(songs(vireo)->fontMetrics().horizontalAdvance(shown)
            <= QGuiApplication::primaryScreen()->availableGeometry().width() / 3);
        QFile::remove(longName);
    }

    // Songs from several folders: a submenu a folder, named by album and artist where the tags agree on an album
    // and by the folder otherwise; songs by their titles where tagged. The current song and its folder are
    // checked, whichever way the song changed.
    void songsFromSeveralFoldersAreGrouped()
    {
        const QString album = m_dir.filePath(QStringLiteral("Album One")),
                      loose = m_dir.filePath(QStringLiteral("Loose"));
        QVERIFY(QDir().mkpath(album) && QDir().mkpath(loose));
        const auto cleanUp = qScopeGuard([&] {
            QDir(album).removeRecursively();
            QDir(loose).removeRecursively();
        });
        for (const char* title : { "Anthem", "Ballad" })
            QVERIFY(AudioFixtures::makeTone(album + QStringLiteral("/%1.ogg").arg(QLatin1String(title).left(1)), 3000,
                440, QStringLiteral("title=%1,artist=Band,album=Debut").arg(QLatin1String(title))));
        for (const char* name : { "one.ogg", "two.wav" })
            QVERIFY(AudioFixtures::makeTone(loose + QLatin1Char('/') + QLatin1String(name), 3000));
        Vireo vireo;
        dropOnIcon(vireo, { QUrl::fromLocalFile(album), QUrl::fromLocalFile(loose) });
        QCOMPARE(entries(songs(vireo)), (QStringList { "Album One", "Loose" }));
        QTRY_COMPARE(entries(songs(vireo)), (QStringList { "Band \u2013 Debut", "Loose" }));
        // The menu's first entry names the song that plays by its title where it has one.
        QTRY_COMPARE(entries(vireo.contextMenu()).first(), QStringLiteral("Anthem"));
        QMenu* first = songs(vireo)->actions().at(0)->menu();
        QMenu* second = songs(vireo)->actions().at(1)->menu();
        QVERIFY(first && second);
        emit first->aboutToShow();
        emit second->aboutToShow();
        QCOMPARE(entries(first), (QStringList { "Anthem", "Ballad" }));
        QCOMPARE(entries(second), (QStringList { "one.ogg", "two.wav" }));
        QVERIFY(first->menuAction()->isChecked() && first->actions().at(0)->isChecked());
        QVERIFY(!second->menuAction()->isChecked());

        second->actions().at(1)->trigger();
        QCOMPARE(AudioListPlayer::instance()->currentUrl(), QUrl::fromLocalFile(loose + QStringLiteral("/two.wav")));
        QCOMPARE(entries(vireo.contextMenu()).first(), QStringLiteral("two.wav"));
        QVERIFY(second->menuAction()->isChecked() && second->actions().at(1)->isChecked());
        QVERIFY(!first->menuAction()->isChecked() && !first->actions().at(0)->isChecked());
        vireo.transportAction(Vireo::Transport::Previous)->trigger();
        QVERIFY(second->actions().at(0)->isChecked() && !second->actions().at(1)->isChecked());
    }

    // A library of many albums in artist folders: a submenu per artist (named by the artist its songs agree on,
    // by the folder otherwise), albums in it named by their album alone; the current song's artist and album
    // are checked.
    void aLibraryIsGroupedByArtist()
    {
        QTemporaryDir library;
        const QString untagged = library.filePath(QStringLiteral("plain.wav"));
        QVERIFY(AudioFixtures::makeTone(untagged, 3000));
        QList<QUrl> tracks;
        for (int artist = 0; artist < 4; ++artist) {
            for (int album = 0; album < 10; ++album) {
                const QString folder = library.filePath(QStringLiteral("A%1/B%2").arg(artist).arg(album));
                QVERIFY(QDir().mkpath(folder));
                tracks << QUrl::fromLocalFile(
                    folder + (artist == 0 ? QStringLiteral("/t.ogg") : QStringLiteral("/t.wav")));
                if (artist == 0)
                    QVERIFY(AudioFixtures::makeTone(tracks.last().toLocalFile(), 3000, 440,
                        QStringLiteral("title=Track,artist=Zero,album=Record%1").arg(album)));
                else
                    QVERIFY(QFile::copy(untagged, tracks.last().toLocalFile()));
            }
        }
        Vireo vireo;
        dropOnIcon(vireo, tracks);
        QTRY_COMPARE(entries(songs(vireo)), (QStringList { "Zero", "A1", "A2", "A3" }));
        QMenu* zero = songs(vireo)->actions().at(0)->menu();
        emit zero->aboutToShow();
        QStringList records;
        for (int album = 0; album < 10; ++album)
            records << QStringLiteral("Record%1").arg(album);
        QCOMPARE(entries(zero), records);
        QVERIFY(zero->menuAction()->isChecked() && zero->actions().at(0)->isChecked());

        QMenu* two = songs(vireo)->actions().at(2)->menu();
        emit two->aboutToShow();
        QCOMPARE(entries(two).at(3), QStringLiteral("B3"));
        QMenu* album = two->actions().at(3)->menu();
        emit album->aboutToShow();
        album->actions().at(0)->trigger();
        QCOMPARE(AudioListPlayer::instance()->currentUrl(), tracks.at(23));
        QVERIFY(two->menuAction()->isChecked() && album->menuAction()->isChecked());
        QVERIFY(!zero->menuAction()->isChecked() && !zero->actions().at(0)->isChecked());
        AudioListPlayer::instance()->stop();
    }

    // A long list keeps one scrolling column on the screen, also after the current song changed, while the menu
    // is open and before it opens again.
    // "Open Songs..." (where nothing can be dropped on the icon) through the program's own slot and dialog: the
    // dialog lists audio files, takes several at once and starts where songs were last taken from; Cancel keeps
    // the list that plays.
    void openSongsDialog()
    {
        Vireo vireo;
        dropOnIcon(vireo, { c });
        const auto answerDialog = [](const std::function<void(QFileDialog*)>& answer) {
            QTimer::singleShot(0, [answer] {
                QTRY_VERIFY(qobject_cast<QFileDialog*>(QApplication::activeModalWidget()));
                answer(qobject_cast<QFileDialog*>(QApplication::activeModalWidget()));
            });
        };

        answerDialog([](QFileDialog* dialog) { dialog->reject(); });
        QVERIFY(QMetaObject::invokeMethod(&vireo, "slotOpenSongs"));
        QCOMPARE(AudioListPlayer::instance()->playList(), QList<QUrl> { c });
        QVERIFY(AudioListPlayer::instance()->isPlaying());

        QString filter;
        QString startedIn;
        answerDialog([&](QFileDialog* dialog) {
            filter = dialog->nameFilters().value(0);
            startedIn = dialog->directory().absolutePath();
            dialog->setDirectory(m_dir.path());
            dialog->selectFile(QStringLiteral("\"%1\" \"%2\"")
                                   .arg(QFileInfo(a.toLocalFile()).fileName(), QFileInfo(b.toLocalFile()).fileName()));
            static_cast<QDialog*>(dialog)->accept(); // as the Open button does
        });
        QVERIFY(QMetaObject::invokeMethod(&vireo, "slotOpenSongs"));
        QVERIFY2(filter.startsWith(QStringLiteral("Audio files (")) && filter.contains(QStringLiteral("*.mp3"))
                && filter.contains(QStringLiteral("*.flac")),
            qPrintable(filter));
        QCOMPARE(AudioListPlayer::instance()->playList(), (QList<QUrl> { a, b }));

        answerDialog([&](QFileDialog* dialog) {
            startedIn = dialog->directory().absolutePath();
            dialog->reject();
        });
        QVERIFY(QMetaObject::invokeMethod(&vireo, "slotOpenSongs"));
        QCOMPARE(startedIn, QDir(m_dir.path()).absolutePath());
    }

    void longSongsMenuStaysOnTheScreen()
    {
        Vireo vireo;
        QList<QUrl> many;
        for (int n = 0; n < 300; ++n)
            many << (n % 2 ? a : b);
        dropOnIcon(vireo, many);
        QMenu* menu = songs(vireo);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const auto fits = [&] {
            return menu->isVisible() && menu->height() <= screen.height() && screen.contains(menu->geometry().topLeft())
                ? QString()
                : QStringLiteral("%1x%2 at %3,%4 on %5x%6")
                      .arg(menu->width())
                      .arg(menu->height())
                      .arg(menu->x())
                      .arg(menu->y())
                      .arg(screen.width())
                      .arg(screen.height());
        };
        menu->popup(screen.topLeft());
        QTRY_VERIFY(menu->isVisible());
        QVERIFY2(fits().isEmpty(), qPrintable(fits()));
        for (int change = 0; change < 2; ++change) {
            vireo.transportAction(Vireo::Transport::Next)->trigger();
            QTest::qWait(50);
            QVERIFY2(fits().isEmpty(), qPrintable(QStringLiteral("open, after a change: ") + fits()));
        }
        // The wheel scrolls it: a notch down shows entries below the first.
        const auto firstShown = [menu] { return menu->actionAt(QPoint(menu->width() / 2, menu->height() / 4)); };
        QAction* before = firstShown();
        for (int notch = 0; notch < 3; ++notch) {
            const QPointF inside(menu->width() / 2, menu->height() / 2);
            QWheelEvent wheel(inside, menu->mapToGlobal(inside), QPoint(), QPoint(0, -120), Qt::NoButton,
                Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(menu, &wheel);
        }
        QVERIFY2(firstShown() != before, "the wheel did not scroll the menu");
        // It still scrolls: the last entry, reached by the keyboard, shows.
        QTest::keyClick(menu, Qt::Key_End);
        QCOMPARE(menu->activeAction(), menu->actions().last());
        QVERIFY(menu->rect().contains(menu->actionGeometry(menu->actions().last())));
        menu->hide();
        vireo.transportAction(Vireo::Transport::Next)->trigger();
        menu->popup(screen.topLeft());
        QTRY_VERIFY(menu->isVisible());
        QVERIFY2(fits().isEmpty(), qPrintable(QStringLiteral("opened after a change: ") + fits()));
        menu->hide();
    }

    // The window that finds a song, driven by keys as the user types: words in any order, case and accents
    // ignored; the arrows move through what was found, Enter plays and closes, Ctrl+Enter has the song play next
    // and leaves the window open, Escape closes.
    void jumpToSongByKeys()
    {
        QStringList names { "Café del Mar.wav", "Über den Wolken.ogg", "del Mar Remix.mp3", "First Song.wav" };
        QList<QUrl> list;
        for (const QString& name : std::as_const(names)) {
            list << QUrl::fromLocalFile(m_dir.filePath(name));
            QVERIFY(
                QFile::exists(list.last().toLocalFile()) || QFile::copy(a.toLocalFile(), list.last().toLocalFile()));
        }
        AudioListPlayer* player = AudioListPlayer::instance();
        player->setPlayList(list);
        JumpToSongWindow window;
        QSignalSpy chosen(&window, &JumpToSongWindow::songChosen);
        window.open();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* query = window.findChild<QLineEdit*>();
        auto* found = window.findChild<QListView*>();
        QCOMPARE(found->model()->rowCount(), 4);
        QCOMPARE(found->currentIndex().row(), 0); // the current song

        const auto shown = [found] {
            QStringList rows;
            for (int row = 0; row < found->model()->rowCount(); ++row)
                rows << found->model()->index(row, 0).data().toString();
            return rows;
        };
        QTest::keyClicks(query, QStringLiteral("MAR cafe"));
        QCOMPARE(shown(), QStringList { "Café del Mar.wav" });
        query->clear();
        QTest::keyClicks(query, QStringLiteral("ueber"));
        QCOMPARE(shown(), QStringList());
        query->clear();
        QTest::keyClicks(query, QStringLiteral("uber"));
        QCOMPARE(shown(), QStringList { "Über den Wolken.ogg" });
        query->clear();
        QTest::keyClicks(query, QStringLiteral("del"));
        QCOMPARE(shown(), (QStringList { "Café del Mar.wav", "del Mar Remix.mp3" }));
        QTest::keyClick(query, Qt::Key_Down);
        QTest::keyClick(query, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(player->index(player->currentNumber() + 1), 2);
        QVERIFY(window.isVisible());
        QVERIFY(chosen.isEmpty());

        QTest::keyClick(query, Qt::Key_Up);
        QTest::keyClick(query, Qt::Key_Return);
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.takeFirst().at(0).toInt(), 0);
        QVERIFY(!window.isVisible());

        window.open();
        QCOMPARE(query->text(), QString());
        QTest::keyClicks(query, QStringLiteral("nothing like it"));
        QTest::keyClick(query, Qt::Key_Return); // nothing found, nothing played
        QVERIFY(chosen.isEmpty());
        QTest::keyClick(query, Qt::Key_Escape);
        QVERIFY(!window.isVisible());
        player->stop();
    }

    // Tags that arrive while the user stands on a song leave it chosen, and a song that is twice in the list
    // plays at the place chosen, the list going on from there.
    void jumpToSongKeepsTheChosenPlace()
    {
        QList<QUrl> list;
        for (const char* name : { "alpha.wav", "beta.wav", "alpha.wav", "gamma.wav" }) {
            list << QUrl::fromLocalFile(m_dir.filePath(QLatin1String(name)));
            QVERIFY(
                QFile::exists(list.last().toLocalFile()) || QFile::copy(a.toLocalFile(), list.last().toLocalFile()));
        }
        AudioListPlayer* player = AudioListPlayer::instance();
        player->setPlayList(list);
        player->slotPlayNext(); // at beta: the first alpha is behind, the second ahead
        QCOMPARE(player->currentIndex(), 1);
        JumpToSongWindow window;
        QSignalSpy chosen(&window, &JumpToSongWindow::songChosen);
        connect(&window, &JumpToSongWindow::songChosen, player, &AudioListPlayer::playPlace);
        window.open();
        auto* query = window.findChild<QLineEdit*>();
        auto* found = window.findChild<QListView*>();
        QTest::keyClicks(query, QStringLiteral("alpha"));
        QCOMPARE(found->model()->rowCount(), 2);
        QCOMPARE(found->currentIndex().row(), 0);
        auto* tags = window.findChild<QzMultiMedia::SongTagReader*>();
        QVERIFY(tags);
        emit tags->tagsRead(0, 4);
        QCOMPARE(found->currentIndex().row(), 0);
        QTest::keyClick(query, Qt::Key_Return);
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.first().at(0).toInt(), 0);
        QCOMPARE(player->currentIndex(), 0);
        player->slotPlayNext();
        QCOMPARE(player->currentIndex(), 1);
        player->stop();
    }

    // A long list of long, accented titles is searched a slice at a time: typing returns at once, the songs found
    // come in list order, and a narrower query is searched again in the same way.
    void findingInALongListTakesTurns()
    {
        QList<QUrl> songs;
        QzMultiMedia::ListedTags titles;
        const QString accented = QString::fromUtf8("e\u0301\u0301a\u0300").repeated(30);
        for (int i = 0; i < 50000; ++i) {
            songs << QUrl::fromLocalFile(QStringLiteral("/nowhere/%1.mp3").arg(i));
            QzMultiMedia::SongTags tags;
            tags.title = accented + (i % 1000 == 7 ? QStringLiteral(" needle") : QString()) + QString::number(i);
            titles.insert(songs.last(), tags);
        }
        ListedTitles::add(titles);
        SongFinder finder;
        finder.setSongs(songs, nullptr);
        QCOMPARE(finder.rowCount(), 50000);
        finder.setQuery(QStringLiteral("needle"));
        QVERIFY(finder.isSearching());
        QVERIFY(finder.rowCount() < 50);
        QTRY_VERIFY_WITH_TIMEOUT(!finder.isSearching(), 60000);
        QCOMPARE(finder.rowCount(), 50);
        for (int row = 0; row < 50; ++row)
            QCOMPARE(finder.place(row), row * 1000 + 7);
        finder.setQuery(QStringLiteral("needle 10"));
        QTRY_VERIFY_WITH_TIMEOUT(!finder.isSearching(), 60000);
        QCOMPARE(finder.rowCount(), 6); // 1007, 10007, 11007, 21007, 31007, 41007
        QCOMPARE(finder.place(2), 11007);
        ListedTitles::replace({});
    }
};

VIREO_TEST_MAIN(TestSongsMenu)
#include "tst_songsmenu.moc"

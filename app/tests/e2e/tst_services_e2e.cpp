#include "DesktopEndToEnd.h"

// The desktop's services as they are, slow or gone: notification servers, the tray's watcher, the portal, the
// sound server and the session bus, a radio that goes away, lists that name what they should not.
class TestServicesEndToEnd : public DesktopEndToEnd
{
    Q_OBJECT

private slots:
    // Tags are whatever a file says: they reach MPRIS as one line of text of a title's length, the notification
    // (whose body is markup) as text, and a "cover" that is no picture is not offered as one.
    // A song reached by Next over MPRIS (not at the icon) is announced by its title, artist and cover, which the
    // player reads as the song starts: the notification shown first is updated when they come.
    void nextIsAnnouncedWithItsTags()
    {
        QVERIFY(AudioFixtures::makeTone(file("untagged.mp3"), 20000, 440));
        QVERIFY(AudioFixtures::makeTone(file("tagged.mp3"), 20000, 440));
        QVERIFY(AudioFixtures::tagMp3(file("tagged.mp3"), QStringLiteral("Slow Motion"), QStringLiteral("Third Band"),
            QStringLiteral("Album"), 9, picture(Qt::red)));
        QVERIFY(serveNotifications());
        if (m_program.state() != QProcess::NotRunning)
            quitProgram();
        startProgram(programEnvironment(), { file("untagged.mp3"), file("tagged.mp3") });
        QVERIFY(becomes("Playing", 10000));
        const qsizetype notified = m_notifications.shown.size();
        command("Next");
        const QString shown = QStringLiteral("Slow Motion\nThird Band");
        QVERIFY2(DesktopSession::waitFor(
                     [&] {
                         return m_notifications.shown.size() > notified && m_notifications.shown.last() == shown
                             && !m_notifications.images.last().isEmpty();
                     },
                     5000),
            qPrintable(m_notifications.shown.mid(notified).join(QLatin1Char('|'))));
        QFile cover(m_notifications.images.last());
        QVERIFY(cover.open(QIODevice::ReadOnly));
        QCOMPARE(cover.readAll(), picture(Qt::red));
        // One notification for the song, sent once with its tags: never first by its file name with an empty
        // body and then again (Cinnamon's server fails on such a replacement).
        const QStringList songs = m_notifications.shown.mid(notified).filter(
            QRegularExpression(QStringLiteral("^(tagged\\.mp3|Slow Motion)\n")));
        QVERIFY2(songs == QStringList { shown }, qPrintable(songs.join(QLatin1Char('|'))));
        // Once the server has closed it (it timed out), the next song gets a notification of its own: KDE Plasma
        // shows nothing for one that replaces a closed one.
        const uint shownNumber = m_notifications.numbers.last();
        emit m_notifications.NotificationClosed(shownNumber, 1);
        const qsizetype before = m_notifications.shown.size();
        command("Previous");
        QVERIFY(DesktopSession::waitFor([&] { return m_notifications.shown.size() > before; }, 5000));
        QCOMPARE(m_notifications.replaced.at(before), 0u);
        quitProgram();
    }

    void tagsReachTheDesktopAsText()
    {
        // Long enough for the hostile song to be taken over without a gap: its tags are read before it is announced.
        QVERIFY(AudioFixtures::makeTone(file("plain.mp3"), 3000, 440));
        QVERIFY(AudioFixtures::makeTone(file("hostile.mp3"), 3000, 440));
        QVERIFY(AudioFixtures::tagMp3(file("hostile.mp3"),
            QStringLiteral("<a href=\"http://x\">Link</a> & <img src=\"y\">\nnext\x01line"),
            QStringLiteral("<b>Band</b> & Co"), QString(20000, QLatin1Char('a')), 1, QByteArray("not a picture")));
        QVERIFY(serveNotifications());
        const qsizetype notified = m_notifications.shown.size();
        startProgram(programEnvironment(), { file("plain.mp3"), file("hostile.mp3") });
        const QString title = QStringLiteral("<a href=\"http://x\">Link</a> & <img src=\"y\"> next line");
        QVERIFY2(DesktopSession::waitFor([&] { return this->title() == title; }, 10000), qPrintable(this->title()));
        const QVariantMap data = metadata();
        QCOMPARE(data.value(QStringLiteral("xesam:album")).toString().size(), 500);
        QVERIFY(!data.contains(QStringLiteral("mpris:artUrl")) || artFile(data) != QByteArray("not a picture"));
        const QString shown = title + QStringLiteral("\n&lt;b&gt;Band&lt;/b&gt; &amp; Co");
        QVERIFY2(DesktopSession::waitFor([&] { return m_notifications.shown.mid(notified).contains(shown); }, 3000),
            qPrintable(m_notifications.shown.mid(notified).join(QLatin1Char('|'))));
        quitProgram();
    }

    // A notification server that answers late: quick song changes replace the one notification, they do not
    // stack one beside the other while the server has not said the number of the first.
    void slowNotificationServer()
    {
        QVERIFY(serveNotifications());
        m_notifications.answerAfterMs = 600;
        const auto restore = qScopeGuard([this] { m_notifications.answerAfterMs = 0; });
        startProgram(
            programEnvironment(), { file("alpha.mp3"), file("beta.ogg"), file("gamma.wav"), file("delta.mp3") });
        QVERIFY(becomes("Playing", 10000));
        const qsizetype before = m_notifications.shown.size();
        // Each song change once its notification is on its way, before the server has answered it.
        for (const char* song : { "beta.ogg", "gamma.wav", "delta.mp3" }) {
            command("Next");
            QVERIFY(DesktopSession::waitFor([&] { return title() == QLatin1String(song); }, 3000));
            if (qstrcmp(song, "delta.mp3") != 0) {
                QVERIFY(DesktopSession::waitFor(
                    [&] {
                        return m_notifications.shown.size() > before
                            && m_notifications.shown.last().startsWith(QLatin1String(song));
                    },
                    3000));
            }
        }
        QVERIFY(DesktopSession::waitFor(
            [&] {
                return !m_notifications.shown.isEmpty()
                    && m_notifications.shown.last().startsWith(QLatin1String("delta.mp3"));
            },
            3000));
        // The songs' notifications (a notice about the tray, if any, is a message of its own).
        QList<uint> replaced;
        for (qsizetype i = before; i < m_notifications.shown.size(); ++i) {
            if (m_notifications.shown.at(i).contains(QLatin1String(".mp3\n"))
                || m_notifications.shown.at(i).contains(QLatin1String(".ogg\n"))
                || m_notifications.shown.at(i).contains(QLatin1String(".wav\n")))
                replaced << m_notifications.replaced.at(i);
        }
        QVERIFY2(replaced.size() >= 2, qPrintable(m_notifications.shown.mid(before).join(QLatin1Char('|'))));
        QCOMPARE(replaced.count(0u), 1); // the first one only is new
        quitProgram();
    }

    // A notification server that never answers (hung, or one that fails on a replacement) delays no later
    // notification: each song change is shown within a moment.
    void notificationServerThatNeverAnswers()
    {
        QVERIFY(serveNotifications());
        m_notifications.answerAfterMs = -1;
        const auto restore = qScopeGuard([this] { m_notifications.answerAfterMs = 0; });
        startProgram(programEnvironment(), { file("alpha.mp3"), file("beta.ogg"), file("gamma.wav") });
        QVERIFY(becomes("Playing", 10000));
        for (const char* song : { "beta.ogg", "gamma.wav" }) {
            const qsizetype before = m_notifications.shown.size();
            command("Next");
            QVERIFY2(DesktopSession::waitFor(
                         [&] {
                             return m_notifications.shown.size() > before
                                 && m_notifications.shown.last().startsWith(QLatin1String(song));
                         },
                         5000),
                song);
        }
        QVERIFY(becomes("Playing"));
        quitProgram();
    }

    // A tray's watcher that stops answering (frozen, swapping, hung) holds up nothing: the player plays and
    // answers its remote at once all along, and its icon comes once the watcher answers again.
    void aWatcherThatHangsHoldsNothingUp()
    {
        desktop->stopTray();
        const auto trayBack = qScopeGuard([] { desktop->startTray(); });
        StatusNotifierHost host;
        QVERIFY(host.start(programEnvironment()));
        QCOMPARE(::kill(pid_t(host.processId()), SIGSTOP), 0);
        const auto thaw = qScopeGuard([&host] { ::kill(pid_t(host.processId()), SIGCONT); });
        startProgram(programEnvironment(), { file("alpha.mp3") });
        QVERIFY(becomes("Playing", 10000));
        const QString late = answeredAtOnce(QStringLiteral("Playing"));
        QVERIFY2(late.isEmpty(), qPrintable(late));
        ::kill(pid_t(host.processId()), SIGCONT);
        QVERIFY2(!host.item(30000).isEmpty(), "no item registered once the watcher answered again");
        quitProgram();
    }

    // Nor does a desktop portal that stops answering: it is asked nothing until the open dialog is.
    void aPortalThatHangsHoldsNothingUp()
    {
        if (m_program.state() != QProcess::NotRunning)
            quitProgram();
        QProcess portal;
        portal.setProcessEnvironment(programEnvironment());
        portal.start(QStringLiteral("/usr/libexec/xdg-desktop-portal"), QStringList());
        QVERIFY(portal.waitForStarted(5000));
        const auto end = qScopeGuard([&portal] {
            ::kill(pid_t(portal.processId()), SIGCONT);
            portal.kill();
            portal.waitForFinished(3000);
        });
        QVERIFY(DesktopSession::waitFor(
            [&] { return m_bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.portal.Desktop")); },
            10000));
        QCOMPARE(::kill(pid_t(portal.processId()), SIGSTOP), 0);
        QElapsedTimer clock;
        clock.start();
        startProgram(programEnvironment(), { file("alpha.mp3") });
        QVERIFY2(becomes("Playing", 10000), qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
        quitProgram();
    }

    // A sound server that stops answering holds up nothing either: the player answers its remote at once, and
    // plays once the server is back.
    void aSoundServerThatHangsHoldsNothingUp()
    {
        if (m_program.state() != QProcess::NotRunning)
            quitProgram();
        const pid_t server = pid_t(pulse->serverProcessId());
        QCOMPARE(::kill(server, SIGSTOP), 0);
        const auto thaw = qScopeGuard([server] { ::kill(server, SIGCONT); });
        startProgram(programEnvironment(), { file("alpha.mp3"), file("beta.ogg") });
        QVERIFY2(DesktopSession::waitFor([&] { return !player("PlaybackStatus").toString().isEmpty(); }, 10000),
            "the player did not answer on the bus");
        const QString late = answeredAtOnce();
        QVERIFY2(late.isEmpty(), qPrintable(late));
        QElapsedTimer clock;
        ::kill(server, SIGCONT);
        QVERIFY(becomes("Playing", 15000) || (command("Play"), becomes("Playing", 10000)));
        QVERIFY(level(1000) > 1000.0);
        // Frozen while the song plays: pause, play and the next song are asked for, and answered at once.
        QCOMPARE(::kill(server, SIGSTOP), 0);
        for (const char* method : { "Pause", "Play", "Next", "Stop", "Play" }) {
            clock.restart();
            command(method);
            QVERIFY(!player("PlaybackStatus").toString().isEmpty());
            QVERIFY2(clock.elapsed() < 1000,
                qPrintable(QStringLiteral("%1 answered after %2 ms").arg(QLatin1String(method)).arg(clock.elapsed())));
        }
        ::kill(server, SIGCONT);
        QVERIFY(becomes("Playing", 15000) || (command("Play"), becomes("Playing", 10000)));
        QVERIFY(level(1000) > 1000.0);
        quitProgram();
    }

    // The user's bus service restarts under a playing player whose icon is a StatusNotifierItem: the song plays on,
    // and on the new bus the item comes back to the new host with its menu, MPRIS answers and a second start hands
    // its file over instead of playing beside it.
    void sessionBusComesBack()
    {
        if (m_program.state() != QProcess::NotRunning)
            quitProgram();
        desktop->stopTray();
        const auto trayBack = qScopeGuard([] { desktop->startTray(); });
        QProcessEnvironment env = programEnvironment();
        {
            StatusNotifierHost host;
            QVERIFY(host.start(env));
            startProgram(env, { file("alpha.mp3") });
            QVERIFY(!host.item().isEmpty());
            QVERIFY(becomes("Playing", 10000));
        }
        QVERIFY(bus->restart());
        QDBusConnection::disconnectFromBus(QStringLiteral("notifications"));
        m_bNotificationsServed = false;
        QVERIFY(connectClient());

        StatusNotifierHost host;
        QVERIFY(host.start(env));
        const QString item = host.item();
        QVERIFY2(!item.isEmpty(), "the item did not register on the new bus");
        const QString menu = menuOf(item);
        QVERIFY(!menu.isEmpty());
        const QString layout = menuLayout(item, menu);
        QVERIFY2(layout.contains(QStringLiteral("\"Open Songs...\"")), qPrintable(layout.left(2000)));
        QVERIFY(becomes("Playing", 5000));
        QCOMPARE(title(), QStringLiteral("alpha.mp3"));
        QVERIFY(level(800) > 1000.0);

        QProcess second;
        second.setProcessEnvironment(env);
        second.start(QStringLiteral(VIREO_BINARY), { QStringLiteral("-e"), file("beta.ogg") });
        QVERIFY2(second.waitForFinished(15000), "a second start played beside the player");
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(DesktopSession::waitFor([&] { return player("CanGoNext").toBool(); }, 5000));
        quitProgram();
    }

    // A station whose server is down for seven seconds after its connection dropped is heard again when it is back,
    // before the list moves on, and a notification says so.
    void radioThatIsDownAWhile()
    {
        QVERIFY(serveNotifications());
        QProcess radio;
        const auto startRadio = [&](const QString& port) {
            radio.start(QStringLiteral("python3"),
                { QStringLiteral(VIREO_STREAM_SERVER), m_media.path(), QStringLiteral("Night Song"), port });
            return DesktopSession::waitFor([&] { return radio.canReadLine(); }, 10000);
        };
        QVERIFY(startRadio(QStringLiteral("0")));
        const QString port = QString::fromUtf8(radio.readLine()).section(QLatin1Char(' '), 1).trimmed();
        const auto stop = qScopeGuard([&] {
            radio.kill();
            radio.waitForFinished(3000);
        });
        startProgram(programEnvironment(),
            { QStringLiteral("http://127.0.0.1:%1/cut-delta.mp3").arg(port), file("epsilon.ogg") });
        QVERIFY(DesktopSession::waitFor([&] { return radio.canReadLine(); }, 10000)); // "get /cut-delta.mp3"
        QVERIFY(becomes("Playing", 10000));
        radio.kill(); // the station's server goes down as its connection drops
        radio.waitForFinished(3000);
        // Down for longer than a server's restart takes: the player tries for two minutes, more seldom as it goes.
        QTest::qWait(7000);
        QVERIFY(startRadio(port));
        radio.readLine(); // its port
        QVERIFY2(DesktopSession::waitFor([&] { return radio.canReadLine(); }, 12000), "the station was given up");
        QVERIFY(radio.readLine().startsWith("get /cut-delta.mp3"));
        QCOMPARE(title(), QStringLiteral("Night Song"));
        QVERIFY2(
            DesktopSession::waitFor(
                [&] {
                    return m_notifications.shown.join(QLatin1Char('|')).contains(QLatin1String("Back on the air\n"));
                },
                5000),
            qPrintable(m_notifications.shown.join(QLatin1Char('|'))));
        quitProgram();
    }

    // Started on a play list that names itself and its twin ten times each (a reading that follows every name is
    // 20^8 reads) and on a FIFO named like a list: the player plays the one song they hold, answers over MPRIS all
    // along, and a SIGTERM ends it at once.
    void hostileListsLeaveItAnswering()
    {
        const QString self = m_media.filePath(QStringLiteral("self.m3u"));
        const QString twin = m_media.filePath(QStringLiteral("twin.m3u"));
        QByteArray text;
        for (int i = 0; i < 10; ++i)
            text += QFile::encodeName(self) + '\n' + QFile::encodeName(twin) + '\n';
        text += QFile::encodeName(file("gamma.wav")) + '\n';
        QVERIFY(AudioFixtures::writeBytes(self, text) && AudioFixtures::writeBytes(twin, text));
        const QString fifo = m_media.filePath(QStringLiteral("fifo.m3u"));
        QVERIFY(QFile::exists(fifo) || mkfifo(QFile::encodeName(fifo).constData(), 0644) == 0);
        if (m_program.state() != QProcess::NotRunning)
            quitProgram();
        startProgram(programEnvironment(), { fifo, self });
        QVERIFY(becomes("Playing", 10000));
        QCOMPARE(title(), QStringLiteral("gamma.wav"));
        QElapsedTimer answered;
        answered.start();
        QVERIFY(!player("PlaybackStatus").toString().isEmpty());
        QVERIFY2(answered.elapsed() < 1000, qPrintable(QString::number(answered.elapsed())));
        ::kill(pid_t(m_program.processId()), SIGTERM);
        QVERIFY(m_program.waitForFinished(3000));
        QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program.exitCode(), 0);
    }
};

int main(int argc, char** argv)
{
    return runDesktopTest<TestServicesEndToEnd>(argc, argv);
}

#include "tst_services_e2e.moc"

#include "VireoTestMain.h"

#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QSettings>
#include <QSignalSpy>

using QzWidgets::App;

namespace {

QString readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// Records the mouse events that reach a widget, in order.
class MouseRecorder : public QObject
{
public:
    QList<QPair<QEvent::Type, QPoint>> events;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonRelease)
            events.append({ e->type(), static_cast<QMouseEvent*>(e)->position().toPoint() });
        return false;
    }
};

} // namespace

class TestApp : public QObject
{
    Q_OBJECT

private:
    App* app()
    {
        return App::theApp();
    }
    QString home()
    {
        return QDir::homePath();
    }

private slots:
    void settingsLandInSupportDirectoryUnderApplicationSection()
    {
        app()->setSettingsValue(QStringLiteral("Language"), QStringLiteral("de"));
        app()->settings()->sync();

        const QString file = home() + QStringLiteral("/.config/Vireo/settings.plist");
        QCOMPARE(app()->settings()->fileName(), file);
        const QString text = readFile(file);
        QVERIFY2(text.contains(QStringLiteral("[Vireo]")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Language=de")), qPrintable(text));

        // A store opened afresh on the file (as the next start does) reads the same value.
        QSettings again(file, QSettings::IniFormat);
        QCOMPARE(again.value(QStringLiteral("Vireo/Language")).toString(), QStringLiteral("de"));
        QCOMPARE(
            app()->settingsValue(QStringLiteral("Language"), QStringLiteral("en")).toString(), QStringLiteral("de"));
    }

    void leadingSlashNamesTheSameEntry()
    {
        app()->setSettingsValue(QStringLiteral("/SoundVolume"), 0.25);
        QCOMPARE(app()->settingsValue(QStringLiteral("SoundVolume"), 0.5).toDouble(), 0.25);
        app()->setSettingsValue(QStringLiteral("SoundVolume"), 0.75);
        QCOMPARE(app()->settingsValue(QStringLiteral("/SoundVolume"), 0.5).toDouble(), 0.75);
    }

    void missingKeyGivesDefault()
    {
        QCOMPARE(app()->settingsValue(QStringLiteral("NoSuchKey"), 42).toInt(), 42);
    }

    void oldSettingsModeWritesOutsideTheSection()
    {
        app()->setOldSettingsMode(true);
        app()->setSettingsValue(QStringLiteral("OldKey"), QStringLiteral("outside"));
        app()->setOldSettingsMode(false);
        QVERIFY(!app()->settingsValue(QStringLiteral("OldKey")).isValid());
        QCOMPARE(app()->settings()->value(QStringLiteral("OldKey")).toString(), QStringLiteral("outside"));
    }

    // Each directory: under the XDG location, named after the program, made on first use.
    void directoryFamily_data()
    {
        QTest::addColumn<int>("member");
        QTest::addColumn<QString>("expected");
        const char* expected[] = { "/.local/share/Vireo/", "/.config/Vireo/", "/.cache/Vireo/", "/Pictures/Vireo/",
            "/Music/Vireo/", "/Videos/Vireo/", "/Downloads/Vireo/" };
        for (int i = 0; i < 7; ++i)
            QTest::newRow(expected[i]) << i << QString::fromLatin1(expected[i]);
    }

    void directoryFamily()
    {
        QFETCH(int, member);
        QFETCH(QString, expected);
        using Directory = QString (App::*)();
        const Directory members[] = { &App::workDirectory, &App::supportDirectory, &App::cachesDirectory,
            &App::picturesDirectory, &App::musicDirectory, &App::moviesDirectory, &App::downloadsDirectory };
        const QString path = home() + expected;
        QDir(path).removeRecursively();
        QCOMPARE((app()->*members[member])(), path);
        QVERIFY(QFileInfo(path).isDir());
    }

    void openAndSaveDirectories()
    {
        QCOMPARE(app()->openDirPath(), app()->workDirectory());
        app()->setOpenDirPath(QStringLiteral("/Users/a/Music/song.mp3"));
        QCOMPARE(app()->openDirPath(), QStringLiteral("/Users/a/Music"));
        app()->setSaveDirPath(QStringLiteral("/tmp/x/out.txt"));
        QCOMPARE(app()->saveDirPath(), QStringLiteral("/tmp/x"));
    }

    void bundleIdentifier_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("identifier");
        QTest::newRow("two labels") << "corvane.example"
                                    << "example.corvane.Vireo";
        QTest::newRow("three labels drop the middle") << "www.corvane.example"
                                                      << "example.www.Vireo";
        QTest::newRow("no dot") << "corvane"
                                << "corvane.corvane.Vireo";
        QTest::newRow("empty") << ""
                               << "..Vireo";
    }

    void bundleIdentifier()
    {
        QFETCH(QString, domain);
        QFETCH(QString, identifier);
        QCoreApplication::setOrganizationDomain(domain);
        QCOMPARE(app()->bundleIdentifier(), identifier);
    }

    void resourcesDirectoryIsBesideTheBinDirectory()
    {
        QCOMPARE(App::resourcesDirectoryFor(QStringLiteral("/usr/bin")), QStringLiteral("/usr/share/vireo/"));
        QCOMPARE(App::resourcesDirectoryFor(QStringLiteral("/opt/MacOS Tools/bin/")),
            QStringLiteral("/opt/MacOS Tools/share/vireo/"));
        QCOMPARE(app()->bundleResourcePath(), App::resourcesDirectoryFor(QCoreApplication::applicationDirPath()));
        QVERIFY(app()->bundleResourcePath().endsWith(QStringLiteral("/share/vireo/")));
    }

    void distributionMarkerDecidesTheEdition()
    {
        const QString marker = app()->bundleResourcePath() + QStringLiteral("independent");
        QDir().mkpath(app()->bundleResourcePath());
        QFile::remove(marker);
        QVERIFY(App::isAppStore());
        writeFile(marker, "anything");
        QVERIFY(!App::isAppStore());
        QFile::remove(marker);
        QVERIFY(App::isAppStore());
    }

    void copyTo()
    {
        const QString source = home() + QStringLiteral("/a.txt");
        writeFile(source, "first");
        const QString target = home() + QStringLiteral("/new/dir");

        QVERIFY(app()->copyTo(source, target, QString()));
        QCOMPARE(readFile(target + QStringLiteral("/a.txt")), QStringLiteral("first"));

        // An existing target is success and is never overwritten.
        writeFile(source, "second");
        QVERIFY(app()->copyTo(source, target, QString()));
        QCOMPARE(readFile(target + QStringLiteral("/a.txt")), QStringLiteral("first"));

        QVERIFY(app()->copyTo(source, target, QStringLiteral("b.txt")));
        QCOMPARE(readFile(target + QStringLiteral("/b.txt")), QStringLiteral("second"));

        QVERIFY(!app()->copyTo(home() + QStringLiteral("/missing.txt"), target, QString()));
        QVERIFY(!QFileInfo::exists(target + QStringLiteral("/missing.txt")));
    }

    void activationEventsEmitEachSignalOnce()
    {
        QSignalSpy activated(app(), &App::applicationActivated);
        QSignalSpy deactivated(app(), &App::applicationDeactivated);

        QEvent deactivate(QEvent::ApplicationDeactivate);
        QCoreApplication::sendEvent(app(), &deactivate);
        QCOMPARE(deactivated.count(), 1);
        QCOMPARE(activated.count(), 0);
        QVERIFY(app()->isDeactivated());

        QEvent activate(QEvent::ApplicationActivate);
        QCoreApplication::sendEvent(app(), &activate);
        QCOMPARE(activated.count(), 1);
        QCOMPARE(deactivated.count(), 1);
        QVERIFY(!app()->isDeactivated());

        QEvent other(QEvent::User);
        QCoreApplication::sendEvent(app(), &other);
        QCOMPARE(activated.count() + deactivated.count(), 2);
    }

    void getWidgetByClassNameSearchOrder()
    {
        // Depth first under one top-level widget: the label inside the frame comes before its sibling label.
        QWidget top;
        auto* frame = new QFrame(&top);
        auto* nested = new QLabel(frame);
        auto* sibling = new QLabel(&top);
        Q_UNUSED(sibling);
        QCOMPARE(app()->getWidgetByClassName(QStringLiteral("QLabel")), nested);
        QCOMPARE(app()->getWidgetByClassName(QStringLiteral("QFrame")), frame);
        QCOMPARE(app()->getWidgetByClassName(QStringLiteral("qlabel")), nullptr);

        // A matching top-level widget comes before anything under a later top-level widget.
        QLabel topLabel;
        const QWidgetList tops = QApplication::topLevelWidgets();
        QWidget* expected = tops.indexOf(&topLabel) < tops.indexOf(&top) ? static_cast<QWidget*>(&topLabel) : nested;
        QCOMPARE(app()->getWidgetByClassName(QStringLiteral("QLabel")), expected);
    }

    void isChildOf()
    {
        QObject grandparent;
        auto* parent = new QObject(&grandparent);
        auto* grandchild = new QObject(parent);
        QVERIFY(app()->isChildOf(grandchild, &grandparent));
        QVERIFY(!app()->isChildOf(&grandparent, &grandparent));
        QVERIFY(!app()->isChildOf(&grandparent, grandchild));
    }

    void mouseClickWithNegativeCoordinatesHitsTheMiddle()
    {
        QWidget w;
        w.resize(101, 40);
        MouseRecorder recorder;
        w.installEventFilter(&recorder);

        app()->mouseClick(&w, -1, 10, Qt::LeftButton, Qt::LeftButton);
        QVERIFY(recorder.events.isEmpty()); // posted, not sent
        QCoreApplication::processEvents();
        QCOMPARE(recorder.events.size(), 2);
        QCOMPARE(recorder.events[0].first, QEvent::MouseButtonPress);
        QCOMPARE(recorder.events[1].first, QEvent::MouseButtonRelease);
        QCOMPARE(recorder.events[0].second, QPoint(50, 10));
        QCOMPARE(recorder.events[1].second, QPoint(50, 10));

        app()->mouseClick(nullptr, 1, 1, Qt::LeftButton, Qt::LeftButton); // does nothing, does not crash
    }
};

VIREO_TEST_MAIN(TestApp)
#include "tst_app.moc"

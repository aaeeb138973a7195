#include "VireoTestMain.h"

#include "BuildInfo.h"
#include <QDir>
#include <QFile>
#include <QSettings>

using QzWidgets::App;
using QzWidgets::BuildInfo;

namespace {

void writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

} // namespace

class TestApp : public QObject
{
    Q_OBJECT

    App* app()
    {
        return App::theApp();
    }
    QString home()
    {
        return QDir::homePath();
    }

private slots:
    // One INI file in the support directory, one section named after the program; "/Key" and "Key" are one entry.
    void settingsStore()
    {
        app()->setSettingsValue(QStringLiteral("Language"), QStringLiteral("de"));
        app()->setSettingsValue(QStringLiteral("/SoundVolume"), 0.25);
        app()->settings()->sync();
        const QString file = home() + QStringLiteral("/.config/Vireo/settings.plist");
        QCOMPARE(app()->settings()->fileName(), file);
        QSettings again(file, QSettings::IniFormat); // as the next start reads it
        QCOMPARE(again.value(QStringLiteral("Vireo/Language")).toString(), QStringLiteral("de"));
        QCOMPARE(app()->settingsValue(QStringLiteral("SoundVolume"), 0.5).toDouble(), 0.25);
        QCOMPARE(app()->settingsValue(QStringLiteral("NoSuchKey"), 42).toInt(), 42);
    }

    // Each directory: under the XDG location, named after the program, made on first use.
    void directoryFamily()
    {
        using Directory = QString (App::*)();
        const std::pair<Directory, const char*> family[] = { { &App::workDirectory, "/.local/share/Vireo/" },
            { &App::supportDirectory, "/.config/Vireo/" }, { &App::cachesDirectory, "/.cache/Vireo/" },
            { &App::picturesDirectory, "/Pictures/Vireo/" }, { &App::musicDirectory, "/Music/Vireo/" },
            { &App::moviesDirectory, "/Videos/Vireo/" }, { &App::downloadsDirectory, "/Downloads/Vireo/" } };
        for (const auto& [member, expected] : family) {
            const QString path = home() + QLatin1String(expected);
            QDir(path).removeRecursively();
            QCOMPARE((app()->*member)(), path);
            QVERIFY2(QFileInfo(path).isDir(), expected);
        }
    }

    void openAndSaveDirectories()
    {
        QCOMPARE(app()->openDirPath(), app()->workDirectory());
        app()->setOpenDirPath(QStringLiteral("/Users/a/Music/song.mp3"));
        QCOMPARE(app()->openDirPath(), QStringLiteral("/Users/a/Music"));
    }

    void resourcesAndEdition()
    {
        QCOMPARE(App::resourcesDirectoryFor(QStringLiteral("/usr/bin")), QStringLiteral("/usr/share/vireo/"));
        QCOMPARE(App::resourcesDirectoryFor(QStringLiteral("/opt/MacOS Tools/bin/")),
            QStringLiteral("/opt/MacOS Tools/share/vireo/"));
        QCOMPARE(app()->bundleResourcePath(), App::resourcesDirectoryFor(QCoreApplication::applicationDirPath()));

        const QString marker = app()->bundleResourcePath() + QStringLiteral("independent");
        QDir().mkpath(app()->bundleResourcePath());
        QFile::remove(marker);
        QVERIFY(App::isAppStore());
        writeFile(marker, "anything");
        QVERIFY(!App::isAppStore());
        QFile::remove(marker);
    }

    void buildText_data()
    {
        QTest::addColumn<QString>("compileDate");
        QTest::addColumn<QString>("build");
        QTest::addColumn<QDate>("date");
        QTest::newRow("two-digit day") << "Mar 13 2014"
                                       << "3/13/2014" << QDate(2014, 3, 13);
        QTest::newRow("padded day") << "Mar  3 2014"
                                    << "3/3/2014" << QDate(2014, 3, 3);
        QTest::newRow("two-digit month") << "Dec  1 2014"
                                         << "12/1/2014" << QDate(2014, 12, 1);
        QTest::newRow("October is not January") << "Oct 31 2026"
                                                << "10/31/2026" << QDate(2026, 10, 31);
        QTest::newRow("not a compiler date") << "yesterday"
                                             << "yesterday" << QDate();
    }

    void buildText()
    {
        QFETCH(QString, compileDate);
        QFETCH(QString, build);
        QFETCH(QDate, date);
        QCOMPARE(BuildInfo::buildText(compileDate), build);
        QCOMPARE(BuildInfo::dateFromBuildText(build), date);
    }

    void compiledDateParses()
    {
        const QDate date = BuildInfo::dateFromBuildText(BuildInfo::buildText(BuildInfo::compileDateText()));
        QVERIFY(date.isValid());
        QVERIFY(date <= QDate::currentDate());
    }
};

VIREO_TEST_MAIN(TestApp)
#include "tst_app.moc"

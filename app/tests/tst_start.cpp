#include "App.h"
#include "AppMediaHost.h"
#include "AudioFixtures.h"
#include "AudioPlayer.h"
#include "HelpDialog.h"
#include "TranslationsManager.h"

#include <QDialog>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

using namespace QzWidgets;

namespace {

// One start of the program's application object and player on a given home, as a user starts it: optionally
// sets volume and mute, runs the reminder check (its dialog dismissed at once), quits as "Quit" does and prints
// what it started with: volume|mute|language|reminder count|introduction due|language folder|"&Play"|
// "&Maybe Later"|direction|one translations manager.
int probe(int argc, char** argv)
{
    App app(argc, argv, QStringLiteral("Corvane"), QStringLiteral("Vireo"));
    AppMediaHost mediaHost(&app);
    QzMultiMedia::MediaHost::install(&mediaHost);
    const QString language = app.currentLanguage();
    TranslationsManager* manager = TranslationsManager::instance();
    auto* player = QzMultiMedia::AudioPlayer::instance();
    const QString started = QStringLiteral("%1|%2").arg(player->volume()).arg(player->isMuted() ? 1 : 0);
    if (argc >= 4) {
        player->setVolume(QString::fromLatin1(argv[2]).toDouble());
        if (qstrcmp(argv[3], "1") == 0) // unmuting restores the remembered volume, so only mute
            player->setMuted(true);
    }
    QTimer dismiss;
    QObject::connect(&dismiss, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    dismiss.start(10);
    app.setRemiderDelay(0);
    app.callReminder(4, 2);
    QTimer::singleShot(200, &app, &QCoreApplication::quit);
    const int code = app.exec();
    std::printf("%s|%s|%d|%d|%s|%s|%s|%s|%d\n", qPrintable(started), qPrintable(language),
        app.settingsValue(QStringLiteral("AutoReminderCount"), -1).toInt(),
        HelpDialog::isShowOnStartAvailable() ? 1 : 0, qPrintable(app.currentLanguageOptimized()),
        qPrintable(QCoreApplication::translate("Vireo", "&Play")),
        qPrintable(QCoreApplication::translate("QzWidgets::ReminderDialog", "&Maybe Later")),
        QGuiApplication::layoutDirection() == Qt::RightToLeft ? "rtl" : "ltr",
        manager == TranslationsManager::instance() ? 1 : 0);
    return code;
}

} // namespace

// What a start makes of what it finds: damaged, hostile or unwritable settings fall back to defaults or sane
// values, the system's locale or a stored choice gives the interface language, and volume and mute carry over.
class TestStart : public QObject
{
    Q_OBJECT

    QStringList start(
        const QString& home, const QString& locale = QStringLiteral("C.UTF-8"), const QStringList& args = {})
    {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
        env.insert(QStringLiteral("LC_ALL"), locale);
        env.insert(QStringLiteral("LANG"), locale);
        env.remove(QStringLiteral("LANGUAGE"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), QStringList { QStringLiteral("--probe") } + args);
        if (!child.waitForFinished(20000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
            return { QStringLiteral("did not start cleanly: ") + QString::fromUtf8(child.readAllStandardError()) };
        return QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(QLatin1Char('|'));
    }

private slots:
    // What the start finds where its settings should be, and what volume, mute, language, the reminder's start
    // count and the introduction come out as.
    void damagedSettings_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("result");
        const QString file = QStringLiteral(".config/Vireo/settings.plist");
        const QString defaults = QStringLiteral("0.5|0|en|2|1");
        QTest::newRow("random bytes") << file << AudioFixtures::randomBytes(32768, 99) << defaults;
        QTest::newRow("count as text, volume huge")
            << file
            << QByteArray("[Vireo]\nAutoReminderCount=often\nSoundVolume=1e308\n"
                          "SoundMute=perhaps\nLanguage=12345\nNeverShowItAgain=@Invalid()\n")
            << "1|0|en|1|1"; // a volume out of its range is brought into it
        QTest::newRow("negative volume") << file << QByteArray("[Vireo]\nSoundVolume=-5\nAutoReminderCount=-7\n")
                                         << "0|1|en|1|1"; // silent is muted; -6 would be a negative count: 1
        QTest::newRow("volume not a number") << file << QByteArray("[Vireo]\nSoundVolume=nan\n") << defaults;
        QTest::newRow("largest count") << file << QByteArray("[Vireo]\nAutoReminderCount=2147483647\n")
                                       << "0.5|0|en|1|1";
        QTest::newRow("count beyond int")
            << file << QByteArray("[Vireo]\nAutoReminderCount=99999999999999999999\n") << "0.5|0|en|1|1";
        // Nobody, root included, can write a file where a folder is: counted for this run, lost for the next.
        QTest::newRow("a folder where the file should be") << file + QLatin1Char('/') << QByteArray() << defaults;
        QTest::newRow("a file where the folder should be")
            << QStringLiteral(".config/Vireo") << QByteArray("a file") << defaults;
    }

    void damagedSettings()
    {
        QFETCH(QString, where);
        QFETCH(QByteArray, content);
        QFETCH(QString, result);
        QTemporaryDir home;
        const QString path = home.filePath(where);
        QVERIFY(QDir().mkpath(where.endsWith(QLatin1Char('/')) ? path : QFileInfo(path).path()));
        if (!where.endsWith(QLatin1Char('/')))
            QVERIFY(AudioFixtures::writeBytes(path, content));
        QCOMPARE(start(home.path()).mid(0, 5).join(QLatin1Char('|')), result);
    }

    // The language, its resource folder, what is stored for the next start, the menu's and the framework's
    // texts, and the reading direction.
    void language_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("expected");
        QTest::newRow("German system") << "de_DE.UTF-8"
                                       << ""
                                       << "de|de/|de|&Wiedergabe|&Vielleicht später|ltr";
        QTest::newRow("Russian stored") << "C.UTF-8"
                                        << "ru"
                                        << "ru|ru/|ru|&Играть|&Может быть, позже|ltr";
        QTest::newRow("Taiwan: English") << "zh_TW.UTF-8"
                                         << ""
                                         << "en||en|&Play|&Maybe Later|ltr";
        QTest::newRow("French: no file, source texts") << "fr_FR.UTF-8"
                                                       << ""
                                                       << "fr|fr/|fr|&Play|&Maybe Later|ltr";
        QTest::newRow("Arabic stored") << "C.UTF-8"
                                       << "ar"
                                       << "ar|ar/|ar|&Play|&Maybe Later|rtl";
    }

    void language()
    {
        QFETCH(QString, locale);
        QFETCH(QString, stored);
        QFETCH(QString, expected);
        QTemporaryDir home;
        const QString file = home.filePath(QStringLiteral(".config/Vireo/settings.plist"));
        if (!stored.isEmpty())
            QSettings(file, QSettings::IniFormat).setValue(QStringLiteral("Vireo/Language"), stored);
        const QStringList f = start(home.path(), locale);
        QCOMPARE(f.size(), 10);
        QCOMPARE(f[9], QStringLiteral("1")); // a second query makes no second manager
        const QString storedAfter
            = QSettings(file, QSettings::IniFormat).value(QStringLiteral("Vireo/Language")).toString();
        QCOMPARE((QStringList { f[2], f[5], storedAfter, f[6], f[7], f[8] }).join(QLatin1Char('|')), expected);
    }

    // Settings are read from a regular file only: what stands in its place (a FIFO, a link to a device) is moved
    // aside, kept, and the start goes on with defaults and writes a settings file of its own.
    void settingsThatAreNotAFile()
    {
        for (const char* kind : { "fifo", "device" }) {
            QTemporaryDir home;
            const QString file = home.filePath(QStringLiteral(".config/Vireo/settings.plist"));
            QVERIFY(QDir().mkpath(QFileInfo(file).path()));
            if (qstrcmp(kind, "fifo") == 0)
                QCOMPARE(mkfifo(QFile::encodeName(file).constData(), 0644), 0);
            else
                QVERIFY(QFile::link(QStringLiteral("/dev/zero"), file));
            QCOMPARE(start(home.path()).mid(0, 5).join(QLatin1Char('|')), QStringLiteral("0.5|0|en|2|1"));
            QVERIFY2(QFileInfo(file).isFile(), kind);
            const QFileInfo aside(file + QStringLiteral(".not-a-file"));
            QVERIFY2(aside.exists() || aside.isSymLink(), kind);
            QVERIFY(!aside.isFile());
        }
    }

    void volumeAndMuteSurviveARestart()
    {
        QTemporaryDir home;
        QCOMPARE(start(home.path(), QStringLiteral("C.UTF-8"), { "0.3", "0" }).mid(0, 2), (QStringList { "0.5", "0" }));
        QCOMPARE(start(home.path(), QStringLiteral("C.UTF-8"), { "0.8", "1" }).mid(0, 2), (QStringList { "0.3", "0" }));
        // A run that ended muted stored the silence with it: the next run starts silent.
        QCOMPARE(start(home.path()).mid(0, 2), (QStringList { "0", "1" }));
    }
};

int main(int argc, char** argv)
{
    if (argc >= 2 && qstrcmp(argv[1], "--probe") == 0)
        return probe(argc, argv);
    QCoreApplication app(argc, argv);
    TestStart test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_start.moc"

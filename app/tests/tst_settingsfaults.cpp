#include "App.h"
#include "AudioFixtures.h"
#include "AudioPlayer.h"
#include "Common.h"
#include "HelpDialog.h"

#include <QDialog>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>


using namespace QzWidgets;

namespace {

// One start of the program's settings users on a given home: prints what each setting came out as, then quits
// the way "Quit" does, so that the values are written back.
int probe(int argc, char** argv)
{
    App app(argc, argv, QStringLiteral("Corvane"), QStringLiteral("Vireo"));
    auto* player = QzMultiMedia::AudioPlayer::instance();
    // The reminder check of this start, with its dialog dismissed at once if it comes.
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
    std::printf("%g|%d|%s|%d|%d\n", player->volume(), player->isMuted() ? 1 : 0, qPrintable(app.currentLanguage()),
        app.settingsValue(QStringLiteral("AutoReminderCount"), -1).toInt(),
        HelpDialog::isShowOnStartAvailable() ? 1 : 0);
    return code;
}

} // namespace

// Damaged, hostile or unwritable settings: the program starts and falls back to defaults or sane values.
class TestSettingsFaults : public QObject
{
    Q_OBJECT

    QProcessEnvironment environment(const QString& home)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*.debug=false"));
        return env;
    }

    QString start(const QString& home)
    {
        QProcess child;
        child.setProcessEnvironment(environment(home));
        child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--probe") });
        if (!child.waitForFinished(20000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
            return QStringLiteral("did not start cleanly: ") + QString::fromUtf8(child.readAllStandardError());
        return QString::fromUtf8(child.readAllStandardOutput()).trimmed();
    }

private slots:
    // What the start finds where its settings should be, and what the settings come out as: volume, mute,
    // language, the reminder's start count and whether the introduction is due.
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
            << "1e+308|0|en|1|1";
        QTest::newRow("negative volume") << file << QByteArray("[Vireo]\nSoundVolume=-5\nAutoReminderCount=-7\n")
                                         << "-5|1|en|1|1"; // -6 would be negative: 1
        QTest::newRow("largest count") << file << QByteArray("[Vireo]\nAutoReminderCount=2147483647\n")
                                       << "0.5|0|en|1|1";
        QTest::newRow("count beyond int")
            << file << QByteArray("[Vireo]\nAutoReminderCount=99999999999999999999\n") << "0.5|0|en|1|1";
        // Nobody, root included, can write a file where a folder is: counted for this run, lost for the next.
        QTest::newRow("a folder where the file should be") << file + QLatin1Char('/') << QByteArray() << defaults;
        QTest::newRow("a file where the folder should be") << QStringLiteral(".config/Vireo") << QByteArray("a file")
                                                           << defaults;
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
        QCOMPARE(start(home.path()), result);
    }
};

int main(int argc, char** argv)
{
    if (argc >= 2 && qstrcmp(argv[1], "--probe") == 0)
        return probe(argc, argv);
    QCoreApplication app(argc, argv);
    TestSettingsFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settingsfaults.moc"

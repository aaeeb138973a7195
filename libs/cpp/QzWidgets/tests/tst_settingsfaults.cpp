#include "VireoTestMain.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSettings>

using QzWidgets::App;

// The settings file is planted before the application object opens it, as a user's damaged file would be.
class TestSettingsFaults : public QObject
{
    Q_OBJECT

private slots:
    void garbageFileGivesDefaults()
    {
        QCOMPARE(App::theApp()->settingsValue(QStringLiteral("Language"), QStringLiteral("en")).toString(),
            QStringLiteral("en"));
        QCOMPARE(App::theApp()->settingsValue(QStringLiteral("/SoundVolume"), 0.5).toDouble(), 0.5);
    }

    void storeStillWorksAfterGarbage()
    {
        App::theApp()->setSettingsValue(QStringLiteral("Language"), QStringLiteral("ru"));
        App::theApp()->settings()->sync();
        QSettings again(App::theApp()->settings()->fileName(), QSettings::IniFormat);
        QCOMPARE(again.value(QStringLiteral("Vireo/Language")).toString(), QStringLiteral("ru"));
    }
};

int main(int argc, char** argv)
{
    return VireoTest::runTests<TestSettingsFaults>(argc, argv, [](const QString& home) {
        const QString dir = home + QStringLiteral("/.config/Vireo");
        QDir().mkpath(dir);
        QFile file(dir + QStringLiteral("/settings.plist"));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot plant the settings file");
        QRandomGenerator random(20261206);
        QByteArray bytes(64 * 1024, Qt::Uninitialized);
        for (char& c : bytes)
            c = char(random.bounded(256));
        file.write(bytes);
    });
}

#include "tst_settingsfaults.moc"

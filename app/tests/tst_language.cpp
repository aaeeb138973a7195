#include "App.h"
#include "TranslationsManager.h"
#include "VireoTestMain.h"

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

using namespace QzWidgets;

namespace {

// One start of the application object under a given locale: prints what the interface language came out as.
int probe(int argc, char** argv)
{
    App app(argc, argv, QStringLiteral("Corvane"), QStringLiteral("Vireo"));
    const QString language = app.currentLanguage();
    TranslationsManager* first = TranslationsManager::instance();
    app.currentLanguage();
    std::printf("%s|%s|%s|%s|%s|%s|%d\n", qPrintable(language), qPrintable(app.currentLanguageOptimized()),
        qPrintable(app.settingsValue(QStringLiteral("Language"), QString()).toString()),
        qPrintable(QCoreApplication::translate("Vireo", "&Play")),
        qPrintable(QCoreApplication::translate("QzWidgets::ReminderDialog", "&Maybe Later")),
        QGuiApplication::layoutDirection() == Qt::RightToLeft ? "rtl" : "ltr",
        first == TranslationsManager::instance() ? 1 : 0);
    return 0;
}

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

    // Starts the probe with a fresh home, a locale and optionally a stored "Language".
    QStringList start(const QString& locale, const QString& stored = QString())
    {
        QTemporaryDir home;
        if (!stored.isEmpty()) {
            QSettings settings(home.path() + QStringLiteral("/.config/Vireo/settings.plist"), QSettings::IniFormat);
            settings.setValue(QStringLiteral("Vireo/Language"), stored);
        }
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/.local/share"));
        env.insert(QStringLiteral("LC_ALL"), locale);
        env.insert(QStringLiteral("LANG"), locale);
        env.remove(QStringLiteral("LANGUAGE"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("vireo.*.debug=false"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--probe") });
        if (!child.waitForFinished(20000))
            return {};
        const QStringList fields = QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(QLatin1Char('|'));
        const QString storedAfter
            = QSettings(home.path() + QStringLiteral("/.config/Vireo/settings.plist"), QSettings::IniFormat)
                  .value(QStringLiteral("Vireo/Language"))
                  .toString();
        return fields + QStringList { storedAfter };
    }

private slots:
    void normalizedLanguage_data()
    {
        QTest::addColumn<QString>("requested");
        QTest::addColumn<QString>("language");
        QTest::newRow("German locale") << "de_DE"
                                       << "de";
        QTest::newRow("Taiwan") << "zh_TW"
                                << "en";
        QTest::newRow("Japan") << "ja_JP"
                               << "en";
        QTest::newRow("China") << "zh_CN"
                               << "zh_CN";
        QTest::newRow("Konkani holds ko") << "kok_IN"
                                          << "ko";
        QTest::newRow("ar and de: de first") << "ar_de"
                                             << "de";
        QTest::newRow("nonsense") << "xx"
                                  << "en";
    }

    void normalizedLanguage()
    {
        QFETCH(QString, requested);
        QFETCH(QString, language);
        QCOMPARE(TranslationsManager::normalizedLanguage(requested), language);
    }

    void germanSystemWithoutSetting()
    {
        const QStringList f = start(QStringLiteral("de_DE.UTF-8"));
        QCOMPARE(f.size(), 8);
        QCOMPARE(f[0], QStringLiteral("de"));
        QCOMPARE(f[1], QStringLiteral("de/"));
        QCOMPARE(f[2], QStringLiteral("de"));
        QCOMPARE(f[3], QStringLiteral("&Wiedergabe")); // the menu's texts are translated
        QCOMPARE(f[4], QStringLiteral("&Vielleicht später")); // and the framework's
        QCOMPARE(f[5], QStringLiteral("ltr"));
        QCOMPARE(f[6], QStringLiteral("1")); // a second query makes no second manager
        QCOMPARE(f[7], QStringLiteral("de")); // stored for the next start
    }

    void russianSetting()
    {
        const QStringList f = start(QStringLiteral("C.UTF-8"), QStringLiteral("ru"));
        QCOMPARE(f.value(0), QStringLiteral("ru"));
        QCOMPARE(f.value(3), QStringLiteral("&Играть"));
    }

    void otherLanguagesShowTheSourceTexts()
    {
        QStringList f = start(QStringLiteral("zh_TW.UTF-8"));
        QCOMPARE(f.value(0), QStringLiteral("en"));
        QCOMPARE(f.value(1), QString());
        QCOMPARE(f.value(3), QStringLiteral("&Play"));
        QCOMPARE(f.value(7), QStringLiteral("en"));
        f = start(QStringLiteral("fr_FR.UTF-8"));
        QCOMPARE(f.value(0), QStringLiteral("fr"));
        QCOMPARE(f.value(3), QStringLiteral("&Play")); // no French file: the source text
    }

    void arabicIsRightToLeft()
    {
        const QStringList f = start(QStringLiteral("C.UTF-8"), QStringLiteral("ar"));
        QCOMPARE(f.value(0), QStringLiteral("ar"));
        QCOMPARE(f.value(5), QStringLiteral("rtl"));
    }
};

int main(int argc, char** argv)
{
    if (argc >= 2 && qstrcmp(argv[1], "--probe") == 0)
        return probe(argc, argv);
    QCoreApplication app(argc, argv);
    TestLanguage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_language.moc"

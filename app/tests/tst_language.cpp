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

    // What a start makes of the system's locale and a stored choice: the language, its resource folder, what is
    // stored for the next start, the menu's and the framework's texts, and the reading direction.
    void startUnder_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("German system") << "de_DE.UTF-8" << ""
                                       << QStringList { "de", "de/", "de", "&Wiedergabe", "&Vielleicht später", "ltr" };
        QTest::newRow("Russian stored") << "C.UTF-8" << "ru"
                                        << QStringList { "ru", "ru/", "ru", "&Играть", "&Может быть, позже", "ltr" };
        QTest::newRow("Taiwan: English") << "zh_TW.UTF-8" << ""
                                         << QStringList { "en", "", "en", "&Play", "&Maybe Later", "ltr" };
        QTest::newRow("French: no file, source texts")
            << "fr_FR.UTF-8" << "" << QStringList { "fr", "fr/", "fr", "&Play", "&Maybe Later", "ltr" };
        QTest::newRow("Arabic stored") << "C.UTF-8" << "ar"
                                       << QStringList { "ar", "ar/", "ar", "&Play", "&Maybe Later", "rtl" };
    }

    void startUnder()
    {
        QFETCH(QString, locale);
        QFETCH(QString, stored);
        QFETCH(QStringList, expected);
        const QStringList f = start(locale, stored);
        QCOMPARE(f.size(), 8);
        QCOMPARE(f.value(6), QStringLiteral("1")); // a second query makes no second manager
        QCOMPARE((QStringList { f[0], f[1], f[7], f[3], f[4], f[5] }), expected);
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

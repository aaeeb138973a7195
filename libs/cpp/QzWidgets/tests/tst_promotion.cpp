#include "App.h"
#include "Common.h"
#include "JoinWidget.h"
#include "TellWidget.h"
#include "TranslationsManager.h"
#include "UrlRecorder.h"
#include "VireoDeployment.h"
#include "VireoTestMain.h"

#include <QMenu>
#include <QPushButton>
#include <QSysInfo>

#include <functional>

using namespace QzWidgets;

// Where the program sends the user: store, share, join, contact and support addresses, and the helpers that
// give the dialogs their look.
class TestPromotion : public QObject
{
    Q_OBJECT

    UrlRecorder m_urls;
    const QString site = QString::fromUtf8(VireoDeployment::siteRoot);
    const QString store = QString::fromUtf8(VireoDeployment::storeServer);

    App* app()
    {
        return App::theApp();
    }

    void setStoreBuild(bool store)
    {
        const QString marker = app()->bundleResourcePath() + QStringLiteral("independent");
        QDir().mkpath(app()->bundleResourcePath());
        if (store) {
            QFile::remove(marker);
        } else {
            QFile f(marker);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QCOMPARE(App::isAppStore(), store);
    }

    void click(QWidget* panel, const char* objectName)
    {
        auto* button = panel->findChild<QPushButton*>(QLatin1String(objectName));
        QVERIFY2(button, objectName);
        button->click();
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationVersion(QStringLiteral("1.1"));
        app()->setAppId(QStringLiteral("id123456789"));
        app()->setFaceBookShareLink(site + QStringLiteral("apps/vireo/vireofacebook.php"));
        app()->setTwitterShareLink(site + QStringLiteral("apps/vireo/vireotwitter.php"));
        app()->setVKontakteShareLink(site + QStringLiteral("apps/vireo/vireovkontakte.php"));
        TranslationsManager::instance()->setTranslation(QStringLiteral("en"));
    }

    void shareAndJoinAddresses()
    {
        TellWidget tell;
        for (const char* name : { "FaceBookShareButton", "TwitterShareButton", "VKontakteShareButton" })
            click(&tell, name);
        QCOMPARE(m_urls.opened,
            (QList<QUrl> { QUrl(site + QStringLiteral("apps/vireo/vireofacebook.php")),
                QUrl(site + QStringLiteral("apps/vireo/vireotwitter.php")),
                QUrl(site + QStringLiteral("apps/vireo/vireovkontakte.php")) }));
        m_urls.opened.clear();

        JoinWidget join;
        for (const char* name : { "FaceBookJoinButton", "TwitterJoinButton", "VKontakteJoinButton", "EmailJoinButton" })
            click(&join, name);
        QStringList networks;
        for (const QUrl& url : std::as_const(m_urls.opened)) {
            QCOMPARE(url.toString(QUrl::RemoveQuery), site + QStringLiteral("apps/appscontrol/index.php"));
            QCOMPARE(UrlRecorder::queryItem(url, "app"), QStringLiteral("Vireo"));
            networks << UrlRecorder::queryItem(url, "social");
        }
        QCOMPARE(networks, (QStringList { "facebook", "twitter", "vkontakte", "email" }));
        m_urls.opened.clear();
    }

    void emptyShareLinkHidesItsButtons()
    {
        app()->setTwitterShareLink(QString());
        TellWidget tell;
        JoinWidget join;
        tell.show();
        join.show();
        QVERIFY(!tell.findChild<QPushButton*>(QStringLiteral("TwitterShareButton"))->isVisible());
        QVERIFY(!join.findChild<QPushButton*>(QStringLiteral("TwitterJoinButton"))->isVisible());
        QVERIFY(join.findChild<QPushButton*>(QStringLiteral("EmailJoinButton"))->isVisible());
        app()->setTwitterShareLink(site + QStringLiteral("apps/vireo/vireotwitter.php"));
    }

    void shareMail_data()
    {
        QTest::addColumn<QString>("supportPage");
        QTest::addColumn<bool>("storeBuild");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("link");
        const QString support = QStringLiteral("http://corvane.example/apps/vireo/");
        QTest::newRow("support page set") << support << true << "de" << support;
        QTest::newRow("store build in German")
            << "" << true << "de"
            << QString::fromUtf8(VireoDeployment::storeServer) + QStringLiteral("de/app/vireo/id123456789?ls=1&mt=12");
        QTest::newRow("store build in English")
            << "" << true << "en"
            << QString::fromUtf8(VireoDeployment::storeServer) + QStringLiteral("app/vireo/id123456789?ls=1&mt=12");
        QTest::newRow("neither") << "" << false << "de"
                                 << QString::fromUtf8(VireoDeployment::siteRoot) + QStringLiteral("apps/vireo.html");
    }

    void shareMail()
    {
        QFETCH(QString, supportPage);
        QFETCH(bool, storeBuild);
        QFETCH(QString, language);
        QFETCH(QString, link);
        setStoreBuild(storeBuild);
        TranslationsManager::instance()->setTranslation(language);
        app()->setAppSupportPage(supportPage);

        TellWidget tell;
        click(&tell, "EmailShareButton");
        const QUrl mail = m_urls.takeLast();
        QCOMPARE(mail.scheme(), QStringLiteral("mailto"));
        QCOMPARE(mail.path(), QString());
        QCOMPARE(UrlRecorder::queryItem(mail, "subject"), QStringLiteral("Check out the cool Vireo app!"));
        QCOMPARE(UrlRecorder::queryItem(mail, "body"),
            QStringLiteral("Hi, check out this cool Vireo app - available in the App Stores: ") + link);
        app()->setAppSupportPage(QString());
        TranslationsManager::instance()->setTranslation(QStringLiteral("en"));
    }

    void contactMail_data()
    {
        QTest::addColumn<bool>("storeBuild");
        QTest::addColumn<QString>("ending");
        QTest::newRow("store build") << true << " en ";
        QTest::newRow("independent build") << false << " en I";
    }

    void contactMail()
    {
        QFETCH(bool, storeBuild);
        QFETCH(QString, ending);
        setStoreBuild(storeBuild);
        app()->slotContactUs();
        const QUrl mail = m_urls.takeLast();
        QCOMPARE(mail.scheme(), QStringLiteral("mailto"));
        QCOMPARE(mail.path(), QString::fromUtf8(VireoDeployment::contactAddress));
        QCOMPARE(UrlRecorder::queryItem(mail, "subject"),
            QStringLiteral("Contact (Vireo 1.1) ") + QSysInfo::prettyProductName() + ending);
        QVERIFY(QUrlQuery(mail).hasQueryItem(QStringLiteral("body")));
    }

    // Each command, after the settings before it, opens this address.
    void addresses()
    {
        const auto opens = [this](const std::function<void()>& command) {
            command();
            return m_urls.takeLast().toString();
        };
        QCOMPARE(opens([this] { app()->slotRateApp(); }), store + QStringLiteral("app/vireo/id123456789?ls=1&mt=12"));
        app()->setAppSupportPage(QString());
        QCOMPARE(opens([this] { app()->slotSupportPage(); }), site);
        app()->setAppSupportPage(site + QStringLiteral("apps/vireo/"));
        QCOMPARE(opens([this] { app()->slotSupportPage(); }), site + QStringLiteral("apps/vireo/"));
        QCOMPARE(opens([this] { app()->slotShowMoreApps(); }),
            store + QString::fromUtf8(VireoDeployment::artistPage) + QStringLiteral("?mt=12"));

        const auto promoted = [this] { app()->slotGoToPromotedApp(); };
        app()->setPromotedAppNameAndID(QStringLiteral("Other"), QStringLiteral("id9"));
        app()->setPromotedLink(site + QStringLiteral("apps/vireo/"));
        QCOMPARE(opens(promoted), site + QStringLiteral("apps/vireo/")); // the link wins
        app()->setPromotedLink(QString());
        QCOMPARE(opens(promoted), store + QStringLiteral("app/other/id9?ls=1&mt=12"));
        app()->setLitePromotedAppNameAndID(QStringLiteral("Tool"), QString());
        QVERIFY(!app()->isLite()); // a name alone makes no lite promotion
        app()->setLitePromotedAppNameAndID(QStringLiteral("Tool"), QStringLiteral("id1"));
        QCOMPARE(opens(promoted), store + QStringLiteral("app/tool/id1?ls=1&mt=12"));
        app()->setLitePromotedLink(QStringLiteral("https://lite.example/"));
        QCOMPARE(opens(promoted), QStringLiteral("https://lite.example/"));
    }

    void reminderKind_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<bool>("store");
        QTest::addColumn<quint32>("draw");
        QTest::addColumn<int>("kind");
        QTest::newRow("rate only, store") << 8 << true << 5u << 1;
        QTest::newRow("rate only, independent: tell") << 8 << false << 5u << 2;
        QTest::newRow("tell only") << 2 << true << 5u << 2;
        QTest::newRow("all three, draw 0 mod 3") << 7 << true << 3u << 1;
        QTest::newRow("all three, draw 1 mod 3") << 7 << true << 4u << 2;
        QTest::newRow("all three, draw 2 mod 3") << 7 << true << 5u << 4;
        QTest::newRow("rate or tell, even") << 3 << true << 2u << 1;
        QTest::newRow("rate or join, odd") << 5 << true << 3u << 4;
        QTest::newRow("tell or join, even") << 6 << true << 2u << 4;
        QTest::newRow("tell or join, odd") << 6 << true << 3u << 2;
    }

    void reminderKind()
    {
        QFETCH(int, mask);
        QFETCH(bool, store);
        QFETCH(quint32, draw);
        QFETCH(int, kind);
        QCOMPARE(App::reminderKindFor(mask, store, draw), kind);
    }

    // Menus and every submenu get the same translucency; a transparency below zero is no more than opaque.
    void opacity()
    {
        QMenu menu;
        QMenu* subsub = menu.addMenu(QStringLiteral("sub"))->addMenu(QStringLiteral("subsub"));
        Common::setMenuOpacity(&menu);
        QVERIFY(qAbs(subsub->windowOpacity() - 0.95) < 1.0 / 255); // Qt keeps opacity in 1/255 steps
        app()->setSettingsValue(QStringLiteral("TransparencyParameters/ChartDialogs"), 0);
        QWidget w;
        Common::setChartDialogOpacity(&w);
        QCOMPARE(w.windowOpacity(), 1.0);
    }
};

VIREO_TEST_MAIN(TestPromotion)
#include "tst_promotion.moc"

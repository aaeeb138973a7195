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
#include <QRandomGenerator>
#include <QScreen>
#include <QSysInfo>

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

    void ratingAddress()
    {
        app()->slotRateApp();
        QCOMPARE(m_urls.takeLast().toString(), store + QStringLiteral("app/vireo/id123456789?ls=1&mt=12"));
    }

    void shareAndJoinAddresses()
    {
        TellWidget tell;
        click(&tell, "FaceBookShareButton");
        click(&tell, "TwitterShareButton");
        click(&tell, "VKontakteShareButton");
        QCOMPARE(m_urls.opened.size(), 3);
        QCOMPARE(m_urls.opened[0].toString(), site + QStringLiteral("apps/vireo/vireofacebook.php"));
        QCOMPARE(m_urls.opened[1].toString(), site + QStringLiteral("apps/vireo/vireotwitter.php"));
        QCOMPARE(m_urls.opened[2].toString(), site + QStringLiteral("apps/vireo/vireovkontakte.php"));
        m_urls.opened.clear();

        JoinWidget join;
        const QStringList networks { "facebook", "twitter", "vkontakte", "email" };
        for (const char* name : { "FaceBookJoinButton", "TwitterJoinButton", "VKontakteJoinButton", "EmailJoinButton" })
            click(&join, name);
        QCOMPARE(m_urls.opened.size(), 4);
        for (int i = 0; i < 4; ++i) {
            const QUrl url = m_urls.opened[i];
            QCOMPARE(url.toString(QUrl::RemoveQuery), site + QStringLiteral("apps/appscontrol/index.php"));
            QCOMPARE(UrlRecorder::queryItem(url, "app"), QStringLiteral("Vireo"));
            QCOMPARE(UrlRecorder::queryItem(url, "social"), networks[i]);
        }
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
        QVERIFY(tell.findChild<QPushButton*>(QStringLiteral("FaceBookShareButton"))->isVisible());
        QVERIFY(join.findChild<QPushButton*>(QStringLiteral("EmailJoinButton"))->isVisible());
        QCOMPARE(tell.findChild<QPushButton*>(QStringLiteral("EmailShareButton"))->size(), QSize(190, 35));
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

    void supportAndMoreApps()
    {
        app()->setAppSupportPage(QString());
        app()->slotSupportPage();
        QCOMPARE(m_urls.takeLast().toString(), site);
        app()->setAppSupportPage(site + QStringLiteral("apps/vireo/"));
        app()->slotSupportPage();
        QCOMPARE(m_urls.takeLast().toString(), site + QStringLiteral("apps/vireo/"));
        app()->slotShowMoreApps();
        QCOMPARE(m_urls.takeLast().toString(),
            store + QString::fromUtf8(VireoDeployment::artistPage) + QStringLiteral("?mt=12"));
    }

    void promotedAndLite()
    {
        app()->setPromotedAppNameAndID(QStringLiteral("Other"), QStringLiteral("id9"));
        app()->setPromotedLink(site + QStringLiteral("apps/vireo/"));
        QVERIFY(!app()->isLite());
        app()->slotGoToPromotedApp();
        QCOMPARE(m_urls.takeLast().toString(), site + QStringLiteral("apps/vireo/")); // the link wins

        app()->setPromotedLink(QString());
        app()->slotGoToPromotedApp();
        QCOMPARE(m_urls.takeLast().toString(), store + QStringLiteral("app/other/id9?ls=1&mt=12"));

        app()->setLitePromotedAppNameAndID(QStringLiteral("Tool"), QString());
        QVERIFY(!app()->isLite()); // a name alone makes no lite promotion
        app()->setLitePromotedAppNameAndID(QStringLiteral("Tool"), QStringLiteral("id1"));
        QVERIFY(app()->isLite());
        app()->slotGoToPromotedApp();
        QCOMPARE(m_urls.takeLast().toString(), store + QStringLiteral("app/tool/id1?ls=1&mt=12"));
        app()->setLitePromotedLink(QStringLiteral("https://lite.example/"));
        app()->slotGoToPromotedApp();
        QCOMPARE(m_urls.takeLast().toString(), QStringLiteral("https://lite.example/"));
    }

    void reminderKinds()
    {
        // Mask 6: tell or join, about evenly over many starts, never rate.
        QMap<int, int> seen;
        for (quint32 seed = 0; seed < 1000; ++seed) {
            QRandomGenerator random(seed);
            ++seen[App::reminderKindFor(6, true, random.generate())];
        }
        QCOMPARE(seen.value(1), 0);
        QVERIFY2(seen.value(2) > 400 && seen.value(4) > 400,
            qPrintable(QStringLiteral("%1 %2").arg(seen.value(2)).arg(seen.value(4))));
        QCOMPARE(App::reminderKindFor(8, true, 5), 1);
        QCOMPARE(App::reminderKindFor(8, false, 5), 2);
        QCOMPARE(App::reminderKindFor(2, true, 5), 2);
        QCOMPARE(App::reminderKindFor(7, true, 3), 1);
        QCOMPARE(App::reminderKindFor(7, true, 4), 2);
        QCOMPARE(App::reminderKindFor(7, true, 5), 4);
        QCOMPARE(App::reminderKindFor(3, true, 2), 1);
        QCOMPARE(App::reminderKindFor(5, true, 3), 4);
        QCOMPARE(App::reminderKindFor(6, true, 2), 4);
        QCOMPARE(App::reminderKindFor(6, true, 3), 2);
    }

    void helpers()
    {
        QWidget w;
        w.setToolTip(QStringLiteral("old"));
        Common::extend(&w, QStringLiteral("Named"), QString());
        QCOMPARE(w.objectName(), QStringLiteral("Named"));
        QCOMPARE(w.toolTip(), QStringLiteral("old"));
        Common::extend(&w, QStringLiteral("Named"), QStringLiteral("new"));
        QCOMPARE(w.toolTip(), QStringLiteral("new"));

        QMenu menu;
        QMenu* sub = menu.addMenu(QStringLiteral("sub"));
        QMenu* subsub = sub->addMenu(QStringLiteral("subsub"));
        Common::setMenuOpacity(&menu);
        for (QMenu* m : { &menu, sub, subsub })
            QVERIFY(qAbs(m->windowOpacity() - 0.95) < 1.0 / 255); // Qt keeps opacity in 1/255 steps
        app()->setSettingsValue(QStringLiteral("TransparencyParameters/ChartDialogs"), 0);
        QCOMPARE(Common::opacityFromTransparency(0), double(1.3f));
        Common::setChartDialogOpacity(&w);
        QCOMPARE(w.windowOpacity(), 1.0); // more than opaque is opaque
        QCOMPARE(Common::opacityFromTransparency(130), double(0.0f));

        QPushButton b;
        Common::applyPushButtonDetails(&b);
        QCOMPARE(b.objectName(), QStringLiteral("PushButton"));
        QVERIFY(b.isFlat());
        QCOMPARE(b.minimumHeight(), 32);
        QPushButton t;
        t.setObjectName(QStringLiteral("Tool"));
        Common::applyToolButtonDetails(&t);
        QCOMPARE(t.size(), QSize(32, 32));
        QCOMPARE(t.objectName(), QStringLiteral("Tool"));

        const QScreen* screen = QGuiApplication::primaryScreen();
        const QPixmap shot = Common::grabScreen();
        QCOMPARE(shot.width(), int(screen->geometry().width() * screen->devicePixelRatio()));
    }
};

VIREO_TEST_MAIN(TestPromotion)
#include "tst_promotion.moc"

#include "AboutDialog.h"
#include "App.h"
#include "HelpDialog.h"
#include "HelpDisplay.h"
#include "HelpViewArea.h"
#include "JumpToSongWindow.h"
#include "JoinDialog.h"
#include "JoinReminderDialog.h"
#include "RateReminderDialog.h"
#include "TellDialog.h"
#include "TellReminderDialog.h"
#include "UrlRecorder.h"
#include "VireoStyle.h"
#include "VireoTestMain.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <climits>
#include <functional>
#include <memory>

using namespace QzWidgets;

namespace {

QStringList visibleButtonTexts(QWidget* dialog)
{
    QList<QPushButton*> buttons = dialog->findChildren<QPushButton*>(QStringLiteral("PushButton"));
    std::sort(buttons.begin(), buttons.end(), [](QPushButton* a, QPushButton* b) {
        const QPoint pa = a->mapTo(a->window(), QPoint()), pb = b->mapTo(b->window(), QPoint());
        return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
    });
    QStringList texts;
    for (QPushButton* b : buttons) {
        if (b->isVisible())
            texts << b->text();
    }
    return texts;
}

QPushButton* buttonWithText(QWidget* dialog, const QString& text)
{
    for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
        if (b->isVisible() && b->text() == text)
            return b;
    }
    return nullptr;
}

QList<QPointer<QTimer>> watches;

// Acts on the next modal dialog once it is up, as the user would.
void whenDialogShows(std::function<void(QDialog*)> act)
{
    auto* poll = new QTimer;
    watches << poll;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(dialog);
        }
    });
    poll->start(20);
}

// A watch whose dialog never came must not act on a later test's dialog.
void cancelDialogWatches()
{
    for (const QPointer<QTimer>& watch : std::as_const(watches))
        delete watch.data();
    watches.clear();
}

} // namespace

// The framework's dialogs with the program's style sheet: answers, texts, layouts, the slide show and the
// reminder schedule. The same tests run on a desktop screen and on a 480 by 800 pocket screen.
class TestDialogs : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QStringList m_slides;
    UrlRecorder m_urls;
    bool m_bPocket = false;

    App* app()
    {
        return App::theApp();
    }
    void render(QWidget* w, const QString& name)
    {
        const QString dir = QStringLiteral(VIREO_ARTIFACTS_DIR "/dialogs/")
            + (m_bPocket ? QStringLiteral("pocket") : QStringLiteral("desktop"));
        QDir().mkpath(dir);
        w->adjustSize();
        w->show();
        QCoreApplication::processEvents();
        QVERIFY(w->grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png")));
        // Nothing is squeezed below what it needs.
        QVERIFY2(w->width() >= w->minimumSizeHint().width(), qPrintable(name));
        w->hide();
    }

    int runReminder(int count, int kind)
    {
        app()->setSettingsValue(QStringLiteral("AutoReminderCount"), count);
        int shown = 0;
        whenDialogShows([&shown](QDialog* dialog) {
            ++shown;
            buttonWithText(dialog, QStringLiteral("&Maybe Later"))->click();
        });
        app()->setRemiderDelay(0);
        app()->callReminder(4, kind);
        QTest::qWait(150);
        cancelDialogWatches();
        return shown;
    }

private slots:
    void init()
    {
        cancelDialogWatches();
        // Every picture the style sheet names is compiled in: a missing one leaves a panel unstyled and a warning
        // on standard error each time a dialog is styled.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("Could not create pixmap")));
    }
    void cleanup()
    {
        cancelDialogWatches();
    }

    void initTestCase()
    {
        app()->setStyleSheet(strVireoStyle);
        m_bPocket = app()->isPocketDevice();
        QCOMPARE(m_bPocket, qgetenv("QT_QPA_PLATFORM").contains("configfile"));
        for (int n = 1; n <= 3; ++n) {
            QImage slide(800, 600, QImage::Format_RGB32);
            slide.fill(QColor::fromHsv(n * 100, 200, 200));
            m_slides << m_dir.filePath(QStringLiteral("slide%1.jpg").arg(n));
            QVERIFY(slide.save(m_slides.last()));
        }
        app()->setFaceBookShareLink(QStringLiteral("http://corvane.example/f"));
        app()->setTwitterShareLink(QStringLiteral("http://corvane.example/t"));
        app()->setVKontakteShareLink(QStringLiteral("http://corvane.example/v"));
    }

    void rateReminderAnswers_data()
    {
        QTest::addColumn<QString>("press");
        QTest::addColumn<int>("state");
        QTest::newRow("rate it now") << "&Rate It Now" << 1;
        QTest::newRow("maybe later") << "&Maybe Later" << 2;
        QTest::newRow("never") << "&Never Ask Me Again" << 3;
        QTest::newRow("escape") << "" << 0;
    }

    void rateReminderAnswers()
    {
        QFETCH(QString, press);
        QFETCH(int, state);
        RateReminderDialog dialog;
        whenDialogShows([press](QDialog* d) {
            if (press.isEmpty())
                QTest::keyClick(d, Qt::Key_Escape);
            else
                buttonWithText(d, press)->click();
        });
        dialog.exec();
        QCOMPARE(dialog.state(), state);
    }

    // Title and buttons of each reminder, read in order; on a pocket screen the rating buttons stack.
    void reminders_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("buttons");
        QTest::newRow("rate-reminder") << 1 << "Help Spread the Word about \"Vireo\""
                                       << QStringList { "&Maybe Later", "&Never Ask Me Again", "&Rate It Now" };
        QTest::newRow("tell-reminder") << 2 << "Share" << QStringList { "&Never Ask Me Again", "&Maybe Later" };
        QTest::newRow("join-reminder") << 4 << "Join Us" << QStringList { "&Never Ask Me Again", "&Maybe Later" };
    }

    void reminders()
    {
        QFETCH(int, kind);
        QFETCH(QString, title);
        QFETCH(QStringList, buttons);
        std::unique_ptr<QDialog> dialog;
        if (kind == 1)
            dialog = std::make_unique<RateReminderDialog>();
        else if (kind == 2)
            dialog = std::make_unique<TellReminderDialog>();
        else
            dialog = std::make_unique<JoinReminderDialog>();
        dialog->show();
        QCoreApplication::processEvents();
        QCOMPARE(dialog->windowTitle(), title);
        QCOMPARE(visibleButtonTexts(dialog.get()), buttons);
        if (kind == 1) {
            const int later = buttonWithText(dialog.get(), QStringLiteral("&Maybe Later"))->pos().y();
            QCOMPARE(buttonWithText(dialog.get(), QStringLiteral("&Rate It Now"))->pos().y() > later, m_bPocket);
        }
        render(dialog.get(), QString::fromLatin1(QTest::currentDataTag()));
    }

    void shareAndJoinDialogs()
    {
        TellDialog tell;
        QCOMPARE(tell.windowTitle(), QStringLiteral("Share Vireo"));
        tell.show();
        QCOMPARE(tell.findChildren<QPushButton*>(QStringLiteral("EmailShareButton")).size(), 1);
        render(&tell, QStringLiteral("share"));
        JoinDialog join;
        QCOMPARE(join.windowTitle(), QStringLiteral("Join us"));
        render(&join, QStringLiteral("join"));
        whenDialogShows([](QDialog* d) { buttonWithText(d, QStringLiteral("&Close"))->click(); });
        app()->slotShareApp(); // returns when closed
    }

    void aboutBox()
    {
        AboutDialog about;
        QCOMPARE(about.windowTitle(), QStringLiteral("Vireo Info"));
        const QList<QLabel*> labels = about.findChildren<QLabel*>();
        const QString build = QStringLiteral(" Build: ") + app()->buildDate().toString(QStringLiteral("dd.MM.yyyy"));
        QVERIFY(std::any_of(labels.begin(), labels.end(),
            [&](QLabel* label) { return label->text().contains(build) && label->openExternalLinks(); }));
        render(&about, QStringLiteral("about"));
    }

    void slideShow()
    {
        HelpDialog help;
        for (const QString& slide : m_slides)
            help.addSlide(slide);
        HelpViewArea* area = help.viewArea();
        help.show();
        const QList<QAbstractButton*> buttons = area->buttonGroup()->buttons();
        QCOMPARE(buttons.size(), 3);
        QVERIFY(buttons[0]->isChecked());
        QCOMPARE(area->display()->slide(), m_slides[0]);
        render(&help, QStringLiteral("introduction"));
        help.show();

        // 1, 2, 3, 1, each four seconds after the last.
        QTRY_COMPARE_WITH_TIMEOUT(area->display()->slide(), m_slides[1], 4600);
        for (int next : { 2, 0 }) {
            QMetaObject::invokeMethod(area, "slotShowNextSlide");
            QCOMPARE(area->display()->slide(), m_slides[next]);
        }
        buttons[1]->click(); // picking a slide stops the show
        QCOMPARE(area->display()->slide(), m_slides[1]);
        QVERIFY(!area->timer()->isActive());
        QCOMPARE(HelpDisplay::slideRect(QSize(800, 600), QSize(400, 300)), QRect(0, 0, 400, 300));
    }

    // The Jump window's hint line, under the program's style sheet, is readable: its text stands out from what
    // is behind it by a contrast of 4.5 to 1 at least (white on the light window was 1.2).
    void theJumpWindowsHintIsReadable()
    {
        JumpToSongWindow window;
        window.open();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QList<QLabel*> labels = window.findChildren<QLabel*>();
        QCOMPARE(labels.size(), 1);
        const QImage shown = window.grab(labels.first()->geometry()).toImage();
        const auto luminance = [](QRgb pixel) {
            const auto linear = [](int channel) {
                const double c = channel / 255.0;
                return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * linear(qRed(pixel)) + 0.7152 * linear(qGreen(pixel)) + 0.0722 * linear(qBlue(pixel));
        };
        // What lies behind is the label's corner; the text is the pixel that differs most from it.
        const double behind = luminance(shown.pixel(1, 1));
        double text = behind;
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                const double l = luminance(shown.pixel(x, y));
                if (qAbs(l - behind) > qAbs(text - behind))
                    text = l;
            }
        }
        const double contrast = (qMax(text, behind) + 0.05) / (qMin(text, behind) + 0.05);
        QVERIFY2(contrast >= 4.5, qPrintable(QString::number(contrast)));
        render(&window, QStringLiteral("jump-to-song"));
    }

    void neverShowOnStart()
    {
        app()->setSettingsValue(QStringLiteral("NeverShowItAgain"), false);
        QVERIFY(HelpDialog::isShowOnStartAvailable());
        app()->setIntroductionSlides(m_slides);
        whenDialogShows([](QDialog* d) {
            QVERIFY(d->findChild<QPushButton*>(QString(), Qt::FindDirectChildrenOnly));
            buttonWithText(d, QStringLiteral("&Never show on start"))->click();
        });
        app()->showHelpOnStart();
        QTRY_VERIFY_WITH_TIMEOUT(!HelpDialog::isShowOnStartAvailable(), 3000);

        // Now it does not come on start, and from the menu it comes without the button.
        bool opened = false;
        whenDialogShows([&opened](QDialog*) { opened = true; });
        app()->showHelpOnStart();
        QTest::qWait(800);
        QVERIFY(!opened);
        whenDialogShows([](QDialog* d) {
            QVERIFY(!buttonWithText(d, QStringLiteral("&Never show on start")));
            buttonWithText(d, QStringLiteral("&Close"))->click();
        });
        app()->slotHelp();
    }

    void reminderSchedule()
    {
        app()->setSettingsValue(QStringLiteral("AutoReminder"), true);
        QList<int> shownAt;
        for (int count = 1; count <= 8; ++count) {
            if (runReminder(count, 2))
                shownAt << count;
            QCOMPARE(app()->settingsValue(QStringLiteral("AutoReminderCount"), 0).toInt(), count + 1);
        }
        QCOMPARE(shownAt, (QList<int> { 4, 8 }));

        QCOMPARE(runReminder(INT_MAX, 2), 0); // INT_MAX is not a multiple of 4
        QCOMPARE(app()->settingsValue(QStringLiteral("AutoReminderCount"), 0).toInt(), 1);

        app()->setRemiderCount(0); // no multiples of 0: counted, nothing shown
        app()->setSettingsValue(QStringLiteral("AutoReminderCount"), 5);
        QMetaObject::invokeMethod(app(), "slotCallRateReminderInternal");
        QCOMPARE(app()->settingsValue(QStringLiteral("AutoReminderCount"), 0).toInt(), 6);
    }

    void answersSwitchRemindersOff()
    {
        app()->setSettingsValue(QStringLiteral("AutoReminder"), true);
        app()->setSettingsValue(QStringLiteral("AutoReminderCount"), 4);
        whenDialogShows([](QDialog* d) { buttonWithText(d, QStringLiteral("&Never Ask Me Again"))->click(); });
        app()->setRemiderDelay(0);
        app()->callReminder(4, 2);
        QTRY_VERIFY(!app()->settingsValue(QStringLiteral("AutoReminder"), true).toBool());
        QCOMPARE(runReminder(8, 2), 0); // off: nothing shown, nothing counted
        QCOMPARE(app()->settingsValue(QStringLiteral("AutoReminderCount"), 0).toInt(), 8);

        app()->setSettingsValue(QStringLiteral("AutoReminder"), true);
        app()->setSettingsValue(QStringLiteral("AutoReminderCount"), 4);
        m_urls.opened.clear();
        whenDialogShows([](QDialog* d) { buttonWithText(d, QStringLiteral("&Rate It Now"))->click(); });
        app()->callReminder(4, 1);
        QTRY_VERIFY(!app()->settingsValue(QStringLiteral("AutoReminder"), true).toBool());
        QCOMPARE(m_urls.opened.size(), 1);
        QVERIFY(m_urls.opened.first().path().endsWith(QStringLiteral("app/vireo/")));
    }
};

VIREO_TEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"

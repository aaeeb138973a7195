// The application object's promotion side: reminders, store and web links, share and join, the introduction.
#include "App.h"

#include "CssEditor.h"
#include "HelpDialog.h"
#include "JoinDialog.h"
#include "JoinReminderDialog.h"
#include "RateReminderDialog.h"
#include "TellDialog.h"
#include "TellReminderDialog.h"
#include "VireoDeployment.h"

#include <QDesktopServices>
#include <QRandomGenerator>
#include <QSysInfo>
#include <QTime>
#include <QTimer>
#include <QUrl>

#include <limits>
#include <memory>

namespace QzWidgets {

namespace {

enum ReminderKind { Rate = 1, Tell = 2, Join = 4 };

QString siteRoot()
{
    return QString::fromUtf8(VireoDeployment::siteRoot);
}

QString storeServer()
{
    return QString::fromUtf8(VireoDeployment::storeServer);
}

// The process-wide generator, seeded as each start seeds it: from the millisecond of the wall clock.
QRandomGenerator& reminderRandom()
{
    static QRandomGenerator generator;
    return generator;
}

void seedReminderRandom()
{
    reminderRandom().seed(quint32(QTime::currentTime().msec()));
}

void open(const QString& address)
{
    QDesktopServices::openUrl(QUrl(address));
}

QString storeAddress(const QString& name, const QString& id)
{
    return storeServer() + QStringLiteral("app/") + name.toLower() + QLatin1Char('/') + id
        + QStringLiteral("?ls=1&mt=12");
}

} // namespace

int App::reminderKindFor(int kindMask, bool appStore, quint32 random)
{
    if (kindMask == 8)
        return appStore ? Rate : Tell;
    const bool rate = kindMask & Rate, tell = kindMask & Tell, join = kindMask & Join;
    if (rate && tell && join) {
        const int draw[] = { Rate, Tell, Join };
        return draw[random % 3];
    }
    if (rate && tell && !join)
        return random % 2 == 0 ? Rate : Tell;
    if (rate && join && !tell)
        return random % 2 == 0 ? Rate : Join;
    if (tell && join && !rate)
        return random % 2 == 0 ? Join : Tell;
    return kindMask;
}

void App::callReminder(int period, int kindMask)
{
    quint32 random = 0;
    if (kindMask != 8) {
        seedReminderRandom();
        random = reminderRandom().generate();
    }
    m_nReminderKind = reminderKindFor(kindMask, isAppStore(), random);
    m_nReminderPeriod = period;
    armReminder();
}

void App::callRateReminder(int period)
{
    seedReminderRandom();
    m_nReminderKind = Rate;
    m_nReminderPeriod = period;
    armReminder();
}

void App::callTellReminder(int period)
{
    seedReminderRandom();
    m_nReminderKind = Tell;
    m_nReminderPeriod = period;
    armReminder();
}

void App::callJoinReminder(int period)
{
    seedReminderRandom();
    m_nReminderKind = Join;
    m_nReminderPeriod = period;
    armReminder();
}

void App::setRemiderCount(int period)
{
    m_nReminderPeriod = period;
}

void App::setRemiderDelay(int ms)
{
    m_nReminderDelay = ms;
}

void App::armReminder()
{
    QTimer::singleShot(m_nReminderDelay, this, &App::slotCallRateReminderInternal);
}

void App::slotCallRateReminder()
{
    m_nReminderKind = Rate;
    armReminder();
}

void App::slotCallTellReminder()
{
    m_nReminderKind = Tell;
    armReminder();
}

void App::slotCallJoinReminder()
{
    m_nReminderKind = Join;
    armReminder();
}

void App::slotCallRateReminderInternal()
{
    if (!settingsValue(QStringLiteral("AutoReminder"), true).toBool())
        return;
    const int count = settingsValue(QStringLiteral("AutoReminderCount"), 1).toInt();
    // A period of 0 has no multiples: such a start is counted, and nothing is shown.
    if (m_nReminderPeriod != 0 && count % m_nReminderPeriod == 0) {
        std::unique_ptr<ReminderDialog> dialog;
        if (m_nReminderKind == Rate)
            dialog = std::make_unique<RateReminderDialog>(QApplication::activeWindow());
        else if (m_nReminderKind == Tell)
            dialog = std::make_unique<TellReminderDialog>(QApplication::activeWindow());
        else
            dialog = std::make_unique<JoinReminderDialog>(QApplication::activeWindow());
        dialog->exec();
        if (dialog->state() == ReminderDialog::NeverAskAgain) {
            setSettingsValue(QStringLiteral("AutoReminder"), false);
        } else if (dialog->state() == ReminderDialog::Now) {
            slotRateApp();
            setSettingsValue(QStringLiteral("AutoReminder"), false);
        }
    }
    const int next = count == std::numeric_limits<int>::max() ? 1 : count + 1;
    setSettingsValue(QStringLiteral("AutoReminderCount"), next < 0 ? 1 : next);
}

void App::slotRateApp()
{
    open(storeAddress(QCoreApplication::applicationName(), m_strAppId));
}

void App::setAppId(const QString& id)
{
    m_strAppId = id;
}

QString App::appId() const
{
    return m_strAppId;
}

void App::setLitePromotedAppNameAndID(const QString& name, const QString& id)
{
    m_strLitePromotedAppName = name;
    m_strLitePromotedAppId = id;
}

void App::setLitePromotedLink(const QString& link)
{
    m_strLitePromotedLink = link;
}

void App::setPromotedAppNameAndID(const QString& name, const QString& id)
{
    m_strPromotedAppName = name;
    m_strPromotedAppId = id;
}

void App::setPromotedLink(const QString& link)
{
    m_strPromotedLink = link;
}

bool App::isLite() const
{
    return !m_strLitePromotedAppId.isEmpty() || !m_strLitePromotedLink.isEmpty();
}

void App::setAppSupportPage(const QString& page)
{
    m_strAppSupportPage = page;
}

void App::setFaceBookShareLink(const QString& link)
{
    m_strFaceBookShareLink = link;
}

void App::setTwitterShareLink(const QString& link)
{
    m_strTwitterShareLink = link;
}

void App::setVKontakteShareLink(const QString& link)
{
    m_strVKontakteShareLink = link;
}

QString App::faceBookShareLink() const
{
    return m_strFaceBookShareLink;
}

QString App::twitterShareLink() const
{
    return m_strTwitterShareLink;
}

QString App::vkontakteShareLink() const
{
    return m_strVKontakteShareLink;
}

void App::slotSupportPage()
{
    open(m_strAppSupportPage.isEmpty() ? siteRoot() : m_strAppSupportPage);
}

void App::slotShowMoreApps()
{
    open(storeServer() + QString::fromUtf8(VireoDeployment::artistPage) + QStringLiteral("?mt=12"));
}

void App::slotGoToPromotedApp()
{
    QString address;
    if (isLite()) {
        address = m_strLitePromotedLink.isEmpty() ? storeAddress(m_strLitePromotedAppName, m_strLitePromotedAppId)
                                                  : m_strLitePromotedLink;
    } else {
        address
            = m_strPromotedLink.isEmpty() ? storeAddress(m_strPromotedAppName, m_strPromotedAppId) : m_strPromotedLink;
    }
    open(address);
}

void App::slotContactUs()
{
    const QString system = QSysInfo::prettyProductName() + QLatin1Char(' ') + currentLanguage() + QLatin1Char(' ')
        + (isAppStore() ? QString() : QStringLiteral("I"));
    QUrl mail;
    mail.setScheme(QStringLiteral("mailto"));
    mail.setPath(QString::fromUtf8(VireoDeployment::contactAddress));
    mail.setQuery(QStringLiteral("subject=Contact (") + QCoreApplication::applicationName() + QLatin1Char(' ')
        + QCoreApplication::applicationVersion() + QStringLiteral(") ") + system + QStringLiteral("&body="));
    QDesktopServices::openUrl(mail);
}

void App::slotTellFriend()
{
    const QString name = QCoreApplication::applicationName();
    QString link = siteRoot() + QStringLiteral("apps/") + name.toLower() + QStringLiteral(".html");
    if (!m_strAppSupportPage.isEmpty())
        link = m_strAppSupportPage;
    else if (isAppStore())
        link = storeServer() + currentLanguageOptimized() + QStringLiteral("app/") + name.toLower() + QLatin1Char('/')
            + m_strAppId + QStringLiteral("?ls=1&mt=12");
    QUrl mail;
    mail.setScheme(QStringLiteral("mailto"));
    // The link's own query travels inside the body, so it is encoded with the rest of it.
    mail.setQuery(QStringLiteral("subject=Check out the cool ") + name
        + QStringLiteral(" app!&body=Hi, check out this cool ") + name
        + QStringLiteral(" app - available in the App Stores: ") + QString::fromLatin1(QUrl::toPercentEncoding(link)));
    QDesktopServices::openUrl(mail);
}

void App::slotShareApp()
{
    TellDialog dialog(QApplication::activeWindow());
    dialog.exec();
}

void App::slotJoin()
{
    JoinDialog dialog(QApplication::activeWindow());
    dialog.exec();
}

void App::slotShowCssEditor()
{
    // Every call opens another window; each goes when it is closed.
    auto* editor = new CssEditor(nullptr);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    editor->show();
}

void App::setIntroductionSlides(const QStringList& slides)
{
    m_listIntroductionSlides = slides;
}

void App::showHelpOnStart()
{
    if (HelpDialog::isShowOnStartAvailable())
        QTimer::singleShot(500, this, &App::slotHelp);
}

void App::slotHelp()
{
    if (!m_pHelpDialog) {
        m_pHelpDialog = new HelpDialog(QApplication::activeWindow());
        for (const QString& slide : m_listIntroductionSlides)
            m_pHelpDialog->addSlide(slide);
        // The introduction asks for songs dropped on the icon and comes up just after it: modal to the whole
        // program, it would refuse that drop (or swallow one begun before it showed) and every click on the icon.
        m_pHelpDialog->setWindowModality(Qt::WindowModal);
    }
    m_pHelpDialog->exec();
}

} // namespace QzWidgets

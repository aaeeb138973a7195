#pragma once

#include <QApplication>
#include <QDate>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

class QSettings;

namespace QzWidgets {

class HelpDialog;

// The one application object of the process: names, settings store, per-application directories and the
// process-wide values the rest of the framework reaches through theApp().
class App : public QApplication
{
    Q_OBJECT

public:
    App(int& argc, char** argv, const QString& organizationName, const QString& applicationName);
    ~App() override;

    static App* theApp();

    // Settings store: every key goes into the section named after the application.
    QSettings* settings();
    QVariant settingsValue(const QString& key, const QVariant& defaultValue = QVariant());
    void setSettingsValue(const QString& key, const QVariant& value);
    void setOldSettingsMode(bool on);

    bool notify(QObject* receiver, QEvent* event) override;
    bool isDeactivated() const;

    void setMainWidget(QWidget* w);
    QWidget* mainWidget();

    // Widget and synthetic-input helpers.
    bool isChildOf(QObject* child, QObject* parent);
    QWidget* getWidgetByClassName(const QString& className);
    void mousePress(QWidget* w, int x, int y, Qt::MouseButton button, Qt::MouseButtons buttons);
    void mouseRelease(QWidget* w, int x, int y, Qt::MouseButton button, Qt::MouseButtons buttons);
    QPoint calculateMousePosition(QWidget* w, int x, int y);
    void mouseClick(QWidget* w, int x, int y, Qt::MouseButton button, Qt::MouseButtons buttons);

    // Screen shape and fixed answers.
    bool isPocketDevice() const;
    bool isLandscape() const;
    bool isPortrait() const;
    qreal devicePixelRatio() const;
    bool isDemo() const;
    void setDemo(bool demo);
    bool isChartAutoUpdateOn() const;
    void setChartAutoUpdateOn(bool on);
    void setProxy();

    // Per-application directories; each ends with "/" and exists after the call.
    QString workDirectory();
    QString supportDirectory();
    QString cachesDirectory();
    QString picturesDirectory();
    QString musicDirectory();
    QString moviesDirectory();
    QString downloadsDirectory();

    void ensureDirExists(const QString& path);
    bool copyTo(const QString& source, const QString& targetDir, const QString& targetName);
    bool copyToSupportDirectory(const QString& source, const QString& targetName);
    QString bundleIdentifier();
    QString bundleResourcePath() const;
    static QString resourcesDirectoryFor(const QString& executableDir);
    static bool isAppStore();

    QString openDirPath() const;
    QString saveDirPath() const;
    void setOpenDirPath(const QString& filePath);
    void setSaveDirPath(const QString& filePath);
    bool isSandboxed() const;
    void setSandboxed(bool sandboxed);
    QString resourceOffset() const;
    void setResourceOffset(const QString& offset);

    // The files this start was given, to open or to add to what plays: a second start hands them to the running
    // instance when the domain is set; a first start keeps them for its own use.
    void setCommandLineFiles(const QList<QUrl>& urls, bool append);
    // What a start without files asks of the running instance ("jump"), handed over the same way.
    void setCommandLineAction(const QString& action);
    // Files handed to the running program from outside (a second start, the desktop's "Open with"), announced by
    // filesOpened(); files to add come by filesAppended().
    void openFiles(const QList<QUrl>& urls);

    // Interface language, chosen once per start by the translations manager.
    QString currentLanguage() const;
    QString currentLanguageOptimized() const;
    void setCurrentLanguage(const QString& language);

    // Reminders to rate, share or join, on every n-th counted start (implemented in AppPromotion.cpp, as are
    // the links, the share and join slots and the introduction below).
    void callReminder(int period, int kindMask);
    void callRateReminder(int period);
    void callTellReminder(int period);
    void callJoinReminder(int period);
    void setRemiderCount(int period);
    void setRemiderDelay(int ms);
    // The kind a mask stands for, drawn from `random` where the mask leaves a choice.
    static int reminderKindFor(int kindMask, bool appStore, quint32 random);

    // Store and web links.
    void setAppId(const QString& id);
    QString appId() const;
    void setLitePromotedAppNameAndID(const QString& name, const QString& id);
    void setLitePromotedLink(const QString& link);
    void setPromotedAppNameAndID(const QString& name, const QString& id);
    void setPromotedLink(const QString& link);
    bool isLite() const;
    void setAppSupportPage(const QString& page);
    void setFaceBookShareLink(const QString& link);
    void setTwitterShareLink(const QString& link);
    void setVKontakteShareLink(const QString& link);
    QString faceBookShareLink() const;
    QString twitterShareLink() const;
    QString vkontakteShareLink() const;

    // Introduction slides.
    void setIntroductionSlides(const QStringList& slides);
    void showHelpOnStart();

    // Build identification by compile date.
    QString build() const;
    QDate buildDate() const;

signals:
    void applicationActivated();
    void applicationDeactivated();
    void dockClicked();
    void filesOpened(const QList<QUrl>& urls);
    void filesAppended(const QList<QUrl>& urls);
    // Another start asked for the window that finds a song of the list.
    void jumpRequested();

public slots:
    void slotShowCssEditor();
    void slotContactUs();
    void slotTellFriend();
    void slotShowMoreApps();
    void slotRateApp();
    void slotSupportPage();
    void slotHelp();
    void slotGoToPromotedApp();
    void slotShareApp();
    void slotJoin();

private slots:
    void slotCallRateReminderInternal();
    void slotCallRateReminder();
    void slotCallTellReminder();
    void slotCallJoinReminder();
    void slotFocusChanged(QWidget* old, QWidget* now);
    void slotClaimInstance();

private:
    void armReminder();
    QString fullKey(const QString& key) const;
    QString applicationDirectory(const QString& genericLocation);
    static void setAsideUnlessRegular(const QString& path);

    QSettings* m_pSettings = nullptr;
    QString m_strCurrentLanguage = QStringLiteral("en");
    bool m_bDeactivated = false;
    QString m_strOpenDirPath;
    QString m_strSaveDirPath;
    bool m_bSandboxed = false;
    QString m_strAppId;
    int m_nReminderPeriod = 10;
    int m_nReminderDelay = 4000;
    int m_nReminderKind = 0;
    QString m_strFaceBookShareLink;
    QString m_strTwitterShareLink;
    QString m_strVKontakteShareLink;
    QPointer<HelpDialog> m_pHelpDialog; // goes with its parent window; guarded so it is never used after
    QStringList m_listIntroductionSlides;
    QString m_strLitePromotedAppId;
    QString m_strLitePromotedAppName;
    QString m_strLitePromotedLink;
    QString m_strPromotedAppId;
    QString m_strPromotedAppName;
    QString m_strPromotedLink;
    bool m_bOldSettingsMode = false;
    QString m_strResourceOffset;
    QWidget* m_pwgtMain = nullptr;
    QWidget* m_pwgtFocusCover = nullptr;
    QString m_strAppSupportPage;
    QString m_strBundleResourcePath;
    bool m_bDemo = false;
    QList<QUrl> m_listCommandLineFiles;
    bool m_bAppendCommandLine = false;
    QString m_strCommandLineAction;
};

} // namespace QzWidgets

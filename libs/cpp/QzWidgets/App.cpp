#include "App.h"

#include "App_linux.h"

#include "BuildInfo.h"
#include "HelpDialog.h"
#include "QzWidgetsLogging.h"
#include "TranslationsManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace QzWidgets {

App::App(int& argc, char** argv, const QString& organizationName, const QString& applicationName)
    : QApplication(argc, argv)
{
    App_linux* bridge = App_linux::instance();
    connect(bridge, &App_linux::dockClicked, this, &App::dockClicked);
    connect(bridge, &App_linux::openRequested, this, &App::openFiles);
    connect(bridge, &App_linux::appendRequested, this, &App::filesAppended);
    connect(bridge, &App_linux::jumpRequested, this, &App::jumpRequested);
    // The instance's name on the session bus comes from the domain, which the entry point sets next.
    connect(this, &QCoreApplication::organizationDomainChanged, this, &App::slotClaimInstance);

    QCoreApplication::setOrganizationName(organizationName);
    QCoreApplication::setApplicationName(applicationName);

    m_strSaveDirPath = workDirectory();
    m_strOpenDirPath = m_strSaveDirPath;

    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, supportDirectory());
    const QString settingsFile = supportDirectory() + QStringLiteral("settings.plist");
    setAsideUnlessRegular(settingsFile);
    m_pSettings = new QSettings(settingsFile, QSettings::IniFormat, this);

    m_strBundleResourcePath = resourcesDirectoryFor(QCoreApplication::applicationDirPath());
}

App::~App() = default;

// Settings are read from a regular file only: a FIFO in its place blocked every start for good, a link to a device
// read without end. Whatever stands there is moved aside, not removed, and the program starts with its defaults.
void App::setAsideUnlessRegular(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return;
    if (info.isFile() || info.isDir()) // a folder cannot be read as settings nor written over; it is left be
        return;
    const QString aside = path + QStringLiteral(".not-a-file");
    QFile::remove(aside);
    if (QFile::rename(path, aside))
        std::fprintf(
            stderr, "vireo: %s is not a regular file; it was moved to %s\n", qPrintable(path), qPrintable(aside));
    else
        std::fprintf(stderr, "vireo: %s is not a regular file and cannot be moved aside\n", qPrintable(path));
}

void App::slotClaimInstance()
{
    // Once per run: the first domain names the instance.
    disconnect(this, &QCoreApplication::organizationDomainChanged, this, &App::slotClaimInstance);
    if (App_linux::instance()->claimInstance(m_listCommandLineFiles, m_bAppendCommandLine, m_strCommandLineAction))
        return;
    // A second start has handed its files to the running instance; nothing of it has been built yet that
    // would need tearing down, and leaving now keeps its icon from flashing in the tray. It leaves at once,
    // without the destructors of statics and libraries: a thread warming up the sound engine may still be
    // loading plugins, and std::exit pulled the libraries from under it (a crash on the way out).
    std::fflush(nullptr);
    std::_Exit(0);
}

void App::setCommandLineFiles(const QList<QUrl>& urls, bool append)
{
    m_listCommandLineFiles = urls;
    m_bAppendCommandLine = append;
}

void App::setCommandLineAction(const QString& action)
{
    m_strCommandLineAction = action;
}

void App::openFiles(const QList<QUrl>& urls)
{
    emit filesOpened(urls);
}

App* App::theApp()
{
    return qobject_cast<App*>(QCoreApplication::instance());
}

QSettings* App::settings()
{
    return m_pSettings;
}

QString App::fullKey(const QString& key) const
{
    return m_bOldSettingsMode ? key : QCoreApplication::applicationName() + QLatin1Char('/') + key;
}

QVariant App::settingsValue(const QString& key, const QVariant& defaultValue)
{
    return m_pSettings->value(fullKey(key), defaultValue);
}

void App::setSettingsValue(const QString& key, const QVariant& value)
{
    m_pSettings->setValue(fullKey(key), value);
}

void App::setOldSettingsMode(bool on)
{
    m_bOldSettingsMode = on;
}

bool App::notify(QObject* receiver, QEvent* event)
{
    if (event->type() == QEvent::ApplicationDeactivate) {
        m_bDeactivated = true;
        emit applicationDeactivated();
    } else if (event->type() == QEvent::ApplicationActivate) {
        m_bDeactivated = false;
        emit applicationActivated();
    }
    return QApplication::notify(receiver, event);
}

QString App::currentLanguage() const
{
    TranslationsManager::instance();
    return m_strCurrentLanguage;
}

QString App::currentLanguageOptimized() const
{
    TranslationsManager::instance();
    return m_strCurrentLanguage.contains(QLatin1String("en")) ? QString() : m_strCurrentLanguage + QLatin1Char('/');
}

void App::setCurrentLanguage(const QString& language)
{
    m_strCurrentLanguage = language;
}

bool App::isDeactivated() const
{
    return m_bDeactivated;
}

void App::setMainWidget(QWidget* w)
{
    m_pwgtMain = w;
}

QWidget* App::mainWidget()
{
    return m_pwgtMain;
}

void App::slotFocusChanged(QWidget*, QWidget*)
{
    // Nothing sets the cover widget yet; without both widgets there is nothing to cover.
    if (!m_pwgtMain || !m_pwgtFocusCover)
        return;
    if (QApplication::activeWindow() != m_pwgtMain) {
        m_pwgtFocusCover->setFixedSize(m_pwgtMain->size());
        m_pwgtFocusCover->show();
        m_pwgtFocusCover->raise();
    } else {
        m_pwgtFocusCover->hide();
    }
}

bool App::isChildOf(QObject* child, QObject* parent)
{
    if (!child || !parent)
        return false;
    return parent->findChildren<QObject*>().contains(child);
}

QWidget* App::getWidgetByClassName(const QString& className)
{
    const QByteArray name = className.toUtf8();
    for (QWidget* topLevel : QApplication::topLevelWidgets()) {
        if (name == topLevel->metaObject()->className())
            return topLevel;
        // findChildren walks depth first in each parent's child order, which is the search order we promise.
        for (QWidget* child : topLevel->findChildren<QWidget*>()) {
            if (name == child->metaObject()->className())
                return child;
        }
    }
    return nullptr;
}

static void postMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    if (!w)
        return;
    const QPointF local(pos);
    QCoreApplication::postEvent(
        w, new QMouseEvent(type, local, w->mapToGlobal(local), button, buttons, Qt::NoModifier));
}

void App::mousePress(QWidget* w, int x, int y, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    postMouse(w, QEvent::MouseButtonPress, QPoint(x, y), button, buttons);
}

void App::mouseRelease(QWidget* w, int x, int y, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    postMouse(w, QEvent::MouseButtonRelease, QPoint(x, y), button, buttons);
}

QPoint App::calculateMousePosition(QWidget* w, int x, int y)
{
    if (!w)
        return QPoint(x, y);
    return QPoint(x < 0 ? w->width() / 2 : x, y < 0 ? w->height() / 2 : y);
}

void App::mouseClick(QWidget* w, int x, int y, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    if (!w)
        return;
    const QPoint pos = calculateMousePosition(w, x, y);
    mousePress(w, pos.x(), pos.y(), button, buttons);
    mouseRelease(w, pos.x(), pos.y(), button, buttons);
}

static QSize desktopSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize();
}

bool App::isPocketDevice() const
{
    const QSize size = desktopSize();
    return size.width() <= 480 || size.height() <= 480;
}

bool App::isLandscape() const
{
    const QSize size = desktopSize();
    return size.width() > size.height();
}

bool App::isPortrait() const
{
    return !isLandscape();
}

qreal App::devicePixelRatio() const
{
    return 1.0;
}

bool App::isDemo() const
{
    return m_bDemo;
}

void App::setDemo(bool demo)
{
    m_bDemo = demo;
}

bool App::isChartAutoUpdateOn() const
{
    return !QFile::exists(QStringLiteral("noautoupdate"));
}

void App::setChartAutoUpdateOn(bool) { }

void App::setProxy() { }

QString App::build() const
{
    return BuildInfo::buildText(BuildInfo::compileDateText());
}

QDate App::buildDate() const
{
    const QString text = build();
    const QDate date = BuildInfo::dateFromBuildText(text);
    qCDebug(lcWidgets).nospace() << "&&&BUILD: " << text;
    qCDebug(lcWidgets).nospace() << "&&&DATE: " << date;
    return date;
}

QString App::applicationDirectory(const QString& genericLocation)
{
    const QString path = genericLocation + QLatin1Char('/') + QCoreApplication::applicationName() + QLatin1Char('/');
    ensureDirExists(path);
    return path;
}

static QString location(QStandardPaths::StandardLocation type)
{
    return QStandardPaths::writableLocation(type);
}

QString App::workDirectory()
{
    return applicationDirectory(location(QStandardPaths::GenericDataLocation));
}

QString App::supportDirectory()
{
    const QString path = applicationDirectory(location(QStandardPaths::GenericConfigLocation));
    qCDebug(lcWidgets) << "!!!" << path;
    return path;
}

QString App::cachesDirectory()
{
    return applicationDirectory(location(QStandardPaths::GenericCacheLocation));
}

QString App::picturesDirectory()
{
    return applicationDirectory(location(QStandardPaths::PicturesLocation));
}

QString App::musicDirectory()
{
    return applicationDirectory(location(QStandardPaths::MusicLocation));
}

QString App::moviesDirectory()
{
    return applicationDirectory(location(QStandardPaths::MoviesLocation));
}

QString App::downloadsDirectory()
{
    return applicationDirectory(location(QStandardPaths::DownloadLocation));
}

void App::ensureDirExists(const QString& path)
{
    if (!QFileInfo(path).isDir())
        QDir().mkpath(path);
}

bool App::copyTo(const QString& source, const QString& targetDir, const QString& targetName)
{
    ensureDirExists(targetDir);
    const QString name = targetName.isEmpty() ? QFileInfo(source).fileName() : targetName;
    const QString target = targetDir + QLatin1Char('/') + name;
    if (QFile::exists(target))
        return true;

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = in.readAll();
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(data);
    return true;
}

bool App::copyToSupportDirectory(const QString& source, const QString& targetName)
{
    return copyTo(source, supportDirectory(), targetName);
}

QString App::bundleIdentifier()
{
    const QStringList parts = QCoreApplication::organizationDomain().split(QLatin1Char('.'));
    return parts.last() + QLatin1Char('.') + parts.first() + QLatin1Char('.') + QCoreApplication::applicationName();
}

QString App::bundleResourcePath() const
{
    return m_strBundleResourcePath;
}

QString App::resourcesDirectoryFor(const QString& executableDir)
{
    // The build tree mirrors the install tree: <prefix>/bin/vireo finds <prefix>/share/vireo/.
    return QDir::cleanPath(QDir(executableDir).absoluteFilePath(QStringLiteral("../share/vireo"))) + QLatin1Char('/');
}

bool App::isAppStore()
{
    // The Linux package ships the "independent" marker; only its existence counts.
    return !QFile::exists(
        resourcesDirectoryFor(QCoreApplication::applicationDirPath()) + QStringLiteral("independent"));
}

QString App::openDirPath() const
{
    return m_strOpenDirPath;
}

QString App::saveDirPath() const
{
    return m_strSaveDirPath;
}

void App::setOpenDirPath(const QString& filePath)
{
    m_strOpenDirPath = QFileInfo(filePath).absolutePath();
}

void App::setSaveDirPath(const QString& filePath)
{
    m_strSaveDirPath = QFileInfo(filePath).absolutePath();
}

bool App::isSandboxed() const
{
    return m_bSandboxed;
}

void App::setSandboxed(bool sandboxed)
{
    m_bSandboxed = sandboxed;
}

QString App::resourceOffset() const
{
    return m_strResourceOffset;
}

void App::setResourceOffset(const QString& offset)
{
    m_strResourceOffset = offset;
}

} // namespace QzWidgets

#include "TranslationsManager.h"

#include "App.h"

#include <QLocale>
#include <QTranslator>

namespace QzWidgets {

TranslationsManager* TranslationsManager::m_pUniqueInstance = nullptr;

TranslationsManager* TranslationsManager::instance()
{
    if (!m_pUniqueInstance)
        m_pUniqueInstance = new TranslationsManager();
    return m_pUniqueInstance;
}

TranslationsManager::TranslationsManager()
    : m_pQtTranslator(new QTranslator(this))
    , m_pLibsTranslator(new QTranslator(this))
    , m_pAppTranslator(new QTranslator(this))
{
    m_pUniqueInstance = this; // setTranslation below reaches the application object, which asks for us
    const QString requested
        = App::theApp()->settingsValue(QStringLiteral("Language"), QLocale::system().name()).toString();
    setTranslation(normalizedLanguage(requested));
}

QString TranslationsManager::normalizedLanguage(const QString& requested)
{
    // By substring, in this order: "kok_IN" holds "ko", and a text holding "ar" and "de" gives "de".
    for (const char* code : { "de", "ru", "es", "fr", "hi", "it", "pt", "ko", "ar" }) {
        if (requested.contains(QLatin1String(code)))
            return QLatin1String(code);
    }
    return requested.contains(QLatin1String("zh_CN")) ? QStringLiteral("zh_CN") : QStringLiteral("en");
}

void TranslationsManager::setTranslation(const QString& language)
{
    QCoreApplication::removeTranslator(m_pQtTranslator);
    QCoreApplication::removeTranslator(m_pLibsTranslator);
    QCoreApplication::removeTranslator(m_pAppTranslator);
    if (language != QLatin1String("en")) {
        // Installed last is looked at first: the application's texts, then the framework's, then Qt's.
        (void)m_pQtTranslator->load(
            QStringLiteral(":/") + m_strQtTranslationsBase + QStringLiteral("Translations/qt_") + language);
        QCoreApplication::installTranslator(m_pQtTranslator);
        (void)m_pLibsTranslator->load(
            QStringLiteral(":/") + m_strLibsTranslationsBase + QStringLiteral("/Translations/libs_") + language);
        QCoreApplication::installTranslator(m_pLibsTranslator);
        (void)m_pAppTranslator->load(QStringLiteral(":/") + m_strAppTranslationsBase + QStringLiteral("Translations/")
            + QCoreApplication::applicationName() + QLatin1Char('_') + language);
        QCoreApplication::installTranslator(m_pAppTranslator);
    }
    m_strCurrentLanguage = language;
    QGuiApplication::setLayoutDirection(language == QLatin1String("ar") ? Qt::RightToLeft : Qt::LeftToRight);
    App::theApp()->setSettingsValue(QStringLiteral("Language"), language);
    App::theApp()->setCurrentLanguage(language);
}

void TranslationsManager::retranslate()
{
    setTranslation(m_strCurrentLanguage);
}

QString TranslationsManager::currentLanguage() const
{
    return m_strCurrentLanguage;
}

void TranslationsManager::setQtTranslationsBase(const QString& base)
{
    m_strQtTranslationsBase = base;
}

void TranslationsManager::setLibsTranslationsBase(const QString& base)
{
    m_strLibsTranslationsBase = base;
}

void TranslationsManager::setAppTranslationsBase(const QString& base)
{
    m_strAppTranslationsBase = base;
}

} // namespace QzWidgets

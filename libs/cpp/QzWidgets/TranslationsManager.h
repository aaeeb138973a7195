#pragma once

#include <QObject>
#include <QString>

class QTranslator;

namespace QzWidgets {

// Chooses the interface language once per start from the "Language" setting (or the system's locale) and
// installs the toolkit's, the framework's and the application's translations for it.
class TranslationsManager : public QObject
{
    Q_OBJECT

public:
    static TranslationsManager* instance();

    void setTranslation(const QString& language);
    void retranslate();
    QString currentLanguage() const;
    void setQtTranslationsBase(const QString& base);
    void setLibsTranslationsBase(const QString& base);
    void setAppTranslationsBase(const QString& base);

    // The language code a requested language or locale name stands for ("de_DE" gives "de").
    static QString normalizedLanguage(const QString& requested);

private:
    TranslationsManager();

    static TranslationsManager* m_pUniqueInstance;

    QTranslator* m_pQtTranslator;
    QTranslator* m_pLibsTranslator;
    QTranslator* m_pAppTranslator;
    QString m_strCurrentLanguage;
    QString m_strAppTranslationsBase;
    QString m_strLibsTranslationsBase;
    QString m_strQtTranslationsBase;
};

} // namespace QzWidgets

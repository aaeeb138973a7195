#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>
#include <QUrlQuery>

// Stands in for the browser and the mail program: every address the program opens is recorded, none leaves.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

    UrlRecorder()
    {
        for (const char* scheme : { "http", "https", "mailto" })
            QDesktopServices::setUrlHandler(QLatin1String(scheme), this, "open");
    }
    ~UrlRecorder() override
    {
        for (const char* scheme : { "http", "https", "mailto" })
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }

    QUrl takeLast()
    {
        return opened.isEmpty() ? QUrl() : opened.takeLast();
    }

    static QString queryItem(const QUrl& url, const char* key)
    {
        return QUrlQuery(url).queryItemValue(QLatin1String(key), QUrl::FullyDecoded);
    }

public slots:
    void open(const QUrl& url)
    {
        opened << url;
    }
};

#include "CoverCache.h"

#include "App.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace QzMultiMedia {

QString CoverCache::fileFor(const QByteArray& image, const QString& mimeType)
{
    if (image.isEmpty())
        return QString();
    QString folder = QzWidgets::App::theApp()
        ? QzWidgets::App::theApp()->cachesDirectory()
        : QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QLatin1Char('/');
    folder += QStringLiteral("covers");
    const QString extension = mimeType == QLatin1String("image/png") ? QStringLiteral(".png") : QStringLiteral(".jpg");
    const QString path = folder + QLatin1Char('/')
        + QString::fromLatin1(QCryptographicHash::hash(image, QCryptographicHash::Sha1).toHex()) + extension;
    if (QFile::exists(path))
        return path;
    // Written whole or not at all: a reader must never get half a picture.
    QSaveFile file(path);
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) || file.write(image) != image.size()
        || !file.commit())
        return QString();
    return path;
}

} // namespace QzMultiMedia

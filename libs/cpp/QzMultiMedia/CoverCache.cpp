#include "CoverCache.h"

#include "App.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QSaveFile>
#include <QStandardPaths>

namespace QzMultiMedia {

namespace {
// A cover is a few hundred kilobytes; a picture past this is not copied around for a tool tip.
constexpr qsizetype MaxCoverBytes = 8 * 1024 * 1024;
// Covers kept on disk for other programs to show; the oldest go first.
constexpr int KeptCovers = 200;

// Whether the bytes are a picture Qt can read, by their own header: a tag that only calls itself a picture is
// never handed to the desktop as one.
bool isPicture(const QByteArray& image)
{
    QBuffer buffer;
    buffer.setData(image);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return reader.canRead() && reader.size().isValid();
}

void keepTheNewest(const QString& folder)
{
    const QFileInfoList covers = QDir(folder).entryInfoList(QDir::Files, QDir::Time);
    for (qsizetype i = KeptCovers; i < covers.size(); ++i)
        QFile::remove(covers.at(i).absoluteFilePath());
}
} // namespace

QString CoverCache::fileFor(const QByteArray& image, const QString& mimeType)
{
    if (image.isEmpty() || image.size() > MaxCoverBytes || !isPicture(image))
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
    keepTheNewest(folder);
    return path;
}

} // namespace QzMultiMedia

#include "CoverCache.h"

#include "MediaHost.h"

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
// Covers kept on disk for other programs to show, by number and by size; the oldest go first.
constexpr int KeptCovers = 200;
constexpr qint64 KeptBytes = 50 * 1024 * 1024;

// Desktops show a cover at most a few hundred pixels wide.
constexpr int CoverSide = 512;

// The cover as it is kept: its own bytes when they are a picture of a cover's size, a copy scaled down (as PNG)
// when it is larger; nothing when the bytes are not a picture Qt can read, whatever the tag calls them. A JPEG is
// decoded scaled, which costs a fraction of the whole.
QByteArray keptPicture(const QByteArray& image, QString* extension)
{
    QBuffer buffer;
    buffer.setData(image);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!reader.canRead() || !size.isValid() || size.isEmpty())
        return {};
    if (size.width() <= CoverSide && size.height() <= CoverSide)
        return image;
    reader.setScaledSize(size.scaled(CoverSide, CoverSide, Qt::KeepAspectRatio));
    const QImage scaled = reader.read();
    if (scaled.isNull())
        return {};
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    if (!scaled.save(&out, "PNG"))
        return {};
    *extension = QStringLiteral(".png");
    return bytes;
}

void keepTheNewest(const QString& folder)
{
    const QFileInfoList covers = QDir(folder).entryInfoList(QDir::Files, QDir::Time);
    qint64 kept = 0;
    for (qsizetype i = 0; i < covers.size(); ++i) {
        kept += covers.at(i).size();
        if (i >= KeptCovers || kept > KeptBytes)
            QFile::remove(covers.at(i).absoluteFilePath());
    }
}
} // namespace

QString CoverCache::fileFor(const QByteArray& image, const QString& mimeType)
{
    if (image.isEmpty() || image.size() > MaxCoverBytes)
        return QString();
    QString folder = MediaHost::installed()
        ? MediaHost::installed()->cachesDirectory()
        : QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QLatin1Char('/');
    folder += QStringLiteral("covers");
    QString extension = mimeType == QLatin1String("image/png") ? QStringLiteral(".png") : QStringLiteral(".jpg");
    const QString name = QString::fromLatin1(QCryptographicHash::hash(image, QCryptographicHash::Sha1).toHex());
    for (const char* known : { ".png", ".jpg" }) {
        const QString path = folder + QLatin1Char('/') + name + QLatin1String(known);
        if (QFile::exists(path))
            return path;
    }
    const QByteArray kept = keptPicture(image, &extension);
    if (kept.isEmpty())
        return QString();
    const QString path = folder + QLatin1Char('/') + name + extension;
    // Written whole or not at all: a reader must never get half a picture.
    QSaveFile file(path);
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) || file.write(kept) != kept.size() || !file.commit())
        return QString();
    keepTheNewest(folder);
    return path;
}

} // namespace QzMultiMedia

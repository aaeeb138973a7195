#include "MediaCommon.h"

#include <QFile>

#include <initializer_list>

namespace QzMultiMedia {

namespace {

struct SuffixList
{
    MediaType type;
    std::initializer_list<const char*> suffixes;
};

// Tried in this order; the first suffix that ends the name decides.
const SuffixList suffixLists[] = {
    { Video,
        { ".avi", ".mp4", ".mov", ".wmv", ".3gp", ".3g2", ".m4v", ".mpg", ".flv", ".swf", ".mkv", ".asf", ".vob" } },
    { Audio, { ".wav", ".mp3", ".m4a", ".wma", ".ac3", ".aac", ".ogg", ".3ga", ".aiff" } },
    { Image, { ".jpg", ".png", ".bmp", ".tif", ".tiff", ".jpeg", ".gif" } },
};

} // namespace

MediaType MediaCommon::mediaType(const QString& fileName)
{
    const QString lower = fileName.toLower();
    for (const SuffixList& list : suffixLists) {
        for (const char* suffix : list.suffixes) {
            if (lower.endsWith(QLatin1String(suffix)))
                return list.type;
        }
    }
    return Unrecognized;
}

bool MediaCommon::isAudio(const QString& fileName)
{
    return mediaType(fileName) == Audio;
}

bool MediaCommon::isVideo(const QString& fileName)
{
    return mediaType(fileName) == Video;
}

bool MediaCommon::isImage(const QString& fileName)
{
    return mediaType(fileName) == Image;
}

bool MediaCommon::isStream(const QUrl& url)
{
    return (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) && !url.host().isEmpty();
}

QString MediaCommon::localName(const QUrl& url)
{
    if (isStream(url))
        return url.toString(QUrl::FullyEncoded);
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    const QString path = url.toLocalFile();
    if (url.scheme() == QLatin1String("file") && QFile::encodeName(path) != bytes)
        return QString::fromLatin1(url.toEncoded());
    return path;
}

QByteArray MediaCommon::fileBytes(const QString& localName)
{
    if (localName.startsWith(QLatin1String("file:")))
        return QByteArray::fromPercentEncoding(QUrl::fromEncoded(localName.toLatin1()).path(QUrl::FullyEncoded).toLatin1());
    return QFile::encodeName(localName);
}

QUrl MediaCommon::urlFromBytes(const QByteArray& path)
{
    return QUrl::fromEncoded("file://" + path.toPercentEncoding("/"));
}

} // namespace QzMultiMedia

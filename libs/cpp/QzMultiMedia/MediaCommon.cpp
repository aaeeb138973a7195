#include "MediaCommon.h"

#include <QFile>

#include <algorithm>
#include <iterator>

namespace QzMultiMedia {

namespace {

// Tried in this order, video first; the first ending that matches decides.
const char* const videoEndings[]
    = { ".avi", ".mp4", ".mov", ".wmv", ".3gp", ".3g2", ".m4v", ".mpg", ".flv", ".swf", ".mkv", ".asf", ".vob" };
const char* const audioEndings[] = { ".wav", ".mp3", ".m4a", ".wma", ".ac3", ".aac", ".ogg", ".3ga", ".aiff" };
const char* const imageEndings[] = { ".jpg", ".png", ".bmp", ".tif", ".tiff", ".jpeg", ".gif" };

template <size_t N> bool endsWithOneOf(const QString& lower, const char* const (&endings)[N])
{
    return std::any_of(std::begin(endings), std::end(endings),
        [&lower](const char* ending) { return lower.endsWith(QLatin1String(ending)); });
}

} // namespace

MediaType MediaCommon::mediaType(const QString& fileName)
{
    const QString lower = fileName.toLower();
    if (endsWithOneOf(lower, videoEndings))
        return Video;
    if (endsWithOneOf(lower, audioEndings))
        return Audio;
    if (endsWithOneOf(lower, imageEndings))
        return Image;
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
    // A stretch of a file keeps its fragment, the one thing that tells it from the whole file and its neighbours.
    if (isStream(url) || (url.isLocalFile() && range(url, nullptr, nullptr)))
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
        return QByteArray::fromPercentEncoding(
            QUrl::fromEncoded(localName.toLatin1()).path(QUrl::FullyEncoded).toLatin1());
    return QFile::encodeName(localName);
}

QUrl MediaCommon::urlFromBytes(const QByteArray& path)
{
    return QUrl::fromEncoded("file://" + path.toPercentEncoding("/"));
}

namespace {
QString seconds(qint64 ms)
{
    QString text = QString::number(ms / 1000);
    if (const qint64 rest = ms % 1000) {
        text += QLatin1Char('.') + QString::number(rest).rightJustified(3, QLatin1Char('0'));
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
    }
    return text;
}

// A clock time of a media fragment ("npt" only, the kind written here): seconds, or h:mm:ss, with decimals.
qint64 milliseconds(QStringView text, bool* ok)
{
    double total = 0;
    for (const QStringView part : text.split(QLatin1Char(':'))) {
        bool number = false;
        const double value = part.toDouble(&number);
        if (!number || value < 0) {
            *ok = false;
            return 0;
        }
        total = total * 60 + value;
    }
    *ok = !text.isEmpty() && total < 1e9;
    return qint64(total * 1000 + 0.5);
}
} // namespace

QUrl MediaCommon::withRange(const QUrl& file, qint64 startMs, qint64 endMs)
{
    QUrl song = file;
    QString fragment = QStringLiteral("t=") + seconds(qMax<qint64>(0, startMs));
    if (endMs >= 0)
        fragment += QLatin1Char(',') + seconds(endMs);
    song.setFragment(fragment);
    return song;
}

bool MediaCommon::range(const QUrl& song, qint64* startMs, qint64* endMs)
{
    if (startMs)
        *startMs = 0;
    if (endMs)
        *endMs = -1;
    if (!song.isLocalFile() || !song.hasFragment())
        return false;
    const QString text = song.fragment();
    QStringView fragment = text;
    if (!fragment.startsWith(QLatin1String("t=")))
        return false;
    fragment = fragment.mid(2);
    if (fragment.startsWith(QLatin1String("npt:")))
        fragment = fragment.mid(4);
    const qsizetype comma = fragment.indexOf(QLatin1Char(','));
    bool ok = true;
    const qint64 start = comma == 0 ? 0 : milliseconds(fragment.left(comma), &ok);
    bool endOk = true;
    const qint64 end = comma < 0 ? -1 : milliseconds(fragment.mid(comma + 1), &endOk);
    if (!ok || !endOk || (end >= 0 && end <= start))
        return false;
    if (startMs)
        *startMs = start;
    if (endMs)
        *endMs = end;
    return true;
}

bool MediaCommon::range(const QString& localName, qint64* startMs, qint64* endMs)
{
    // A plain path is a whole file; only an address carries a fragment.
    return range(localName.startsWith(QLatin1String("file:")) ? QUrl(localName) : QUrl(), startMs, endMs);
}

} // namespace QzMultiMedia

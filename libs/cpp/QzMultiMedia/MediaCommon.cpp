#include "MediaCommon.h"

#include <QFile>
#include <QHash>
#include <QMimeDatabase>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <iterator>

namespace QzMultiMedia {

namespace {

// Endings of sound files the MIME database files under other kinds, or does not know.
const char* const extraAudioEndings[] = { ".3ga", ".wma", ".ac3" };

const char* const videoEndings[]
    = { ".avi", ".mp4", ".mov", ".wmv", ".3gp", ".3g2", ".m4v", ".mpg", ".flv", ".swf", ".mkv", ".asf", ".vob" };
const char* const imageEndings[] = { ".jpg", ".png", ".bmp", ".tif", ".tiff", ".jpeg", ".gif" };

template <size_t N> bool endsWithOneOf(const QString& lower, const char* const (&endings)[N])
{
    return std::any_of(std::begin(endings), std::end(endings),
        [&lower](const char* ending) { return lower.endsWith(QLatin1String(ending)); });
}

// Play lists describe songs instead of holding them; some of them still carry an audio MIME type.
bool isPlayListType(const QMimeType& type)
{
    static const char* const playLists[]
        = { "audio/x-scpls", "audio/x-ms-asx", "audio/x-mpegurl", "audio/mpegurl", "application/vnd.apple.mpegurl" };
    for (const char* name : playLists) {
        if (type.inherits(QLatin1String(name)))
            return true;
    }
    return type.inherits(QStringLiteral("text/plain"));
}

bool isSoundType(const QMimeType& type)
{
    return type.name().startsWith(QLatin1String("audio/")) && !isPlayListType(type);
}

bool isExtraAudioEnding(const QString& ending)
{
    return std::any_of(std::begin(extraAudioEndings), std::end(extraAudioEndings),
        [&ending](const char* extra) { return ending == QLatin1String(extra + 1); });
}

// Whether the MIME database files a name with this ending under sound, less the endings another type wins
// (".psf": a PlayStation sound, but a console font first). Asked once per ending and kept: a lookup per name cost
// 15 µs, 150 ms on the user interface's thread for a drop of 10,000 songs; learning every sound ending at once
// reads the database's description of each type, 20 ms at every start.
bool isAudioEnding(const QString& ending)
{
    static QMutex s_mutex;
    static QHash<QString, bool> s_known;
    const QMutexLocker lock(&s_mutex);
    const auto known = s_known.constFind(ending);
    if (known != s_known.cend())
        return *known;
    const bool audio = isExtraAudioEnding(ending)
        || isSoundType(
            QMimeDatabase().mimeTypeForFile(QStringLiteral("song.") + ending, QMimeDatabase::MatchExtension));
    s_known.insert(ending, audio);
    return audio;
}

} // namespace

MediaType MediaCommon::mediaType(const QString& fileName)
{
    const QString lower = fileName.toLower();
    if (endsWithOneOf(lower, videoEndings))
        return Video;
    if (isAudio(fileName))
        return Audio;
    if (endsWithOneOf(lower, imageEndings))
        return Image;
    return Unrecognized;
}

// The MIME database knows FLAC, Opus, Matroska audio and the rest; a name that is only an ending (".mp3") has
// none, as the database sees it.
bool MediaCommon::isAudio(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= fileName.lastIndexOf(QLatin1Char('/')) + 1)
        return false;
    return isAudioEnding(fileName.mid(dot + 1).toLower());
}

// Every sound ending the database knows, for the open dialog's filter.
QStringList MediaCommon::audioFilePatterns()
{
    QSet<QString> endings;
    for (const char* ending : extraAudioEndings)
        endings.insert(QLatin1String(ending + 1));
    const QList<QMimeType> types = QMimeDatabase().allMimeTypes();
    for (const QMimeType& type : types) {
        if (!isSoundType(type))
            continue;
        const QStringList globs = type.globPatterns();
        for (const QString& glob : globs) {
            const QString ending = glob.mid(2).toLower();
            if (glob.startsWith(QLatin1String("*.")) && !ending.contains(QRegularExpression(QStringLiteral("[.*?\\[]")))
                && isAudioEnding(ending))
                endings.insert(ending);
        }
    }
    QStringList patterns;
    for (const QString& ending : std::as_const(endings))
        patterns << QStringLiteral("*.") + ending;
    patterns.sort();
    return patterns;
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

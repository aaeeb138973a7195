#include "AudioFormats.h"

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

// Play lists describe songs instead of holding them; some of them still carry an audio MIME type.
bool isPlayListType(const QMimeType& type)
{
    static const char* const playLists[]
        = { "audio/x-scpls", "audio/x-ms-asx", "audio/x-mpegurl", "audio/mpegurl", "application/vnd.apple.mpegurl" };
    return std::any_of(std::begin(playLists), std::end(playLists),
        [&type](const char* name) { return type.inherits(QLatin1String(name)); });
}

bool isSoundType(const QMimeType& type)
{
    return type.name().startsWith(QLatin1String("audio/")) && !isPlayListType(type)
        && !type.inherits(QStringLiteral("text/plain"));
}

bool isExtraAudioEnding(const QString& ending)
{
    return std::any_of(std::begin(extraAudioEndings), std::end(extraAudioEndings),
        [&ending](const char* extra) { return ending == QLatin1String(extra + 1); });
}

QString endingOf(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= fileName.lastIndexOf(QLatin1Char('/')) + 1)
        return {};
    return fileName.mid(dot + 1).toLower();
}

QMimeType typeOfEnding(const QString& ending)
{
    return QMimeDatabase().mimeTypeForFile(QStringLiteral("song.") + ending, QMimeDatabase::MatchExtension);
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
    const bool audio = isExtraAudioEnding(ending) || isSoundType(typeOfEnding(ending));
    s_known.insert(ending, audio);
    return audio;
}

} // namespace

// A name that is only an ending (".mp3") is a hidden file with no ending, as the MIME database sees it.
bool AudioFormats::isDecodable(const QString& fileName)
{
    const QString ending = endingOf(fileName);
    return !ending.isEmpty() && isAudioEnding(ending);
}

QStringList AudioFormats::filePatterns()
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

// Pictures, texts and office documents; a video container or an unknown ending may still hold sound and is tried.
bool AudioFormats::isKnownNotSound(const QString& fileName)
{
    const QString ending = endingOf(fileName);
    if (ending.isEmpty() || isAudioEnding(ending))
        return false;
    const QMimeType type = typeOfEnding(ending);
    const QString name = type.name();
    if (name.startsWith(QLatin1String("audio/")) || isPlayListType(type))
        return false; // a play list, read as one before this is asked
    return name.startsWith(QLatin1String("image/")) || type.inherits(QStringLiteral("text/plain"))
        || name == QLatin1String("application/pdf") || name.contains(QLatin1String("opendocument"))
        || name.contains(QLatin1String("officedocument")) || name == QLatin1String("application/msword")
        || name.startsWith(QLatin1String("application/vnd.ms-excel"))
        || name.startsWith(QLatin1String("application/vnd.ms-powerpoint"));
}

} // namespace QzMultiMedia

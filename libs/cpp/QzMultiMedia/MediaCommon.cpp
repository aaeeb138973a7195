#include "MediaCommon.h"

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

} // namespace QzMultiMedia

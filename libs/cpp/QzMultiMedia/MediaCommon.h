#pragma once

#include <QString>

namespace QzMultiMedia {

enum MediaType {
    Audio = 0,
    Video = 1,
    Image = 2,
    Unrecognized = 4,
};

// Classifies a file name by its ending alone; the file is never opened.
class MediaCommon
{
public:
    static MediaType mediaType(const QString& fileName);
    static bool isAudio(const QString& fileName);
    static bool isVideo(const QString& fileName);
    static bool isImage(const QString& fileName);
};

} // namespace QzMultiMedia

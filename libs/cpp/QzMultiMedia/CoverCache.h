#pragma once

#include <QByteArray>
#include <QString>

namespace QzMultiMedia {

// Song covers as files, for programs that take a picture by name (sound applets, notification servers). Each
// picture is written once under the cache directory, named after its content, so a whole album shares one file.
class CoverCache
{
public:
    // The file holding `image`; empty when there is no picture or it cannot be written.
    static QString fileFor(const QByteArray& image, const QString& mimeType);
};

} // namespace QzMultiMedia

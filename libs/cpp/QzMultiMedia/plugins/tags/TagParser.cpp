// The tag reader plugin: TagLib.

#include "ReaderRecords.h"

#include <taglib/fileref.h>
#include <taglib/tag.h>

using QzMultiMedia::ReaderRecords::FileTags;

namespace {
QString text(const TagLib::String& value)
{
    return QString::fromStdString(value.to8Bit(true));
}
} // namespace

extern "C" Q_DECL_EXPORT bool vireoReadTags(const QByteArray& path, FileTags& tags)
{
    const TagLib::FileRef file(path.constData(), false);
    const TagLib::Tag* tag = file.isNull() ? nullptr : file.tag();
    if (!tag)
        return false;
    tags.title = text(tag->title());
    tags.artist = text(tag->artist());
    tags.album = text(tag->album());
    tags.trackNumber = int(tag->track());
    return true;
}

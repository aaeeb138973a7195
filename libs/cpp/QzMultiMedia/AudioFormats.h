#pragma once

#include <QString>
#include <QStringList>

namespace QzMultiMedia {

// What the player can decode, by a file's name: FLAC, Opus, M4A, WMA and every other sound type the MIME
// database knows, less the play lists that carry an audio type. MediaCommon's fixed table says what a name is;
// this says what the intake takes, so a drop, a folder, a CUE sheet's image and the open dialog agree.
class AudioFormats
{
public:
    static bool isDecodable(const QString& fileName);
    // The name patterns isDecodable() takes ("*.mp3", "*.flac", ...), for the open dialog's filter.
    static QStringList filePatterns();
    // Whether the MIME database knows a name as something other than sound (a picture, a text, a document):
    // such a file is left out even when named on its own.
    static bool isKnownNotSound(const QString& fileName);
};

} // namespace QzMultiMedia

#pragma once

#include <QFunctionPointer>
#include <QString>
#include <QStringList>

namespace QzMultiMedia {

// Loads one of the program's plugins (the readers of ReaderRecords.h, the network's JsonPost.h) the first time one
// of its functions is asked for, and keeps it loaded. A plugin that cannot be loaded is said once in the log; what
// needs it then does without, as with a file that cannot be read.
class PluginLibrary
{
public:
    // The function `symbol` of the plugin `plugin` (<plugin>.so in one of folders()), or nullptr.
    template <typename Function> static Function function(const char* plugin, const char* symbol)
    {
        return reinterpret_cast<Function>(resolve(plugin, symbol));
    }
    // Where plugins are looked for, in order: <bin>/../lib/vireo/plugins beside the program, as installed and as
    // built (the program's build tree mirrors the install tree), then the build tree's own folder, for programs
    // such as the tests that run from elsewhere.
    static QStringList folders();

private:
    static QFunctionPointer resolve(const char* plugin, const char* symbol);
};

} // namespace QzMultiMedia

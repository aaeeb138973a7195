#include "MediaHost.h"

namespace QzMultiMedia {

namespace {
MediaHost* s_pHost = nullptr;
}

void MediaHost::install(MediaHost* host)
{
    s_pHost = host;
}

MediaHost* MediaHost::installed()
{
    return s_pHost;
}

} // namespace QzMultiMedia

#include "MediaRemote.h"

#include "Mpris_linux.h"
#include "Os_Linux.h"

// On Linux desktops the remote is MPRIS 2 on the session bus; without a bus it simply is not there.
MediaRemote::MediaRemote(Vireo* vireo, QObject* parent)
    : QObject(parent)
{
    new Mpris_linux(vireo, Os_Linux::sessionBus(), this);
}

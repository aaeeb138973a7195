#include "MediaRemote.h"

#include "Mpris_linux.h"
#include "Os_Linux.h"

// On Linux desktops the remote is MPRIS 2 on the session bus; without a bus it simply is not there.
MediaRemote::MediaRemote(QObject* parent)
    : QObject(parent)
{
    new Mpris_linux(Os_Linux::sessionBus(), this);
}

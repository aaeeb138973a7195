#include "MediaRemote.h"

#include "Mpris_linux.h"
#include "Os_Linux.h"
#include "SessionBus_linux.h"

// On Linux desktops the remote is MPRIS 2 on the session bus; without a bus it simply is not there.
MediaRemote::MediaRemote(QObject* parent)
    : QObject(parent)
{
    auto* mpris = new Mpris_linux(Os_Linux::sessionBus(), this);
    connect(SessionBus_linux::instance(), &SessionBus_linux::returned, mpris,
        [mpris] { mpris->registerOn(Os_Linux::sessionBus()); });
}

#include "IntakeQueue.h"

#include <sys/resource.h>

namespace QzMultiMedia {

// Qt sets no niceness on Linux (only IdlePriority, under which a busy desktop leaves the reading next to nothing).
// Linux applies the value to the calling thread alone; 10 still leaves the reading a tenth of a busy processor.
void IntakeQueue::readInBackground()
{
    setpriority(PRIO_PROCESS, 0, 10);
}

} // namespace QzMultiMedia

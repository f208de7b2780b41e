// What it cannot model: Windows' process ids, which are multiples of four;
// the host's own id is used.
#include "TempName.h"

#include <unistd.h>

unsigned long CurrentProcessId() {
    return static_cast<unsigned long>(getpid());
}

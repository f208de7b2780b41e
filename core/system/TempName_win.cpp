#include "TempName.h"

#include <windows.h>

unsigned long CurrentProcessId() {
    return GetCurrentProcessId();
}

#include "TempName.h"

#include <atomic>

std::string UniqueTemporaryName(const std::string& path) {
    static std::atomic<unsigned long> counter{0};
    return path + ".tmp-" + std::to_string(CurrentProcessId()) + "-" + std::to_string(++counter);
}

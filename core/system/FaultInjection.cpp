#include "FaultInjection.h"

#include <atomic>

namespace fault_injection {

namespace {
std::atomic<int> g_limit{-1};
std::atomic<int> g_counted{0};
} // namespace

void FailChangesAfter(int count) {
    g_limit = count;
    g_counted = 0;
}

bool AllowChange() {
    const int counted = g_counted++;
    const int limit = g_limit;
    return limit < 0 || counted < limit;
}

int ChangesCounted() {
    return g_counted;
}

} // namespace fault_injection

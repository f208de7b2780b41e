// The package manifest reader on arbitrary bytes: tasks or an error, never
// both, and every task complete.
#include "core/PackagedApps.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TPackage package{"Fuzz_1.0.0.0_x64__fuzzpublisher", "Fuzz_fuzzpublisher", "", "C:\\Fuzz"};
    std::string error;
    const auto tasks =
        StartupTasksOf(package, std::string(reinterpret_cast<const char*>(data), size), &error);
    if (!error.empty() && !tasks.empty())
        std::abort();
    for (const TPackagedTask& task : tasks) {
        if (task.TaskId.empty() || task.Executable.empty() || task.DisplayName.empty())
            std::abort();
    }
    return 0;
}

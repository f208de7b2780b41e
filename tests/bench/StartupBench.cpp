// Scans and merges many startup entries: values in the per-user Run key,
// shortcuts in the user's startup folder and disabled entries in the store.
// Prints the time of each size; doubling the entries should about double it.

#include "support/CoreFixture.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

struct Bench : CoreTest {
    void TestBody() override {}
    using CoreTest::MakeShortcut;
    using CoreTest::PutValue;
    using CoreTest::Rescan;
    using CoreTest::SetUp;
    using CoreTest::TearDown;
};

double Measure(int values, int shortcuts, int disabled) {
    Bench bench;
    bench.SetUp();
    for (int i = 0; i < values; ++i)
        Bench::PutValue(slCURun, "Value " + std::to_string(i),
                        "C:\\Program Files\\Vendor " + std::to_string(i) + "\\app.exe /start");
    for (int i = 0; i < shortcuts; ++i)
        Bench::MakeShortcut(slCUStartup, "Shortcut " + std::to_string(i),
                            "C:\\Tools\\tool" + std::to_string(i) + ".exe", "-x");
    {
        TStartups store;
        for (int i = 0; i < disabled; ++i)
            store
                .Add("Disabled " + std::to_string(i), "",
                     "C:\\Old\\old" + std::to_string(i) + ".exe", slCURun, 0)
                ->SetEnabled(false);
        SaveDisabledStore(store, nullptr);
    }
    TStartups startups;
    const auto start = std::chrono::steady_clock::now();
    Bench::Rescan(startups);
    const auto stop = std::chrono::steady_clock::now();
    if (startups.Count() != values + shortcuts + disabled)
        std::fprintf(stderr, "unexpected count %d\n", startups.Count());
    bench.TearDown();
    return std::chrono::duration<double, std::milli>(stop - start).count();
}

} // namespace

int main() {
    std::printf("%8s %10s %9s %12s\n", "values", "shortcuts", "disabled", "scan+merge");
    for (int scale : {1, 2}) {
        const int values = 5000 * scale;
        const int shortcuts = 250 * scale;
        const int disabled = 500 * scale;
        const double ms = Measure(values, shortcuts, disabled);
        std::printf("%8d %10d %9d %9.1f ms\n", values, shortcuts, disabled, ms);
    }
    return 0;
}

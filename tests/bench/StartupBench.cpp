// The core's costs that grow with the number of entries, each printed with
// the reference it is judged against, measured in the same run:
//   - a refresh of N values in one Run key against one bare pass of the
//     registry's enumeration over the same key (Windows only), and the
//     refresh of 2N values against that of N;
//   - what "morvane-cli list --json" does (the scan and merge, the
//     signature checks from an empty cache, the JSON) over the same N and
//     2N values, against the same bare pass, and 2N against N;
//   - a profile of 2N entries written against one of N, and against writing
//     the same bytes to a file in one call;
//   - scan and merge of values, shortcuts and stored disabled entries;
//   - a scan whose store is damaged into 20,000 empty sections against one
//     of 2,000;
//   - a scan of a machine with 300 packaged apps (one in ten with a startup
//     task) and 200 Active Setup components against the scan of the Run
//     keys and Startup folders alone on the same machine.
// Under Wine the prefix's real registry is used: run it in a throw-away one.

#include "support/CoreFixture.h"

#include "cli/CliOutput.h"
#include "core/startupSignatures.h"

#include "core/system/Files.h"
#include "core/system/Packages.h"

#ifdef _WIN32
#include <windows.h>

#include "core/system/UniqueHandle_win.h"
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

struct Bench : CoreTest {
    void TestBody() override {}
    using CoreTest::MakeShortcut;
    using CoreTest::PutValue;
    using CoreTest::Rescan;
    using CoreTest::Scratch;
    using CoreTest::SetUp;
    using CoreTest::TearDown;
    using CoreTest::WriteFileBytes;
};

double Millis(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

// The best of a few runs: the machine may be busy with other work.
double Best(int runs, const std::function<double()>& once) {
    double best = 1e300;
    for (int r = 0; r < runs; ++r)
        best = std::min(best, once());
    return best;
}

void PutValues(int count) {
    for (int i = 0; i < count; ++i)
        Bench::PutValue(slCURun, "Value " + std::to_string(i),
                        "C:\\Program Files\\Vendor " + std::to_string(i) + "\\app.exe /start");
}

double TimeRefresh(int expected) {
    TStartups startups;
    const auto start = Clock::now();
    startups.Refresh();
    const double ms = Millis(start);
    if (startups.Count() != expected)
        std::fprintf(stderr, "refresh found %d entries, not %d\n", startups.Count(), expected);
    return ms;
}

// The steps of "list --json": every program file is looked for, none of
// them exists (as for entries whose programs were uninstalled).
double TimeList(int expected) {
    TStartups startups;
    const auto start = Clock::now();
    Bench::Rescan(startups);
    const std::vector<TStartup*> rows = startups.InGroup(0);
    TSignatureCache cache;
    CheckSignatures(rows, cache);
    const std::string json = FormatList(startups.All(), Format::Json);
    const double ms = Millis(start);
    if (static_cast<int>(rows.size()) != expected || json.size() < rows.size())
        std::fprintf(stderr, "list showed %zu entries, not %d\n", rows.size(), expected);
    return ms;
}

#ifdef _WIN32
// What the registry itself costs: one enumeration call a value, name and
// data, into buffers sized once.
double TimeBarePass(int expected) {
    UniqueHKey owner;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, LocationKey(slCURun) + 1, 0, KEY_READ, owner.put()) !=
        ERROR_SUCCESS)
        return 0;
    HKEY key = owner.get();
    const auto start = Clock::now();
    DWORD count = 0, longestName = 0, longestData = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                     &longestName, &longestData, nullptr, nullptr);
    std::string name(longestName + 1, '\0');
    std::string data(longestData + 1, '\0');
    int seen = 0;
    for (DWORD i = 0; i < count; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type,
                          reinterpret_cast<BYTE*>(data.data()), &dataLength) == ERROR_SUCCESS)
            ++seen;
    }
    const double ms = Millis(start);
    if (seen != expected)
        std::fprintf(stderr, "bare pass saw %d values, not %d\n", seen, expected);
    return ms;
}
#endif

void RefreshFigures(int base) {
    Bench bench;
    bench.SetUp();
    double refresh[2] = {};
    double list[2] = {};
    for (int scale = 1; scale <= 2; ++scale) {
        const int n = base * scale;
        PutValues(n); // adds the values above those already there
        refresh[scale - 1] = Best(3, [n] { return TimeRefresh(n); });
        list[scale - 1] = Best(3, [n] { return TimeList(n); });
        std::printf("refresh of %5d values:            %9.1f ms\n", n, refresh[scale - 1]);
        std::printf("list --json of %5d values:        %9.1f ms\n", n, list[scale - 1]);
#ifdef _WIN32
        const double bare = Best(3, [n] { return TimeBarePass(n); });
        std::printf("bare enumeration of %5d values:   %9.1f ms\n", n, bare);
        std::printf("RATIO refresh %d values / bare enumeration: %.2f (target <= 1.3)\n", n,
                    refresh[scale - 1] / bare);
        std::printf("RATIO list --json %d values / bare enumeration: %.2f (target <= 1.3)\n", n,
                    list[scale - 1] / bare);
#endif
    }
    std::printf("RATIO refresh %d values / %d values: %.2f (linear: about 2)\n", 2 * base, base,
                refresh[1] / refresh[0]);
    std::printf("RATIO list --json %d values / %d values: %.2f (linear: about 2)\n", 2 * base, base,
                list[1] / list[0]);
    bench.TearDown();
}

void ProfileFigures(int base) {
    Bench bench;
    bench.SetUp();
    double save[2] = {};
    double raw = 0;
    for (int scale = 1; scale <= 2; ++scale) {
        const int n = base * scale;
        TStartups startups;
        for (int i = 0; i < n; ++i)
            startups
                .Add("Entry " + std::to_string(i), "",
                     "\"C:\\Program Files\\Vendor " + std::to_string(i) + "\\app.exe\" /start",
                     i % 2 ? slCURun : slLMRun, i % 5)
                ->SetEnabled(i % 3 != 0);
        const std::string path = PathJoin(Bench::Scratch(), "bench.mvp");
        save[scale - 1] = Best(3, [&] {
            const auto start = Clock::now();
            startups.SaveToFile(path);
            return Millis(start);
        });
        std::printf("save-profile of %5d entries:       %9.1f ms\n", n, save[scale - 1]);
        if (scale == 2) {
            std::string bytes;
            ReadWholeFile(path, bytes);
            const std::string copy = PathJoin(Bench::Scratch(), "copy.mvp");
            raw = Best(3, [&] {
                const auto start = Clock::now();
                WriteWholeFile(copy, bytes);
                return Millis(start);
            });
            std::printf("one write of the same %zu bytes:  %9.1f ms\n", bytes.size(), raw);
        }
    }
    std::printf("RATIO save-profile %d entries / %d entries: %.2f (target <= 2.1)\n", 2 * base,
                base, save[1] / save[0]);
    std::printf("RATIO save-profile %d entries / one write of its bytes: %.2f\n", 2 * base,
                save[1] / std::max(raw, 1e-3));
    bench.TearDown();
}

double ScanAndMerge(int values, int shortcuts, int disabled) {
    Bench bench;
    bench.SetUp();
    PutValues(values);
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
        SaveDisabledStore(store);
    }
    TStartups startups;
    const auto start = Clock::now();
    Bench::Rescan(startups);
    const double ms = Millis(start);
    if (startups.Count() != values + shortcuts + disabled)
        std::fprintf(stderr, "unexpected count %d\n", startups.Count());
    bench.TearDown();
    return ms;
}

// A store damaged into many empty sections under a huge count: reading it
// once is linear in its size, where a profile call per key was quadratic.
double DamagedStoreScan(int sections) {
    Bench bench;
    bench.SetUp();
    ForceFolders(DataFolder());
    std::string store = "[General]\r\nProgramCount=2000000000\r\n";
    // Piece by piece: GCC 12's -O3 sees a false "restrict" overlap in
    // "[" + std::to_string(i) (GCC bug 105329).
    for (int i = 0; i < sections; ++i) {
        store += '[';
        store += std::to_string(i);
        store += "]\r\n";
    }
    Bench::WriteFileBytes(DisabledStorePath(), store);
    TStartups startups;
    const auto start = Clock::now();
    Bench::Rescan(startups);
    const double ms = Millis(start);
    if (startups.Notices.empty())
        std::fprintf(stderr, "the damaged store was not reported\n");
    bench.TearDown();
    return ms;
}

// A registry value of any key, made with the key where it is missing.
void PutKeyValue(RegRoot root, const std::string& path, const std::string& name,
                 const std::string& text) {
    CreateRegistryKey(root, path, RegView::Default);
    TRegKey key;
    if (key.Open(root, path, RegAccess::Full))
        key.WriteText(name, text);
}

void SignInFigures() {
    Bench bench;
    bench.SetUp();
    const int values = 200;
    PutValues(values);
    for (int i = 0; i < 20; ++i)
        Bench::MakeShortcut(slCUStartup, "Link " + std::to_string(i),
                            "C:\\Tools\\tool" + std::to_string(i) + ".exe", "/tray");
    const double classic = Best(5, [] { return TimeRefresh(220); });

    // 300 packages, each with a manifest of a few kilobytes as Windows'
    // own are; every tenth declares a startup task.
    std::string filler;
    for (int k = 0; k < 60; ++k)
        filler +=
            "    <Resource Language=\"x-generate\" /><uap:Capability Name=\"internetClient\" />\n";
    for (int i = 0; i < 300; ++i) {
        const std::string name = "Contoso.App" + std::to_string(i);
        const std::string fullName = name + "_1.0.0.0_x64__8wekyb3d8bbwe";
        const std::string folder = PathJoin(Bench::Scratch(), "pkg" + std::to_string(i));
        ForceFolders(folder);
        const std::string task =
            i % 10 ? std::string()
                   : "<uap5:Extension Category=\"windows.startupTask\"><uap5:StartupTask "
                     "TaskId=\"Start\" Enabled=\"true\" DisplayName=\"App\"/></uap5:Extension>";
        WriteWholeFile(PathJoin(folder, "AppxManifest.xml"),
                       "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Package "
                       "xmlns=\"http://schemas.microsoft.com/appx/manifest/foundation/windows10\" "
                       "xmlns:uap5=\"http://schemas.microsoft.com/appx/manifest/uap/windows10/5\">"
                       "<Properties><DisplayName>" +
                           name + "</DisplayName></Properties><Resources>\n" + filler +
                           "</Resources><Applications><Application Id=\"App\" "
                           "Executable=\"app.exe\"><Extensions>" +
                           task + "</Extensions></Application></Applications></Package>\n");
        const std::string key = std::string(PackageRepositoryKey) + "\\" + fullName;
        PutKeyValue(RegRoot::CurrentUser, key, "DisplayName", name);
        PutKeyValue(RegRoot::CurrentUser, key, "PackageRootFolder", folder);
    }
    for (int i = 0; i < 200; ++i) {
        const std::string key =
            std::string(LocationKey(slActiveSetup) + 1) + "\\{Bench-" + std::to_string(i) + "}";
        PutKeyValue(RegRoot::LocalMachine, key, "", "Component " + std::to_string(i));
        PutKeyValue(RegRoot::LocalMachine, key, "Version", "1,0,0," + std::to_string(i));
        if (i % 2)
            PutKeyValue(RegRoot::LocalMachine, key, "StubPath",
                        "C:\\Windows\\setup" + std::to_string(i) + ".exe /user");
    }
    const double everything = Best(5, [] { return TimeRefresh(220 + 30 + 100); });
    std::printf("scan of 200 values and 20 shortcuts:                    %9.1f ms\n", classic);
    std::printf("the same with 300 packages and 200 Active Setup components: %9.1f ms\n",
                everything);
    std::printf("RATIO scan with the sign-in places / without: %.2f (target <= 1.3)\n",
                everything / std::max(classic, 1e-3));
    for (int i = 0; i < 300; ++i) {
        const std::string key = std::string(PackageRepositoryKey) + "\\Contoso.App" +
                                std::to_string(i) + "_1.0.0.0_x64__8wekyb3d8bbwe";
        DeleteRegistryKey(RegRoot::CurrentUser, key, RegView::Default);
    }
    for (int i = 0; i < 200; ++i)
        DeleteRegistryKey(RegRoot::LocalMachine,
                          std::string(LocationKey(slActiveSetup) + 1) + "\\{Bench-" +
                              std::to_string(i) + "}",
                          RegView::Default);
    bench.TearDown();
}

} // namespace

int main() {
    SignInFigures();
    const double small = DamagedStoreScan(2000);
    const double large = DamagedStoreScan(20000);
    std::printf("scan with a damaged store of  2000 empty sections: %9.1f ms\n", small);
    std::printf("scan with a damaged store of 20000 empty sections: %9.1f ms\n", large);
    std::printf("RATIO damaged store 20000 sections / 2000: %.2f (linear: about 10)\n",
                large / std::max(small, 1e-3));
    RefreshFigures(5000);
    ProfileFigures(1000);
    double merged[2] = {};
    for (int scale = 1; scale <= 2; ++scale) {
        merged[scale - 1] = ScanAndMerge(2500 * scale, 125 * scale, 250 * scale);
        std::printf("scan+merge of %d values, %d shortcuts, %d stored: %9.1f ms\n", 2500 * scale,
                    125 * scale, 250 * scale, merged[scale - 1]);
    }
    std::printf("RATIO scan+merge twice the entries / once: %.2f (linear: about 2)\n",
                merged[1] / merged[0]);
    return 0;
}

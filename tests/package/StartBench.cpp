// Cold start to the first painted window: starts each program given on the
// command line in turn, waits until it is idle for input (its window is
// created, shown and painted, and its first list is filled, which Morvane
// does before it first waits for input), and ends it. Prints the median of
// the rounds per program and each program's ratio to the first one.
//
//   start_bench.exe ROUNDS REFERENCE.exe PROGRAM.exe...

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct TFound {
    DWORD Process;
    HWND Window;
};

BOOL CALLBACK FindShown(HWND wnd, LPARAM lp) {
    auto* found = reinterpret_cast<TFound*>(lp);
    DWORD process = 0;
    GetWindowThreadProcessId(wnd, &process);
    if (process == found->Process && IsWindowVisible(wnd)) {
        found->Window = wnd;
        return FALSE;
    }
    return TRUE;
}

// Input idle can come before the first window where a program pumps
// messages while it starts: the start ends when a window of the process is
// shown and, for Morvane's window, its list holds its rows.
void WaitUntilShown(DWORD process) {
    for (int i = 0; i < 60000; ++i) {
        TFound found{process, nullptr};
        EnumWindows(FindShown, reinterpret_cast<LPARAM>(&found));
        if (found.Window) {
            char caption[64] = {};
            GetWindowTextA(found.Window, caption, sizeof caption);
            if (std::string(caption) != "Morvane for Windows v2")
                return;
            HWND list = GetDlgItem(found.Window, 1002);
            if (list && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0)
                return;
        }
        Sleep(1);
    }
}

double StartOnce(const std::string& program) {
    std::string command = "\"" + program + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    LARGE_INTEGER frequency, start, idle;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        std::fprintf(stderr, "start_bench: cannot start %s (%lu)\n", program.c_str(),
                     GetLastError());
        std::exit(1);
    }
    const DWORD waited = WaitForInputIdle(pi.hProcess, 120000);
    WaitUntilShown(pi.dwProcessId);
    QueryPerformanceCounter(&idle);
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (waited != 0) {
        std::fprintf(stderr, "start_bench: %s never waited for input\n", program.c_str());
        std::exit(1);
    }
    return 1000.0 * static_cast<double>(idle.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: start_bench ROUNDS REFERENCE.exe PROGRAM.exe...\n");
        return 2;
    }
    const int rounds = std::max(1, std::atoi(argv[1]));
    std::vector<std::string> programs(argv + 2, argv + argc);
    // The first start of each pays for loading what later starts find in
    // memory; it is not counted.
    for (const auto& p : programs)
        StartOnce(p);
    std::vector<std::vector<double>> times(programs.size());
    for (int r = 0; r < rounds; ++r)
        for (size_t i = 0; i < programs.size(); ++i)
            times[i].push_back(StartOnce(programs[i]));
    double reference = 0;
    for (size_t i = 0; i < programs.size(); ++i) {
        auto& t = times[i];
        std::sort(t.begin(), t.end());
        const double median = t[t.size() / 2];
        if (i == 0)
            reference = median;
        const std::string name = programs[i].substr(programs[i].find_last_of("\\/") + 1);
        std::printf("%-28s median %8.1f ms\n", name.c_str(), median);
        if (i > 0)
            std::printf("RATIO cold start to the first painted window, %s / %s: %.2f (limit 3)\n",
                        name.c_str(), programs[0].substr(programs[0].find_last_of("\\/") + 1).c_str(),
                        median / reference);
    }
    return 0;
}

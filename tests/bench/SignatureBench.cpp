// What the signature checks cost the window, each against the same window
// without them, measured in this run:
//   - the first paint (fill and the first screen) of 50 and of 5,000
//     entries while the checks of their program files run, against the same
//     paint with no checks: the ratio of 5,000 to 50 must stay the same;
//   - a refresh of 5,000 unchanged entries (every check answered by the
//     cache) against a refresh without checks: at most 5% more.
// The program files are 200 of the system folder's own, shared by the
// entries, so that each check reads a real file. Run it in a throw-away Wine prefix: it writes 5,000 values
// into the current user's Run key (and deletes them at the end).

#include "core/startupSignatures.h"
#include "core/startupUtil.h"
#include "core/system/Files.h"
#include "ui/PublisherChecks.h"
#include "ui/Unit1.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const wchar_t* const RunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

double Millis(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

std::vector<std::string> Programs() {
    std::vector<std::string> files = FindFiles(SystemFolder(), ".EXE", false);
    // A few hundred program files among the entries, as on a real system;
    // the first paint's checks then have all of them ahead.
    if (files.size() > 200)
        files.resize(200);
    if (files.empty()) {
        std::fprintf(stderr, "signature_bench: no programs in %s\n", SystemFolder().c_str());
        std::exit(1);
    }
    return files;
}

std::string CommandLine(const std::vector<std::string>& programs, int i) {
    return "\"" + programs[static_cast<size_t>(i) % programs.size()] + "\" /entry" +
           std::to_string(i);
}

std::unique_ptr<TfrmMorvane> OpenForm(bool checks, const std::string& cacheFile) {
    auto form = std::make_unique<TfrmMorvane>();
    form->PublisherChecks().ChecksSignatures = checks;
    form->PublisherChecks().SignatureCacheFile = cacheFile;
    if (!form->Create()) {
        std::fprintf(stderr, "signature_bench: the window could not be created\n");
        std::exit(1);
    }
    ShowWindow(form->Handle(), SW_SHOWNORMAL);
    Pump();
    return form;
}

// The first paint of `count` entries: their checks started (when asked),
// the list filled and its first screen painted. The checks go on after it.
double FirstPaint(int count, bool checks, const std::string& cacheFile) {
    const std::vector<std::string> programs = Programs();
    auto form = OpenForm(checks, cacheFile);
    TStartups& all = *form->Startups();
    for (int i = 0; i < count; ++i)
        all.Add("Entry " + std::to_string(i), "", CommandLine(programs, i), slCURun, 0);
    TreeView_SelectItem(form->TreeHandle(), form->Node(0));
    Pump();
    const auto t0 = Clock::now();
    form->PublisherChecks().StartSignatureChecks();
    form->FillList();
    UpdateWindow(form->ListHandle());
    GdiFlush();
    const double ms = Millis(t0);
    form->PublisherChecks().ChecksSignatures = false;
    form.reset();
    Pump();
    return ms;
}

void PutValues(int count) {
    const std::vector<std::string> programs = Programs();
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, RunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                    nullptr);
    for (int i = 0; i < count; ++i) {
        const std::wstring name = L"Bench " + std::to_wstring(i);
        const std::string text = CommandLine(programs, i);
        const std::wstring data(text.begin(), text.end());
        RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
}

void DeleteValues(int count) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, RunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    for (int i = 0; i < count; ++i)
        RegDeleteValueW(key, (L"Bench " + std::to_wstring(i)).c_str());
    RegCloseKey(key);
}

// The best of a few refreshes of the window; with checks, each refresh is
// counted until its checks have ended and are in their entries.
double Refresh(TfrmMorvane& form, bool waitForChecks) {
    double best = 1e300;
    for (int run = 0; run < 5; ++run) {
        const auto t0 = Clock::now();
        form.btnRefreshClick();
        UpdateWindow(form.ListHandle());
        if (waitForChecks)
            form.PublisherChecks().WaitForSignatures();
        best = std::min(best, Millis(t0));
        Pump();
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    OleInitialize(nullptr);
    InitMorvaneControls();
    const int large = argc > 1 ? std::max(100, std::atoi(argv[1])) : 5000;
    const std::string cacheFile = PathJoin(TempFolder(), "morvane-signature-bench.dat");
    DeleteFileAt(cacheFile);

    // Each paint with a cold cache: the checks have all their work ahead.
    double plain[2], checked[2];
    const int sizes[2] = {50, large};
    for (int k = 0; k < 2; ++k) {
        plain[k] = 1e300;
        checked[k] = 1e300;
        for (int run = 0; run < 3; ++run) {
            plain[k] = std::min(plain[k], FirstPaint(sizes[k], false, cacheFile));
            DeleteFileAt(cacheFile);
            checked[k] = std::min(checked[k], FirstPaint(sizes[k], true, cacheFile));
            DeleteFileAt(cacheFile);
        }
    }

    PutValues(large);
    double without = 0, with = 0, withUi = 0;
    {
        auto form = OpenForm(false, cacheFile);
        without = Refresh(*form, false);
    }
    {
        auto form = OpenForm(true, cacheFile);
        form->PublisherChecks().WaitForSignatures(); // the cache is warm from here on
        with = Refresh(*form, true);
        withUi = Refresh(*form, false);
        form->PublisherChecks().WaitForSignatures();
    }
    DeleteValues(large);
    DeleteFileAt(cacheFile);

    std::printf("signature_bench: %d and %d entries\n", sizes[0], sizes[1]);
    std::printf("  first paint without checks:        %8.1f ms   %8.1f ms\n", plain[0], plain[1]);
    std::printf("  first paint while checks run:      %8.1f ms   %8.1f ms\n", checked[0],
                checked[1]);
    std::printf("  refresh of %d unchanged entries: %.1f ms without checks, %.1f ms with them "
                "(%.1f ms until the list is shown)\n",
                large, without, with, withUi);
    const double plainRatio = plain[1] / std::max(plain[0], 1e-3);
    const double checkedRatio = checked[1] / std::max(checked[0], 1e-3);
    std::printf("RATIO first paint %d / %d entries: %.2f with checks, %.2f without (target: the "
                "same)\n",
                sizes[1], sizes[0], checkedRatio, plainRatio);
    std::printf("RATIO refresh with checks / without: %.3f (target <= 1.05)\n",
                with / std::max(without, 1e-3));
    OleUninitialize();
    return 0;
}

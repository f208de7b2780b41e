// The entry list at two sizes, 50 and 5,000 entries (or the size given),
// each with program files of its own: the time of FillList, of showing the
// first screen after a fill (the file searches of the rows shown included),
// of painting every row through the drawing handler, and of a sort. Printed
// with the ratio of the large list to the small one, measured in this run.

#include "core/startupUtil.h"
#include "core/system/Files.h"
#include "core/system/Icons.h"
#include "ui/EntryList.h"
#include "ui/Unit1.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double Millis(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

struct TFigures {
    int Rows = 0;
    double Fill = 1e300;    // best of several fills
    double FirstScreen = 0; // fill and paint of the first screen, cold file lookups
    double PaintAll = 0;    // every row through the drawing handler, once
    double Sort = 0;
    unsigned long GdiBefore = 0, GdiAfter = 0;
};

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

TFigures Measure(int count, const char* tag) {
    TFigures f;
    TfrmMorvane form;
    if (!form.Create()) {
        std::fprintf(stderr, "list_paint_bench: the window could not be created\n");
        std::exit(1);
    }
    ShowWindow(form.Handle(), SW_SHOWNORMAL);
    Pump();
    TStartups& all = *form.Startups();
    // Program files of this list only, so that nothing was looked up before.
    const char* folders[] = {"C:\\windows\\system32\\", "C:\\windows\\",
                             "C:\\Program Files\\Nowhere\\", ""};
    const int locations[] = {0, 4, 5, 6, 7, 8, 9, 10};
    for (int i = 0; i < count; ++i) {
        std::string cmd = std::string(folders[i % 4]) + tag + std::to_string(i) + ".exe /entry";
        TStartup* e = all.Add("Entry " + std::to_string(i), "", cmd, locations[i % 8], i % 5);
        if (e && i % 3 == 0)
            e->SetEnabled(false);
    }
    TreeView_SelectItem(form.TreeHandle(), form.Node(0));
    Pump();

    auto t0 = Clock::now();
    form.FillList();
    UpdateWindow(form.ListHandle());
    GdiFlush();
    f.FirstScreen = Millis(t0);
    f.Rows = form.EntryList().RowCount();

    for (int run = 0; run < 5; ++run) {
        t0 = Clock::now();
        form.FillList();
        f.Fill = std::min(f.Fill, Millis(t0));
        UpdateWindow(form.ListHandle());
    }

    RECT bounds{};
    ListView_GetItemRect(form.ListHandle(), 0, &bounds, LVIR_BOUNDS);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp =
        CreateCompatibleBitmap(screen, bounds.right - bounds.left, bounds.bottom - bounds.top);
    HGDIOBJ old = SelectObject(dc, bmp);
    f.GdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    t0 = Clock::now();
    for (int row = 0; row < f.Rows; ++row) {
        DRAWITEMSTRUCT di{};
        di.CtlType = ODT_LISTVIEW;
        di.itemID = static_cast<UINT>(row);
        di.itemAction = ODA_DRAWENTIRE;
        di.itemState = row % 7 == 0 ? ODS_SELECTED : 0;
        di.hwndItem = form.ListHandle();
        di.hDC = dc;
        di.rcItem = RECT{0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top};
        form.EntryList().lvStartupListDrawItem(di);
    }
    GdiFlush();
    f.PaintAll = Millis(t0);
    f.GdiAfter = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);

    t0 = Clock::now();
    form.EntryList().lvStartupListColumnClick(1);
    UpdateWindow(form.ListHandle());
    f.Sort = Millis(t0);
    return f;
}

// What one row's lookups cost: the search of its program file and its icon.
void LookupCosts() {
    const char* names[] = {"C:\\windows\\notepad.exe", "C:\\Program Files\\Nowhere\\gone.exe",
                           "gone.exe"};
    for (const char* name : names) {
        const int runs = 20;
        auto t0 = Clock::now();
        std::string found;
        for (int i = 0; i < runs; ++i)
            found = FindOnPath(name + std::to_string(i % 2 ? i : 0).substr(0, 0));
        const double find = Millis(t0) / runs;
        t0 = Clock::now();
        for (int i = 0; i < runs; ++i)
            FileIconIndex(found);
        const double icon = Millis(t0) / runs;
        std::printf("  lookups of %-40s search %.2f ms, icon %.2f ms\n", name, find, icon);
    }
}

} // namespace

int main(int argc, char** argv) {
    OleInitialize(nullptr);
    InitMorvaneControls();
    const int large = argc > 1 ? std::max(100, std::atoi(argv[1])) : 5000;
    const TFigures a = Measure(50, "small");
    const TFigures b = Measure(large, "large");
    std::printf("list_paint_bench: %d and %d rows\n", a.Rows, b.Rows);
    std::printf("  FillList:                          %8.2f ms   %8.2f ms\n", a.Fill, b.Fill);
    std::printf("  first screen after a fill:         %8.1f ms   %8.1f ms (target <= 100 ms)\n",
                a.FirstScreen, b.FirstScreen);
    std::printf("  every row through the handler:     %8.1f ms   %8.1f ms (%.3f ms a row)\n",
                a.PaintAll, b.PaintAll, b.PaintAll / std::max(b.Rows, 1));
    std::printf("  sort by Filename and repaint:      %8.1f ms   %8.1f ms\n", a.Sort, b.Sort);
    std::printf("  GDI objects before and after painting every row: %lu, %lu\n", b.GdiBefore,
                b.GdiAfter);
    std::printf("RATIO FillList %d rows / %d rows: %.2f (target <= 2)\n", b.Rows, a.Rows,
                b.Fill / std::max(a.Fill, 1e-3));
    std::printf("RATIO first screen %d rows / %d rows: %.2f\n", b.Rows, a.Rows,
                b.FirstScreen / std::max(a.FirstScreen, 1e-3));
    std::printf("RATIO first screen %d rows / 100 ms: %.2f (target <= 1)\n", b.Rows,
                b.FirstScreen / 100.0);
    LookupCosts();
    OleUninitialize();
    return 0;
}

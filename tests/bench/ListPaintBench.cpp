// Fills the entry list with 5,000 entries and paints every row, the way the
// list asks for them, into an off-screen bitmap. Prints the times.

#include "core/startupUtil.h"
#include "ui/Unit1.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Millis(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
        .count();
}

} // namespace

int main(int argc, char** argv) {
    OleInitialize(nullptr);
    InitMorvaneControls();
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
    {
        TfrmMorvane form;
        if (!form.Create()) {
            std::fprintf(stderr, "list_paint_bench: the window could not be created\n");
            return 1;
        }
        TStartups& all = *form.Startups();
        const char* programs[] = {"C:\\windows\\system32\\notepad.exe", "C:\\windows\\regedit.exe",
                                  "C:\\Program Files\\Nowhere\\gone.exe",
                                  "rundll32.exe shell32.dll,Control_RunDLL"};
        const int locations[] = {0, 4, 5, 6, 7, 8, 9, 10};
        for (int i = 0; i < count; ++i) {
            std::string cmd = std::string(programs[i % 4]) + " /entry" + std::to_string(i);
            TStartup* e = all.Add("Entry " + std::to_string(i), "", cmd, locations[i % 8], i % 5);
            if (e && i % 3 == 0)
                e->SetEnabled(false);
        }
        TreeView_SelectItem(form.tvStartupFolders, form.Node(0));

        auto t0 = std::chrono::steady_clock::now();
        form.FillList();
        double fill = Millis(t0);
        int rows = form.RowCount();

        RECT bounds{};
        ListView_GetItemRect(form.lvStartupList, 0, &bounds, LVIR_BOUNDS);
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bmp =
            CreateCompatibleBitmap(screen, bounds.right - bounds.left, bounds.bottom - bounds.top);
        HGDIOBJ old = SelectObject(dc, bmp);

        std::vector<ULONG_PTR> data(static_cast<size_t>(rows));
        for (int row = 0; row < rows; ++row)
            data[static_cast<size_t>(row)] = reinterpret_cast<ULONG_PTR>(form.RowEntry(row));
        auto paintAll = [&] {
            for (int row = 0; row < rows; ++row) {
                DRAWITEMSTRUCT di{};
                di.CtlType = ODT_LISTVIEW;
                di.itemID = static_cast<UINT>(row);
                di.itemAction = ODA_DRAWENTIRE;
                di.itemState = row % 7 == 0 ? ODS_SELECTED : 0;
                di.hwndItem = form.lvStartupList;
                di.itemData = data[static_cast<size_t>(row)];
                di.hDC = dc;
                di.rcItem = RECT{0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top};
                form.lvStartupListDrawItem(di);
            }
            GdiFlush();
        };
        DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
        t0 = std::chrono::steady_clock::now();
        paintAll();
        double first = Millis(t0);
        t0 = std::chrono::steady_clock::now();
        paintAll();
        double second = Millis(t0);

        DWORD gdiAfter = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
        t0 = std::chrono::steady_clock::now();
        form.lvStartupListColumnClick(1);
        double sort = Millis(t0);

        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);

        std::printf("list_paint_bench: %d entries, %d rows\n", count, rows);
        std::printf("  FillList (AddListRow for every row):   %8.1f ms\n", fill);
        std::printf("  paint every row, first time:          %8.1f ms (%.3f ms a row)\n", first,
                    first / rows);
        std::printf("  paint every row, again:               %8.1f ms (%.3f ms a row)\n", second,
                    second / rows);
        std::printf("  sort by Filename:                     %8.1f ms\n", sort);
        std::printf("  GDI objects before and after painting: %lu, %lu\n",
                    static_cast<unsigned long>(gdiBefore), static_cast<unsigned long>(gdiAfter));
    }
    OleUninitialize();
    return 0;
}

// The window's placement, saved on close and restored.
// Under Wine, in a throw-away prefix.

#include "support/FormTest.h"

#include "core/system/Files.h"
#include "ui/ListPaint.h"
#include "ui/Placement.h"
#include "ui/Pictures.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

class PlacementTest : public FormTest {};

std::string ReadUserString(const char* key, const char* name) {
    char buf[256] = {};
    DWORD size = sizeof buf;
    if (RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, buf, &size) !=
        ERROR_SUCCESS)
        return "<none>";
    return buf;
}

TEST_F(PlacementTest, PlacementIsSavedOnCloseAndRestoredAtTheSameDpi) {
    Open();
    const TDpi dpi = form->Dpi();
    SetWindowPos(form->Handle(), nullptr, 50, 60, 700, 500, SWP_NOZORDER);
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(ReadUserString("Software\\Morvane\\Placement", "NormPos"), "50,60,750,560");
    EXPECT_EQ(ReadUserString("Software\\Morvane\\Forms", "NormPos"), "<none>") << "saved once";
    DWORD ppi = 0, size = sizeof ppi;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, "Software\\Morvane\\Placement", "PixelsPerInch",
                           RRF_RT_REG_DWORD, nullptr, &ppi, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(static_cast<int>(ppi), dpi.Value);

    Open();
    RECT r;
    GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.top, 60);
    EXPECT_EQ(r.right - r.left, 700);
    EXPECT_EQ(r.bottom - r.top, 500);
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);

    // Stored at another DPI: the window keeps its own position.
    DWORD other = static_cast<DWORD>(dpi.Value + 24);
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Morvane\\Placement", "PixelsPerInch", REG_DWORD,
                    &other, sizeof other);
    Open();
    GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.left, dpi.Scale(193));
    EXPECT_EQ(r.right - r.left, dpi.Scale(916));
}

// Earlier versions wrote the placement under "Forms" too: a user who has
// only that finds the window where it was, and the next close writes it
// under "Placement".
TEST_F(PlacementTest, APlacementOnlyUnderFormsIsRestoredAndMovedOnClose) {
    Open();
    const TDpi dpi = form->Dpi();
    SetWindowPos(form->Handle(), nullptr, 70, 80, 640, 480, SWP_NOZORDER);
    TPlacementStore("Forms").Save(form->Handle(), dpi.Value);
    form.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Morvane\\Placement");
    ASSERT_EQ(ReadUserString("Software\\Morvane\\Placement", "NormPos"), "<none>");

    Open();
    RECT r;
    GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.left, 70);
    EXPECT_EQ(r.top, 80);
    EXPECT_EQ(r.right - r.left, 640);
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(ReadUserString("Software\\Morvane\\Placement", "NormPos"), "70,80,710,560");
}

} // namespace

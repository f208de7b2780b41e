// The entry list's column table: the widths the columns are given, and the
// columns the window's list has. Under Wine, in a throw-away prefix.

#include "support/FormTest.h"

#include "core/startupSignatures.h"
#include "core/startupUtil.h"
#include "ui/ListColumns.h"
#include "ui/PublisherChecks.h"

#include <map>
#include <numeric>
#include <string>

namespace {

TEST(ListColumns, SharingColumnsTakeWhatTheFixedOnesLeave) {
    TDpi dpi;
    int widths[ListColumnCount];
    ShareListColumns(800, dpi, widths);
    EXPECT_EQ(widths[lcName], 120);
    EXPECT_EQ(widths[lcPublisher], 140);
    EXPECT_EQ(widths[lcLocation], 120);
    EXPECT_EQ(widths[lcRating], 45);
    EXPECT_EQ(widths[lcFilename], (800 - 425) * 3 / 5);
    EXPECT_EQ(widths[lcComment], 800 - 425 - widths[lcFilename]) << "the last takes the rest";
    EXPECT_EQ(std::accumulate(widths, widths + ListColumnCount, 0), 800) << "no pixel lost";
}

TEST(ListColumns, SharingColumnsKeepTheirLeastWidthInANarrowList) {
    TDpi dpi;
    int widths[ListColumnCount];
    ShareListColumns(200, dpi, widths); // less than the fixed columns need
    EXPECT_EQ(widths[lcFilename], 80);
    EXPECT_EQ(widths[lcComment], 80);
    ShareListColumns(0, dpi, widths);
    EXPECT_EQ(widths[lcFilename], 80);
    EXPECT_EQ(widths[lcComment], 80);
}

TEST(ListColumns, WidthsScaleWithTheScreensSetting) {
    TDpi dpi;
    dpi.Value = 144;
    int widths[ListColumnCount];
    ShareListColumns(1000, dpi, widths);
    EXPECT_EQ(widths[lcName], 180);
    EXPECT_EQ(widths[lcRating], 68);
    const int rest = 1000 - dpi.Scale(425);
    EXPECT_EQ(widths[lcFilename], rest * 3 / 5);
    EXPECT_EQ(widths[lcComment], rest - rest * 3 / 5);
}

class ListColumnsFormTest : public FormTest {};

TEST_F(ListColumnsFormTest, TheListHasTheTablesColumnsFillingItsWidth) {
    Open();
    HWND header = ListView_GetHeader(List());
    ASSERT_EQ(Header_GetItemCount(header), ListColumnCount);
    RECT client;
    GetClientRect(List(), &client);
    int widths[ListColumnCount];
    ShareListColumns(client.right, form->Dpi(), widths);
    int total = 0;
    for (int i = 0; i < ListColumnCount; ++i) {
        SCOPED_TRACE(i);
        char caption[64] = {};
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT;
        col.pszText = caption;
        col.cchTextMax = sizeof caption;
        ASSERT_TRUE(SendMessageA(List(), LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&col)));
        EXPECT_STREQ(caption, ListColumns[i].Caption);
        EXPECT_EQ(ListView_GetColumnWidth(List(), i), widths[i]);
        total += widths[i];
    }
    EXPECT_EQ(total, client.right) << "no empty strip right of the last column";
}

// Each column shows, under its caption, what the caption names.
TEST_F(ListColumnsFormTest, EachColumnShowsWhatItsCaptionNames) {
    PutValue(slCURun, "Caption Tool", std::string(ExistingProgram) + " /quiet");
    Open();
    ASSERT_EQ(Rows(), 1);
    form->PublisherChecks().WaitForSignatures();
    TStartup* entry = form->EntryList().RowEntry(0);
    entry->SetRating(3);
    entry->SetComment("what it is");
    entry->Verdict.Signature.Company = "Maker Ltd";
    const std::map<std::string, std::string> shows = {
        {"Name", "Caption Tool"},
        {"Publisher", PublisherText(*entry)},
        {"Filename", std::string(ExistingProgram) + " /quiet"},
        {"Startup Location", entry->LocationText()},
        {"Rating", "3"},
        {"Comment", "what it is"},
    };
    ASSERT_FALSE(PublisherText(*entry).empty());
    HWND header = ListView_GetHeader(List());
    ASSERT_EQ(Header_GetItemCount(header), static_cast<int>(shows.size()));
    for (int i = 0; i < Header_GetItemCount(header); ++i) {
        char caption[64] = {};
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT;
        col.pszText = caption;
        col.cchTextMax = sizeof caption;
        ASSERT_TRUE(SendMessageA(List(), LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&col)));
        ASSERT_EQ(shows.count(caption), 1u) << caption;
        EXPECT_EQ(Text(0, i), shows.at(caption)) << caption;
    }
}

TEST_F(ListColumnsFormTest, ResizingTheWindowResharesTheColumns) {
    Open();
    const int before = ListView_GetColumnWidth(List(), lcFilename);
    const int name = ListView_GetColumnWidth(List(), lcName);
    RECT r;
    GetWindowRect(form->Handle(), &r);
    SetWindowPos(form->Handle(), nullptr, 0, 0, r.right - r.left + 100, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    EXPECT_EQ(ListView_GetColumnWidth(List(), lcFilename), before + 60) << "three fifths of 100";
    EXPECT_EQ(ListView_GetColumnWidth(List(), lcName), name);
}

} // namespace

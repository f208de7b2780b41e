// Sorting the entry list by its columns: the rows follow their entries.
// Under Wine, in a throw-away prefix.

#include "support/FormTest.h"

#include "core/system/Files.h"
#include "ui/ListPaint.h"
#include "ui/Pictures.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

class ListSortTest : public FormTest {};

TEST_F(ListSortTest, SortsByEachColumn) {
    Open();
    TStartups& all = *form->Startups();
    all.Add("beta", "", "c:\\b\\two.exe", slCURun, 3);
    all.Add("Zulu", "", "c:\\a\\four.exe", slLMStartupFolder, 1);
    all.Add("alpha", "", "c:\\c\\one.exe", slLMRun, 4);
    all.Add("Mike", "", "c:\\B\\three.exe", slCUStartup, 0);
    form->FillList();

    form->EntryList().lvStartupListColumnClick(0);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Mike", "Zulu", "alpha", "beta"}));
    form->EntryList().lvStartupListColumnClick(lcFilename); // by program file, not by the command line shown
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Mike", "Zulu", "beta", "alpha"}));
    form->EntryList().lvStartupListColumnClick(lcLocation); // by code: 0, 4, 8, 10
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Zulu", "alpha", "beta", "Mike"}));
    form->EntryList().lvStartupListColumnClick(lcRating);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Mike", "Zulu", "beta", "alpha"}));
    form->EntryList().lvStartupListColumnClick(lcRating); // again: the same, ascending
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Mike", "Zulu", "beta", "alpha"}));
    form->EntryList().lvStartupListColumnClick(lcComment);
    EXPECT_EQ(Rows(), 4);
    // Filling again does not keep the sort.
    form->FillList();
    EXPECT_EQ(Captions(), (std::vector<std::string>{"beta", "Zulu", "alpha", "Mike"}));
}

TEST_F(ListSortTest, SelectionAndFocusStayOnTheirEntriesWhenSorting) {
    Open();
    TStartups& all = *form->Startups();
    all.Add("beta", "", "c:\\b\\two.exe", slCURun, 3);
    all.Add("Zulu", "", "c:\\a\\four.exe", slLMStartupFolder, 1);
    all.Add("alpha", "", "c:\\c\\one.exe", slLMRun, 4);
    form->FillList();
    ListView_SetItemState(List(), 0, LVIS_SELECTED, LVIS_SELECTED); // beta
    ListView_SetItemState(List(), 2, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED); // alpha
    form->EntryList().lvStartupListColumnClick(0);
    ASSERT_EQ(Captions(), (std::vector<std::string>{"Zulu", "alpha", "beta"}));
    std::vector<std::string> selected;
    for (int row = ListView_GetNextItem(List(), -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(List(), row, LVNI_SELECTED))
        selected.push_back(Text(row, 0));
    EXPECT_EQ(selected, (std::vector<std::string>{"alpha", "beta"}));
    EXPECT_EQ(Text(ListView_GetNextItem(List(), -1, LVNI_FOCUSED), 0), "alpha");
    // Check marks belong to the rows' entries as well.
    form->EntryList().ToggleRow(0);
    EXPECT_FALSE(Checked(0));
    EXPECT_FALSE(form->EntryList().RowEntry(0)->Enabled);
    EXPECT_EQ(form->EntryList().RowEntry(0)->Title, "Zulu");
}

TEST_F(ListSortTest, CompareHandlesExtremeRatings) {
    TStartups all;
    TStartup* low = all.Add("low", "", "c:\\low.exe", slCURun, INT32_MIN);
    TStartup* high = all.Add("high", "", "c:\\high.exe", slCURun, INT32_MAX);
    EXPECT_LT(TEntryList::lvStartupListCompare(low, high, lcRating), 0);
    EXPECT_GT(TEntryList::lvStartupListCompare(high, low, lcRating), 0);
    EXPECT_EQ(TEntryList::lvStartupListCompare(low, high, lcComment), 0);
}

} // namespace

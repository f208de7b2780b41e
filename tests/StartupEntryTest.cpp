// Entries and their sentences, and how the collection adds, changes and
// hands them over.

#include "core/StartupList.h"
#include "core/system/Errors.h"

#include <gtest/gtest.h>

namespace {

TEST(StartupAdd, DropsRepeatedCommandLineButKeepsOtherLetterCase) {
    TStartups s;
    ASSERT_NE(s.Add("a", "", "C:\\x\\app.exe", slCURun, 0), nullptr);
    s.Modified = false;
    EXPECT_EQ(s.Add("b", "", "C:\\x\\app.exe", slLMRun, 0), nullptr);
    EXPECT_FALSE(s.Modified);
    EXPECT_NE(s.Add("c", "", "C:\\X\\APP.EXE", slLMRun, 0), nullptr);
    EXPECT_TRUE(s.Modified);
    EXPECT_EQ(s.Count(), 2);
    EXPECT_EQ(s.Add("d", "", "", slLMRun, 0), nullptr);
}

TEST(StartupAdd, QuotedPathWithOneBlankAsTheFolderScanBuildsIt) {
    TStartups s;
    TStartup* e = s.Add("", "", "\"C:\\x\\y.exe\" ", slCUStartup, 0);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->FileName, "y.exe\" ");
    EXPECT_EQ(e->Title, "y");
    EXPECT_EQ(e->FilePath, "C:\\x\\y.exe");
    EXPECT_EQ(e->Arguments, " ");
    EXPECT_TRUE(e->Enabled);
    EXPECT_FALSE(e->IsRundll);
}

TEST(StartupAdd, LocationKeepsLowEightBitsAndRatingIsNotClamped) {
    TStartups s;
    TStartup* e = s.Add("t", "", "a.exe", 260, 9);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Location, 4);
    EXPECT_EQ(e->Rating, 9);
    TStartup* odd = s.Add("u", "", "b.exe", 200, 0);
    EXPECT_EQ(odd->Location, 200);
    for (int g = 0; g < LocationGroupCount; ++g)
        EXPECT_FALSE(InLocationGroup(odd->Location, g));
}

TEST(StartupAdd, StaysLinearWithManyEntries) {
    // 20,000 distinct command lines plus the same again: only the first set
    // is kept. Quadratic comparison here would take minutes.
    TStartups s;
    for (int i = 0; i < 20000; ++i)
        s.Add("", "", "C:\\p\\prog" + std::to_string(i) + ".exe", slCURun, 0);
    for (int i = 0; i < 20000; ++i)
        EXPECT_EQ(s.Add("", "", "C:\\p\\prog" + std::to_string(i) + ".exe", slLMRun, 0), nullptr);
    EXPECT_EQ(s.Count(), 20000);
}

TEST(StartupEntry, SettersAndModified) {
    TStartups s;
    TStartup* e = s.Add("t", "", "a.exe", slCURun, 3);
    s.Modified = false;
    e->SetTitle("other");
    e->SetLocation(slLMRun);
    e->SetRating(3);
    e->SetComment("c");
    e->SetImageIndex(4);
    EXPECT_FALSE(s.Modified);
    e->SetRating(2);
    EXPECT_TRUE(s.Modified);
    s.Modified = false;
    e->SetEnabled(true);
    EXPECT_FALSE(s.Modified);
    e->SetEnabled(false);
    EXPECT_TRUE(s.Modified);
    s.Modified = false;
    e->SetFileName("a.exe");
    EXPECT_FALSE(s.Modified);
    e->SetFileName("b.exe");
    EXPECT_TRUE(s.Modified);
}

TEST(StartupEntry, ClearKeepsModifiedAndChangedCommandLinesStayUnique) {
    TStartups s;
    TStartup* e = s.Add("t", "", "a.exe", slCURun, 0);
    e->SetCommandLine("b.exe");
    EXPECT_NE(s.Add("t", "", "a.exe", slCURun, 0), nullptr);
    EXPECT_EQ(s.Add("t", "", "b.exe", slCURun, 0), nullptr);
    EXPECT_TRUE(s.Modified);
    s.Clear();
    EXPECT_TRUE(s.Modified);
    EXPECT_EQ(s.Count(), 0);
    EXPECT_NE(s.Add("t", "", "b.exe", slCURun, 0), nullptr);
}

TEST(StartupEntry, RemoveFromOwnerHandsTheEntryOver) {
    TStartups s;
    s.Add("a", "", "a.exe", slCURun, 0);
    TStartup* b = s.Add("b", "", "b.exe", slCURun, 0);
    std::unique_ptr<TStartup> taken = b->RemoveFromOwner();
    EXPECT_EQ(taken.get(), b);
    EXPECT_EQ(s.Count(), 1);
    EXPECT_NE(s.Add("b", "", "b.exe", slCURun, 0), nullptr);
    EXPECT_THROW(s.Delete(5), EListError);
    EXPECT_THROW(s.Delete(-1), EListError);
}

} // namespace

namespace {

TEST(StartupEntry, PlacesAndEntriesNameTheirLocationAlike) {
    TStartups s;
    TStartup* e = s.Add("t", "", "a.exe", slLMRun, 0);
    e->View = RegView::Wow32;
    const TStartupPlace place{slLMRun, RegView::Wow32, "t"};
    EXPECT_EQ(e->LocationText(), "LM Run (32-bit)");
    EXPECT_EQ(place.Text(), e->LocationText());
    e->AlsoIn = {{slCURun, RegView::Default, "t"},
                 {slLMRun, RegView::Wow32, "u"},
                 {slLMRun, RegView::Native, "v"},
                 {slCUStartup, RegView::Default, "t", std::nullopt, true}};
    EXPECT_EQ(e->AlsoInText(),
              "also in CU Run, LM Run (32-bit) and LM Run; kept disabled in CU Startup");
}

TEST(StartupEntry, TitleIsTheFileNameWithoutItsLastExtension) {
    EXPECT_EQ(TitleFromFileName("tool.exe"), "tool");
    EXPECT_EQ(TitleFromFileName("my.tool.exe"), "my.tool");
    EXPECT_EQ(TitleFromFileName("noext"), "noext");
    TStartups s;
    EXPECT_EQ(s.Add("", "", "C:\\x\\my.tool.exe /a", slCURun, 0)->Title, "my.tool");
    EXPECT_EQ(s.AddPlaced("", "C:\\x\\task.cmd", slLMRunOnceEx, "1")->Title, "task");
}

} // namespace

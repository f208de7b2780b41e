#include "core/system/Errors.h"
#include "core/system/Files.h"
#include "core/system/StringList.h"
#include "support/Seed.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> items(const TStringList& list) {
    return std::vector<std::string>(list.begin(), list.end());
}

TEST(StringList, SetTextSplitsAtEveryKindOfLineEnd) {
    TStringList list;
    list.SetText("one\r\ntwo\nthree\rfour");
    EXPECT_EQ(items(list), (std::vector<std::string>{"one", "two", "three", "four"}));

    list.SetText("a\n\rb");
    EXPECT_EQ(items(list), (std::vector<std::string>{"a", "", "b"}));
}

TEST(StringList, FinalLineEndAddsNoEmptyItem) {
    TStringList list;
    list.SetText("a\r\n");
    EXPECT_EQ(items(list), std::vector<std::string>{"a"});
    list.SetText("a\r\n\r\n");
    EXPECT_EQ(items(list), (std::vector<std::string>{"a", ""}));
    list.SetText("\r\n");
    EXPECT_EQ(items(list), std::vector<std::string>{""});
    list.SetText("");
    EXPECT_EQ(list.Count(), 0u);
}

TEST(StringList, TextEndsEveryItemWithCrLf) {
    TStringList list;
    list.Add("a");
    list.Add("");
    list.Add("b");
    EXPECT_EQ(list.Text(), "a\r\n\r\nb\r\n");
    EXPECT_EQ(TStringList().Text(), "");
}

TEST(StringList, IndexOutsideTheListRaises) {
    TStringList list;
    list.Add("a");
    EXPECT_EQ(list.Strings(0), "a");
    EXPECT_THROW(list.Strings(1), EListError);
    EXPECT_THROW(list.Delete(1), EListError);
    EXPECT_THROW(list.Insert(2, "x"), EListError);

    list.Insert(0, "first");
    list.Insert(2, "last");
    list.Delete(1);
    EXPECT_EQ(items(list), (std::vector<std::string>{"first", "last"}));
}

TEST(StringList, FileRoundTripKeepsItemsAndWritesCrLf) {
    seed::ScratchFolder folder;
    std::string path = folder.file("list.txt");
    TStringList list;
    list.Add("first line");
    list.Add("");
    list.Add("third\tline");
    ASSERT_TRUE(list.SaveToFile(path));

    TStringList loaded;
    ASSERT_TRUE(loaded.LoadFromFile(path));
    EXPECT_EQ(items(loaded), items(list));
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(path, bytes));
    EXPECT_EQ(bytes, "first line\r\n\r\nthird\tline\r\n");
}

TEST(StringList, MissingFileOrFolderIsReportedNotRaised) {
    seed::ScratchFolder folder;
    TStringList list;
    list.Add("kept");
    EXPECT_FALSE(list.LoadFromFile(folder.file("missing.txt")));
    EXPECT_EQ(list.Count(), 1u);
    EXPECT_FALSE(list.SaveToFile(folder.file("no such folder\\list.txt")));
    EXPECT_FALSE(list.LoadFromFile(folder.path()));
}

TEST(StringList, TextFilesReadAsUtf8AndOlderAnsiFilesStillRead) {
    seed::ScratchFolder folder;
    const std::string utf8 = folder.file("utf8.dat");
    const std::string ansi = folder.file("ansi.dat");
    const std::string line = "8\t1\t1\tCaf\xC3\xA9\tC:\\\xE4\xB8\xAD\xE6\x96\x87\\app.exe";
    TStringList written;
    written.Add(line);
    ASSERT_TRUE(written.SaveToFile(utf8));
    ASSERT_TRUE(WriteWholeFile(ansi, "8\t1\t1\tCaf\xE9\tC:\\x.exe\r\n"));

    TStringList list;
    ASSERT_TRUE(list.LoadTextFile(utf8));
    EXPECT_EQ(items(list), std::vector<std::string>{line});
    ASSERT_TRUE(list.LoadTextFile(ansi));
    EXPECT_EQ(items(list), std::vector<std::string>{"8\t1\t1\tCaf\xC3\xA9\tC:\\x.exe"});
    EXPECT_FALSE(list.LoadTextFile(folder.file("missing.dat")));
}

} // namespace

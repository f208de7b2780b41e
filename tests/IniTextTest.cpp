// The one-pass profile writer against the profile functions themselves: the
// same sections and keys written both ways must give the same bytes. Under
// Wine the reference is WritePrivateProfileStringA; natively it is the
// portable layer that follows it.

#include "core/system/Errors.h"
#include "core/system/Files.h"
#include "core/system/Ini.h"
#include "core/system/IniText.h"
#include "support/Seed.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

struct TKey {
    std::string Name;
    std::string Value;
};
struct TSection {
    std::string Name;
    std::vector<TKey> Keys;
};

std::string KeyByKey(const std::string& path, const std::vector<TSection>& sections) {
    for (const TSection& s : sections)
        for (const TKey& k : s.Keys)
            IniWriteString(path, s.Name, k.Name, k.Value);
    IniFlush(path);
    std::string data;
    EXPECT_TRUE(ReadWholeFile(path, data));
    return data;
}

std::string OnePass(const std::string& path, const std::vector<TSection>& sections) {
    TIniText text;
    for (const TSection& s : sections) {
        text.Section(s.Name);
        for (const TKey& k : s.Keys)
            EXPECT_TRUE(text.Add(k.Name, k.Value)) << k.Name;
    }
    IniWriteText(path, text);
    std::string data;
    EXPECT_TRUE(ReadWholeFile(path, data));
    return data;
}

class IniText : public ::testing::Test {
protected:
    std::string file(const char* stem) { return folder.file(seed::UniqueName(stem) + ".ini"); }
    seed::ScratchFolder folder;
};

TEST_F(IniText, SameBytesAsTheProfileFunctionsForAProfile) {
    std::vector<TSection> sections{
        {"General",
         {{"Creator", "[MRV]"},
          {"CreationDate", "08.12.2026 13:15:00"},
          {"FileDescription", "Morvane backup file"},
          {"UserComments", ""},
          {"ProgramCount", "3"}}},
    };
    const std::vector<TKey> entries[] = {
        // A startup-folder entry without arguments ends in a blank.
        {{"title", "Tool"}, {"fullpath", "\"C:\\Tools\\tool.exe\" "}},
        {{"title", "  padded title  "}, {"fullpath", "C:\\a=b\\x.exe /k=v [x]"}},
        {{"title", "'quoted'"},
         {"fullpath", "\"C:\\Program Files\\V\\v.exe\" -q \xc3\xa9\xc3\xbc"}},
    };
    int i = 0;
    for (const auto& keys : entries) {
        TSection s{std::to_string(i++), keys};
        s.Keys.push_back({"location", "8"});
        s.Keys.push_back({"rating", "-7"});
        s.Keys.push_back({"enabled", "0"});
        sections.push_back(std::move(s));
    }
    const std::string reference = KeyByKey(file("keys"), sections);
    EXPECT_EQ(OnePass(file("pass"), sections), reference);
    EXPECT_EQ(reference.rfind("[General]\r\nCreator=[MRV]\r\n", 0), 0u);
}

TEST_F(IniText, WhatItWritesReadsBackThroughTheProfileFunctions) {
    const std::string path = file("read");
    TIniText text;
    text.Section("General");
    text.AddInteger("ProgramCount", -12);
    text.Section("0");
    text.AddBool("enabled", false);
    text.Add("title", "  blanks  ");
    IniWriteText(path, text);
    EXPECT_EQ(IniReadInteger(path, "general", "programcount", 0), -12);
    EXPECT_FALSE(IniReadBool(path, "0", "enabled", true));
    EXPECT_EQ(IniReadString(path, "0", "title", "-"), "blanks");
}

TEST_F(IniText, RefusesTextsThatWouldChangeTheLayout) {
    TIniText text;
    EXPECT_FALSE(text.Add("key", "value")) << "no section yet";
    text.Section("S");
    EXPECT_FALSE(text.Add("key", "two\r\nlines"));
    EXPECT_FALSE(text.Add("a=b", "value"));
    EXPECT_FALSE(text.Add("[key", "value"));
    EXPECT_FALSE(text.Add("key", std::string("nul\0inside", 10)));
    EXPECT_EQ(text.Text(), "[S]\r\n") << "nothing refused was added";
}

TEST_F(IniText, AFileThatCannotBeWrittenRaisesWithItsName) {
    TIniText text;
    text.Section("S");
    const std::string path = folder.file("no such folder\\p.ini");
    try {
        IniWriteText(path, text);
        FAIL() << "nothing raised";
    } catch (const EIniError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
    }
}

} // namespace

// Names and texts outside the ANSI code page, and of any length, through the
// services layer: natively against the portable stand-ins, under Wine
// against the W functions.
#include "core/system/Errors.h"
#include "core/system/Files.h"
#include "core/system/Folders.h"
#include "core/system/Ini.h"
#include "core/system/IniText.h"
#include "core/system/Registry.h"
#include "core/system/TextCodec.h"
#include "support/Seed.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const RegRoot CU = RegRoot::CurrentUser;
const RegRoot LM = RegRoot::LocalMachine;
const std::string kChinese = "\xE4\xB8\xAD\xE6\x96\x87"; // 中文
const std::string kChineseData = "C:\\" + kChinese + "\\app.exe";
const std::string kCafe = "Caf\xC3\xA9";

std::string sz(const std::string& text) {
    return std::string(text.c_str(), text.size() + 1);
}

// UTF-16 LE, as Windows stores the string types.
std::string utf16le(const std::string& utf8) {
    std::u16string units;
    EXPECT_TRUE(Utf8ToUtf16(utf8, units));
    std::string bytes;
    for (char16_t unit : units) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::string fileBytes(const std::string& path) {
    std::string data;
    EXPECT_TRUE(ReadWholeFile(path, data)) << path;
    return data;
}

class WideRegistry : public ::testing::Test {
protected:
    void SetUp() override { seed::ResetPlatform(); }
};

TEST_F(WideRegistry, NonAnsiNameAndDataAreListedAndReadWhole) {
    seed::ScratchKey scratch;
    seed::SetStored(CU, scratch.path(), kChinese, regSz, utf16le(sz(kChineseData)));
    TRegKey key;
    ASSERT_TRUE(key.Open(CU, scratch.path()));
    EXPECT_EQ(key.ValueNames(), std::vector<std::string>{kChinese});
    std::vector<RegListedValue> values = key.Values();
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].Name, kChinese);
    EXPECT_EQ(key.TextOf(values[0]), kChineseData);
    EXPECT_EQ(key.ReadText(kChinese), kChineseData);
}

TEST_F(WideRegistry, NonAnsiValueWrittenBackIsTheSameBytes) {
    seed::ScratchKey scratch;
    const std::string stored = utf16le(sz(kChineseData));
    seed::SetStored(CU, scratch.path(), kChinese, regExpandSz, stored);
    TRegKey key;
    ASSERT_TRUE(key.Open(CU, scratch.path()));
    uint32_t type = 0;
    std::string data;
    ASSERT_TRUE(key.ReadRaw(kChinese, type, data));
    EXPECT_EQ(data, sz(kChineseData)) << "UTF-8 inside";
    ASSERT_TRUE(key.DeleteValue(kChinese));
    ASSERT_TRUE(key.WriteRaw(kChinese, type, data));
    std::string back;
    ASSERT_TRUE(seed::GetStored(CU, scratch.path(), kChinese, type, back));
    EXPECT_EQ(type, static_cast<uint32_t>(regExpandSz));
    EXPECT_EQ(back, stored);

    key.WriteText(kCafe, kChineseData);
    ASSERT_TRUE(seed::GetStored(CU, scratch.path(), kCafe, type, back));
    EXPECT_EQ(back, stored);
}

TEST_F(WideRegistry, NonAnsiValueInTheThirtyTwoBitView) {
    if (!seed::UseTwoViews())
        GTEST_SKIP() << "one registry view only";
    // HKLM\Software\WOW6432Node as a 64-bit program sees it
    // (KEY_WOW64_32KEY).
    seed::ScratchKey scratch(LM, RegView::Wow32);
    const std::string stored = utf16le(sz(kChineseData));
    seed::SetStored(LM, scratch.path(), kChinese, regSz, stored, RegView::Wow32);
    TRegKey key;
    ASSERT_TRUE(key.Open(LM, scratch.path(), RegAccess::Full, RegView::Wow32));
    EXPECT_EQ(key.ReadText(kChinese), kChineseData);
    ASSERT_TRUE(key.DeleteValue(kChinese));
    key.WriteText(kChinese, kChineseData);
    uint32_t type = 0;
    std::string back;
    ASSERT_TRUE(seed::GetStored(LM, scratch.path(), kChinese, type, back, RegView::Wow32));
    EXPECT_EQ(back, stored);
}

TEST_F(WideRegistry, LongNamesAndDataReadWhole) {
    seed::ScratchKey scratch;
    const std::string name(16000, 'n');
    const std::string data(100000, 'd');
    seed::SetRaw(CU, scratch.path(), name, regSz, sz(data));
    seed::SetRaw(CU, scratch.path(), "short", regSz, sz("x"));
    TRegKey key;
    ASSERT_TRUE(key.Open(CU, scratch.path()));
    std::vector<std::string> names = key.ValueNames();
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0].size() + names[1].size(), name.size() + 5);
    EXPECT_EQ(key.ReadText(name), data);
    for (const RegListedValue& value : key.Values()) {
        if (value.Name == "short")
            continue;
        EXPECT_EQ(value.Name, name);
        EXPECT_EQ(key.TextOf(value), data);
    }
    const std::string wideData = std::string(40000, 'w') + kChinese;
    key.WriteText(name, wideData);
    EXPECT_EQ(key.ReadText(name), wideData);
}

TEST_F(WideRegistry, TextThatIsNotUtf8IsRefused) {
    seed::ScratchKey scratch;
    TRegKey key;
    ASSERT_TRUE(key.Open(CU, scratch.path()));
    EXPECT_FALSE(key.WriteRaw("caf\xE9", regSz, sz("x")));
    EXPECT_FALSE(key.WriteRaw("name", regSz, sz("caf\xE9")));
    EXPECT_TRUE(key.WriteRaw("bytes", regBinary, "caf\xE9")) << "binary data is not text";
    EXPECT_THROW(key.WriteText("name", "caf\xE9"), ERegistryError);
    EXPECT_EQ(key.ValueNames(), std::vector<std::string>{"bytes"});
}

TEST_F(WideRegistry, UserSettingsKeepNonAnsiText) {
    const std::string subkey = seed::UniqueName("WideTest");
    ASSERT_TRUE(WriteUserSetting(subkey, kChinese, kChineseData));
    std::string value;
    ASSERT_TRUE(ReadUserSetting(subkey, kChinese, value));
    EXPECT_EQ(value, kChineseData);
    seed::DeleteKeyTree(CU, "Software\\Morvane\\" + subkey);
}

class WideProfile : public ::testing::Test {
protected:
    std::string file(const std::string& stem) {
        return folder.file(seed::UniqueName(stem) + ".ini");
    }
    seed::ScratchFolder folder;
};

TEST_F(WideProfile, AnsiTextsKeepTheAnsiFile) {
    const std::string path = file("ansi");
    IniWriteString(path, "S", "title", kCafe);
    IniFlush(path);
    EXPECT_EQ(fileBytes(path), "[S]\r\ntitle=Caf\xE9\r\n");
    EXPECT_EQ(IniReadString(path, "S", "title", ""), kCafe);
}

TEST_F(WideProfile, NonAnsiTextTurnsTheFileToUtf16AndKeepsTheRest) {
    const std::string path = file("wide");
    IniWriteString(path, "S", "first", kCafe);
    IniWriteString(path, "S", "title", kChineseData);
    IniWriteString(path, kChinese, kChinese, "x");
    IniFlush(path);
    const std::string bytes = fileBytes(path);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_NE(bytes.find(utf16le("title=" + kChineseData)), std::string::npos);
    EXPECT_EQ(IniReadString(path, "S", "first", ""), kCafe);
    EXPECT_EQ(IniReadString(path, "S", "title", ""), kChineseData);
    EXPECT_EQ(IniReadString(path, kChinese, kChinese, ""), "x");
    // A later ANSI write keeps the file UTF-16.
    IniWriteString(path, "S", "later", "plain");
    IniFlush(path);
    EXPECT_EQ(fileBytes(path).substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(IniReadString(path, "S", "title", ""), kChineseData);
    EXPECT_EQ(IniReadString(path, "S", "later", ""), "plain");
}

TEST_F(WideProfile, AnOldAnsiFileReadsAndTakesNonAnsiText) {
    const std::string path = file("old");
    ASSERT_TRUE(WriteWholeFile(path, "[S]\r\ntitle=Caf\xE9\r\n"));
    EXPECT_EQ(IniReadString(path, "S", "title", ""), kCafe);
    IniWriteString(path, "S", "other", kChinese);
    IniFlush(path);
    EXPECT_EQ(IniReadString(path, "S", "title", ""), kCafe);
    EXPECT_EQ(IniReadString(path, "S", "other", ""), kChinese);
}

TEST_F(WideProfile, OnePassTextInUtf16ReadsBackThroughTheProfileFunctions) {
    const std::string path = file("pass");
    const std::string longValue = std::string(50000, 'v') + kChinese;
    TIniText text;
    text.Section("General");
    ASSERT_TRUE(text.Add("ProgramCount", "1"));
    text.Section("0");
    ASSERT_TRUE(text.Add("title", kChinese + " " + kCafe));
    ASSERT_TRUE(text.Add("fullpath", longValue));
    EXPECT_FALSE(text.Add("bad", "caf\xE9")) << "not UTF-8";
    IniWriteText(path, text);
    EXPECT_EQ(fileBytes(path).substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(IniReadString(path, "0", "title", ""), kChinese + " " + kCafe);
    EXPECT_EQ(IniReadString(path, "0", "fullpath", ""), longValue);
    EXPECT_EQ(IniReadInteger(path, "General", "ProgramCount", 0), 1);
}

TEST_F(WideProfile, NonAnsiFileNamesWork) {
    const std::string path = folder.file(kChinese + ".ini");
    IniWriteString(path, "S", "k", "v");
    IniFlush(path);
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(IniReadString(path, "S", "k", ""), "v");
    std::vector<std::string> found = FindFiles(folder.path(), ".ini", false);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], path);
    EXPECT_TRUE(DeleteFileAt(path));
}

} // namespace

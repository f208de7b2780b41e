#include "core/system/Errors.h"
#include "core/system/Registry.h"
#include "support/Seed.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const RegRoot CU = RegRoot::CurrentUser;
const RegRoot LM = RegRoot::LocalMachine;

// Text data as the registry stores it: with its terminating NUL.
std::string sz(const std::string& text) {
    return std::string(text.c_str(), text.size() + 1);
}

template <typename F> std::string registryError(F f) {
    try {
        f();
    } catch (const ERegistryError& e) {
        return e.what();
    }
    return "<nothing raised>";
}

std::vector<std::string> sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

class Registry : public ::testing::Test {
protected:
    void SetUp() override { seed::ResetPlatform(); }
};

TEST_F(Registry, OpenNeverCreatesAMissingKey) {
    seed::ScratchKey scratch;
    TRegKey key;
    EXPECT_FALSE(key.Open(CU, scratch.sub("Missing")));
    EXPECT_FALSE(key.Open(CU, scratch.sub("Missing"), RegAccess::Read));
    EXPECT_FALSE(key.IsOpen());
    EXPECT_FALSE(seed::KeyExists(CU, scratch.sub("Missing")));
}

TEST_F(Registry, OpenTakesAPathFromTheHiveRootWithOrWithoutLeadingBackslash) {
    seed::ScratchKey scratch;
    seed::SetRaw(CU, scratch.path(), "Name", regSz, sz("value"));
    TRegKey key;
    ASSERT_TRUE(key.Open(CU, "\\" + scratch.path()));
    EXPECT_TRUE(key.Writable());
    EXPECT_EQ(key.ReadText("Name"), "value");
    ASSERT_TRUE(key.Open(CU, scratch.path()));
    EXPECT_EQ(key.ReadText("Name"), "value");
}

TEST_F(Registry, ReadTextFollowsTheTextRules) {
    seed::ScratchKey scratch;
    seed::SetRaw(CU, scratch.path(), "EmptyText", regSz, "");
    seed::SetRaw(CU, scratch.path(), "EmptyNumber", regDword, "");
    seed::SetRaw(CU, scratch.path(), "Number", regDword, std::string("\x01\x00\x00\x00", 4));
    seed::SetRaw(CU, scratch.path(), "Binary", regBinary, "ab");
    seed::SetRaw(CU, scratch.path(), "TwoParts", regSz, std::string("first\0second\0", 13));
    seed::SetRaw(CU, scratch.path(), "Unterminated", regSz, "abc");
    seed::SetRaw(CU, scratch.path(), "Expand", regExpandSz, sz("%SystemRoot%\\app.exe"));
    TRegKey key;
    ASSERT_TRUE(key.Open(CU, scratch.path()));

    EXPECT_EQ(key.ReadText("EmptyText"), "");
    EXPECT_EQ(key.ReadText("EmptyNumber"), "");
    EXPECT_EQ(key.ReadText("NotThere"), "");
    EXPECT_EQ(registryError([&] { key.ReadText("Number"); }), "Invalid data type for 'Number'");
    EXPECT_EQ(registryError([&] { key.ReadText("Binary"); }), "Invalid data type for 'Binary'");
    EXPECT_EQ(key.ReadText("TwoParts"), "first");
    EXPECT_EQ(key.ReadText("Unterminated"), "abc");
    EXPECT_EQ(key.ReadText("Expand"), "%SystemRoot%\\app.exe");
}

TEST_F(Registry, ReadValueGivesTypeAndTextWithoutRaising) {
    seed::ScratchKey scratch;
    seed::SetRaw(CU, scratch.path(), "Expand", regExpandSz, sz("%TEMP%"));
    seed::SetRaw(CU, scratch.path(), "Number", regDword, std::string("\x05\x00\x00\x00", 4));
    TRegKey key;
    ASSERT_TRUE(key.Open(CU, scratch.path(), RegAccess::Read));
    RegValue value;
    ASSERT_TRUE(key.ReadValue("Expand", value));
    EXPECT_EQ(value.Type, regExpandSz);
    EXPECT_EQ(value.Text, "%TEMP%");
    ASSERT_TRUE(key.ReadValue("Number", value));
    EXPECT_EQ(value.Type, regDword);
    EXPECT_EQ(value.Text, "");
    EXPECT_FALSE(key.ReadValue("NotThere", value));
}

TEST_F(Registry, RawBytesOfAnyTypeAreReadAndWrittenAsTheyAre) {
    seed::ScratchKey scratch;
    const std::string mark("\x03\0\0\0\x01\x02\x03\x04\x05\x06\x07\x08", 12);
    seed::SetRaw(CU, scratch.path(), "Mark", regBinary, mark);
    seed::SetRaw(CU, scratch.path(), "Text", regSz, sz("a"));
    TRegKey key;
    ASSERT_TRUE(key.Open(CU, scratch.path(), RegAccess::Full));
    uint32_t type = 0;
    std::string data;
    ASSERT_TRUE(key.ReadRaw("Mark", type, data));
    EXPECT_EQ(type, regBinary);
    EXPECT_EQ(data, mark);
    ASSERT_TRUE(key.ReadRaw("Text", type, data));
    EXPECT_EQ(type, regSz);
    EXPECT_EQ(data, sz("a"));
    EXPECT_FALSE(key.ReadRaw("NotThere", type, data));

    const std::string on = std::string("\x02", 1) + std::string(11, '\0');
    ASSERT_TRUE(key.WriteRaw("Mark", regBinary, on));
    ASSERT_TRUE(seed::GetRaw(CU, scratch.path(), "Mark", type, data));
    EXPECT_EQ(type, regBinary);
    EXPECT_EQ(data, on);

    TRegKey readOnly;
    ASSERT_TRUE(readOnly.Open(CU, scratch.path(), RegAccess::Read));
    if (!seed::kWindows) {
        // Windows lets an administrator's read-only handle fail only by its
        // access mask; the portable registry refuses writes through it too.
        EXPECT_FALSE(readOnly.WriteRaw("Mark", regBinary, mark));
    }
}

TEST_F(Registry, ValueNamesIncludeTheDefaultValueAsEmptyName) {
    seed::ScratchKey scratch;
    seed::SetRaw(CU, scratch.path(), "", regSz, sz("C:\\default.exe"));
    seed::SetRaw(CU, scratch.path(), "Second", regSz, sz("two"));
    seed::SetRaw(CU, scratch.path(), "A rather longer value name than the others", regDword,
                 std::string(4, '\0'));
    TRegKey key;
    ASSERT_TRUE(key.Open(CU, scratch.path()));
    EXPECT_EQ(
        sorted(key.ValueNames()),
        (std::vector<std::string>{"", "A rather longer value name than the others", "Second"}));
    EXPECT_EQ(key.ReadText(""), "C:\\default.exe");
}

TEST_F(Registry, KeyAndValueNamesIgnoreCase) {
    seed::ScratchKey scratch;
    seed::SetRaw(CU, scratch.sub("Inner"), "MixedCase", regSz, sz("one"));
    TRegKey key;
    ASSERT_TRUE(key.Open(CU, scratch.sub("INNER")));
    EXPECT_EQ(key.ReadText("mixedcase"), "one");
    key.WriteText("MIXEDCASE", "two");
    EXPECT_EQ(key.ValueNames(), std::vector<std::string>{"MixedCase"});
    EXPECT_EQ(key.ReadText("MixedCase"), "two");
}

TEST_F(Registry, WriteTextStoresTheTerminatingNulAndTheAskedType) {
    seed::ScratchKey scratch;
    TRegKey key;
    ASSERT_TRUE(key.Open(CU, scratch.path()));
    key.WriteText("Plain", "C:\\app.exe /min");
    key.WriteText("Expand", "%SystemRoot%\\app.exe", regExpandSz);
    key.WriteText("Empty", "");

    uint32_t type = 0;
    std::string data;
    ASSERT_TRUE(seed::GetRaw(CU, scratch.path(), "Plain", type, data));
    EXPECT_EQ(type, regSz);
    EXPECT_EQ(data, sz("C:\\app.exe /min"));
    ASSERT_TRUE(seed::GetRaw(CU, scratch.path(), "Expand", type, data));
    EXPECT_EQ(type, regExpandSz);
    EXPECT_EQ(data, sz("%SystemRoot%\\app.exe"));
    ASSERT_TRUE(seed::GetRaw(CU, scratch.path(), "Empty", type, data));
    EXPECT_EQ(data, std::string(1, '\0'));
}

TEST_F(Registry, DeleteValueReportsWhetherItDeleted) {
    seed::ScratchKey scratch;
    seed::SetRaw(CU, scratch.path(), "Gone", regSz, sz("x"));
    TRegKey key;
    ASSERT_TRUE(key.Open(CU, scratch.path()));
    EXPECT_TRUE(key.DeleteValue("GONE"));
    EXPECT_FALSE(key.DeleteValue("Gone"));
    EXPECT_TRUE(key.ValueNames().empty());
}

TEST_F(Registry, ReadOnlyOpenReadsButCannotWrite) {
    seed::ScratchKey scratch;
    seed::SetRaw(CU, scratch.path(), "Name", regSz, sz("value"));
    bool restricted = seed::MakeReadOnly(CU, scratch.path());
    TRegKey key;
    if (restricted) {
        EXPECT_FALSE(key.Open(CU, scratch.path()));
    }
    ASSERT_TRUE(key.Open(CU, scratch.path(), RegAccess::Read));
    EXPECT_FALSE(key.Writable());
    EXPECT_EQ(key.ReadText("Name"), "value");
    EXPECT_EQ(registryError([&] { key.WriteText("Other", "x"); }),
              "Failed to set data for 'Other'");
    EXPECT_FALSE(key.DeleteValue("Name"));
    uint32_t type = 0;
    std::string data;
    EXPECT_TRUE(seed::GetRaw(CU, scratch.path(), "Name", type, data));
}

TEST_F(Registry, UnreadableDataRaisesFailedToGetData) {
    seed::ScratchKey scratch;
    seed::SetRaw(CU, scratch.path(), "Locked", regSz, sz("secret"));
    if (!seed::MakeUnreadable(CU, scratch.path(), "Locked"))
        GTEST_SKIP() << "this platform cannot make a value unreadable";
    TRegKey key;
    ASSERT_TRUE(key.Open(CU, scratch.path()));
    EXPECT_EQ(registryError([&] { key.ReadText("Locked"); }), "Failed to get data for 'Locked'");
    RegValue value;
    EXPECT_FALSE(key.ReadValue("Locked", value));
}

// The scan reads every value with the enumeration; what it gives must be what
// reading each value by name gives, raising the same errors at the same value.
TEST_F(Registry, EnumeratedValuesReadAsReadTextReadsThem) {
    seed::ScratchKey scratch;
    seed::SetRaw(CU, scratch.path(), "", regSz, sz("C:\\default.exe"));
    seed::SetRaw(CU, scratch.path(), "EmptyText", regSz, "");
    seed::SetRaw(CU, scratch.path(), "EmptyNumber", regDword, "");
    seed::SetRaw(CU, scratch.path(), "Number", regDword, std::string("\x01\x00\x00\x00", 4));
    seed::SetRaw(CU, scratch.path(), "TwoParts", regSz, std::string("first\0second\0", 13));
    seed::SetRaw(CU, scratch.path(), "Expand", regExpandSz, sz("%SystemRoot%\\app.exe"));
    seed::SetRaw(CU, scratch.path(), std::string(300, 'n'), regSz, sz(std::string(5000, 'v')));
    TRegKey key;
    ASSERT_TRUE(key.Open(CU, scratch.path(), RegAccess::Read));
    std::vector<RegListedValue> values = key.Values();
    std::vector<std::string> names;
    for (const RegListedValue& v : values)
        names.push_back(v.Name);
    EXPECT_EQ(names, key.ValueNames()) << "the same values, in the same order";
    ASSERT_EQ(values.size(), 7u);
    for (const RegListedValue& v : values) {
        SCOPED_TRACE(v.Name);
        const std::string byName = registryError([&] { key.ReadText(v.Name); });
        const std::string listed = registryError([&] { key.TextOf(v); });
        EXPECT_EQ(listed, byName);
        if (byName == "<nothing raised>") {
            EXPECT_EQ(key.TextOf(v), key.ReadText(v.Name));
        }
    }
    auto find = [&](const std::string& name) {
        return *std::find_if(values.begin(), values.end(),
                             [&](const RegListedValue& v) { return v.Name == name; });
    };
    EXPECT_EQ(key.TextOf(find("TwoParts")), "first");
    EXPECT_EQ(key.TextOf(find("")), "C:\\default.exe");
    EXPECT_EQ(key.TextOf(find(std::string(300, 'n'))), std::string(5000, 'v'));
    EXPECT_EQ(registryError([&] { key.TextOf(find("Number")); }), "Invalid data type for 'Number'");
    EXPECT_EQ(key.TextOf(find("EmptyNumber")), "") << "size 0 of any type is empty text";
}

TEST_F(Registry, EnumeratedUnreadableValueRaisesFailedToGetData) {
    seed::ScratchKey scratch;
    seed::SetRaw(CU, scratch.path(), "Locked", regSz, sz("secret"));
    if (!seed::MakeUnreadable(CU, scratch.path(), "Locked"))
        GTEST_SKIP() << "this platform cannot make a value unreadable";
    TRegKey key;
    ASSERT_TRUE(key.Open(CU, scratch.path()));
    std::vector<RegListedValue> values = key.Values();
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(registryError([&] { key.TextOf(values[0]); }), "Failed to get data for 'Locked'");
}

TEST_F(Registry, KeyDeletedWhileOpenReadsAsEmpty) {
    seed::ScratchKey scratch;
    seed::SetRaw(CU, scratch.sub("Doomed"), "Name", regSz, sz("value"));
    TRegKey key;
    ASSERT_TRUE(key.Open(CU, scratch.sub("Doomed")));
    seed::DeleteKeyTree(CU, scratch.sub("Doomed"));
    EXPECT_TRUE(key.ValueNames().empty());
    EXPECT_EQ(key.ReadText("Name"), "");
    EXPECT_THROW(key.WriteText("Name", "again"), ERegistryError);
    EXPECT_FALSE(seed::KeyExists(CU, scratch.sub("Doomed")));
}

TEST_F(Registry, MovedKeyStaysOpenAndTheSourceIsClosed) {
    seed::ScratchKey scratch;
    seed::SetRaw(CU, scratch.path(), "Name", regSz, sz("value"));
    TRegKey first;
    ASSERT_TRUE(first.Open(CU, scratch.path()));
    TRegKey second(std::move(first));
    EXPECT_FALSE(first.IsOpen());
    EXPECT_TRUE(second.IsOpen());
    EXPECT_TRUE(second.Writable());
    EXPECT_EQ(second.ReadText("Name"), "value");
    TRegKey third;
    third = std::move(second);
    EXPECT_EQ(third.ReadText("Name"), "value");
    EXPECT_FALSE(third.Open(CU, scratch.sub("Missing")));
    EXPECT_FALSE(third.IsOpen());
}

TEST_F(Registry, MachineRunKeyHasOneValueSetPerView) {
    if (!seed::UseTwoViews())
        GTEST_SKIP() << "a 32-bit system has one registry view";
    EXPECT_TRUE(HasTwoRegistryViews());
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string name = seed::UniqueName("MorvaneTest");
    struct Cleanup {
        std::string run, name;
        ~Cleanup() {
            seed::DeleteRaw(LM, run, name, RegView::Native);
            seed::DeleteRaw(LM, run, name, RegView::Wow32);
        }
    } cleanup{run, name};
    seed::SetRaw(LM, run, name, regSz, sz("native.exe"), RegView::Native);
    seed::SetRaw(LM, run, name, regSz, sz("wow32.exe"), RegView::Wow32);

    TRegKey native, wow32, byDefault;
    ASSERT_TRUE(native.Open(LM, "\\" + run, RegAccess::Read, RegView::Native));
    ASSERT_TRUE(wow32.Open(LM, "\\" + run, RegAccess::Read, RegView::Wow32));
    ASSERT_TRUE(byDefault.Open(LM, "\\" + run, RegAccess::Read));
    EXPECT_EQ(native.ReadText(name), "native.exe");
    EXPECT_EQ(wow32.ReadText(name), "wow32.exe");
    EXPECT_EQ(byDefault.ReadText(name),
              seed::DefaultView() == RegView::Native ? "native.exe" : "wow32.exe");
}

TEST_F(Registry, UserKeysAreSharedByBothViews) {
    seed::UseTwoViews();
    seed::ScratchKey scratch;
    seed::SetRaw(CU, scratch.path(), "Name", regSz, sz("shared"), RegView::Native);
    TRegKey wow32;
    ASSERT_TRUE(wow32.Open(CU, scratch.path(), RegAccess::Full, RegView::Wow32));
    EXPECT_EQ(wow32.ReadText("Name"), "shared");
}

TEST_F(Registry, UserSettingsCreateTheirKeyOnDemand) {
    const std::string subkey = seed::UniqueName("Test");
    const std::string path = "Software\\Morvane\\" + subkey;
    // The program's own key goes too unless it was there before.
    struct Cleanup {
        std::string path;
        bool ownKeyExisted;
        ~Cleanup() { seed::DeleteKeyTree(CU, ownKeyExisted ? path : "Software\\Morvane"); }
    } cleanup{path, seed::KeyExists(CU, "Software\\Morvane")};
    std::string text;
    uint32_t number = 0;
    EXPECT_FALSE(ReadUserSetting(subkey, "Text", text));
    EXPECT_FALSE(seed::KeyExists(CU, path));

    ASSERT_TRUE(WriteUserSetting(subkey, "Text", "hello"));
    ASSERT_TRUE(WriteUserSettingInt(subkey, "Number", 0xFFFFFFF0u));
    EXPECT_TRUE(ReadUserSetting(subkey, "Text", text));
    EXPECT_EQ(text, "hello");
    EXPECT_TRUE(ReadUserSettingInt(subkey, "Number", number));
    EXPECT_EQ(number, 0xFFFFFFF0u);
    // Each kind reads only its own type.
    EXPECT_FALSE(ReadUserSetting(subkey, "Number", text));
    EXPECT_FALSE(ReadUserSettingInt(subkey, "Text", number));

    uint32_t type = 0;
    std::string data;
    ASSERT_TRUE(seed::GetRaw(CU, path, "Number", type, data));
    EXPECT_EQ(type, regDword);
    EXPECT_EQ(data, std::string("\xF0\xFF\xFF\xFF", 4));
}

} // namespace

#include "core/ShortcutLink.h"
#include "core/system/Folders.h"
#include "core/system/LnkFormat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(fs::path(path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(fs::path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// What the link object of this build does beyond the letter of the format;
// the answers come from the one Windows-only part at the end of this file.
struct ShellQuirks {
    // Wine's link object forgets the show command of a file it loads.
    bool loadsShowCommand;
    // The shell loads a link that lacks only its final end marker.
    bool needsEndMarker;
};
ShellQuirks Quirks();

// Runs `load` and expects exactly the error the scan skips files on.
template <class F> void ExpectUnableToOpen(F load) {
    try {
        load();
        ADD_FAILURE() << "no error";
    } catch (const EShortcutError& e) {
        EXPECT_STREQ("Unable to open link file", e.what());
    }
}

class ShortcutLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device seed;
        folder_ = fs::temp_directory_path() / ("morvane-lnk-" + std::to_string(seed()));
        fs::create_directories(folder_);
        target_ = Path("Target App.exe");
        WriteBytes(target_, Bytes{'M', 'Z'});
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    std::string Path(const std::string& name) const { return (folder_ / name).string(); }

    // A component with every property set to something a user could have.
    TShortcutLink FullLink(const std::string& file) const {
        TShortcutLink link;
        link.ShortcutFile = file;
        link.Target = target_;
        link.Arguments = "/tray --profile \"Quick 1\"";
        link.WorkingDir = folder_.string();
        link.Description = "Starts the tray helper";
        link.IconLocation = Path("icons.dll");
        link.IconNumber = 4;
        link.SetShowCmd(scShowMinimized);
        link.HotKey = 'Q';
        return link;
    }

    fs::path folder_;
    std::string target_;
};

void ExpectSameProperties(const TShortcutLink& expected, const TShortcutLink& actual) {
    EXPECT_EQ(expected.Target, actual.Target);
    EXPECT_EQ(expected.Arguments, actual.Arguments);
    EXPECT_EQ(expected.WorkingDir, actual.WorkingDir);
    EXPECT_EQ(expected.Description, actual.Description);
    EXPECT_EQ(expected.IconLocation, actual.IconLocation);
    EXPECT_EQ(expected.IconNumber, actual.IconNumber);
    if (Quirks().loadsShowCommand) {
        EXPECT_EQ(expected.ShowCode, actual.ShowCode);
    }
    EXPECT_EQ(expected.HotKey, actual.HotKey);
}

lnk::LinkData ReadWithOurReader(const std::string& file) {
    Bytes bytes = ReadBytes(file);
    lnk::LinkData link;
    EXPECT_TRUE(lnk::ReadLink(bytes.data(), bytes.size(), link)) << file;
    return link;
}

} // namespace

TEST(ShortcutLinkShowCmd, StoredCodesReadAsTheirWindowState) {
    TShortcutLink link;
    link.ShowCode = 3;
    EXPECT_EQ(scShowMaximized, link.ShowCmd());
    link.ShowCode = 7;
    EXPECT_EQ(scShowMinimized, link.ShowCmd());
    for (int code : {0, 1, 2, 4, 6, 9, 10, -1}) {
        link.ShowCode = code;
        EXPECT_EQ(scShowNormal, link.ShowCmd()) << code;
    }
}

TEST(ShortcutLinkShowCmd, SettingStoresThreeSevenOrNine) {
    TShortcutLink link;
    link.SetShowCmd(scShowMaximized);
    EXPECT_EQ(3, link.ShowCode);
    link.SetShowCmd(scShowMinimized);
    EXPECT_EQ(7, link.ShowCode);
    link.SetShowCmd(scShowNormal);
    EXPECT_EQ(9, link.ShowCode);
}

TEST_F(ShortcutLinkTest, SavedLinkLoadsBackEveryProperty) {
    for (TShowCmd show : {scShowMaximized, scShowMinimized, scShowNormal}) {
        TShortcutLink saved = FullLink(Path("Tray.lnk"));
        saved.SetShowCmd(show);
        saved.SaveLink();

        EXPECT_EQ(static_cast<uint32_t>(saved.ShowCode),
                  ReadWithOurReader(saved.ShortcutFile).ShowCommand);

        TShortcutLink loaded;
        loaded.ShortcutFile = saved.ShortcutFile;
        loaded.LoadLink();
        ExpectSameProperties(saved, loaded);
        if (Quirks().loadsShowCommand) {
            EXPECT_EQ(show, loaded.ShowCmd());
        }
    }
}

TEST_F(ShortcutLinkTest, SavingReplacesAnExistingLink) {
    TShortcutLink first = FullLink(Path("Tray.lnk"));
    first.SaveLink();
    TShortcutLink second = FullLink(Path("Tray.lnk"));
    second.Arguments = "-quiet";
    second.Description = "";
    second.SaveLink();

    TShortcutLink loaded;
    loaded.ShortcutFile = second.ShortcutFile;
    loaded.LoadLink();
    ExpectSameProperties(second, loaded);
}

TEST_F(ShortcutLinkTest, LinkAsApplyWritesItLoadsWithUnquotedTarget) {
    // Apply sets only the quoted program file and the arguments.
    TShortcutLink saved;
    saved.ShortcutFile = Path("Apply.lnk");
    saved.Target = "\"" + target_ + "\"";
    saved.Arguments = " -minimized";
    saved.SaveLink();

    TShortcutLink loaded;
    loaded.ShortcutFile = saved.ShortcutFile;
    loaded.LoadLink();
    EXPECT_EQ(target_, loaded.Target);
    EXPECT_EQ(" -minimized", loaded.Arguments);
    EXPECT_EQ("", loaded.WorkingDir);
    EXPECT_EQ("", loaded.Description);
    EXPECT_EQ(' ', loaded.HotKey);
    EXPECT_EQ(scShowNormal, loaded.ShowCmd());
}

TEST_F(ShortcutLinkTest, HotKeyIsTheUpperCasedKeyOrABlank) {
    struct Case {
        char saved;
        char loaded;
    } cases[] = {{'Q', 'Q'}, {'7', '7'}, {'q', 'Q'}, {' ', ' '}, {'\t', ' '}, {0, ' '}};
    for (const Case& c : cases) {
        TShortcutLink saved = FullLink(Path("Keys.lnk"));
        saved.HotKey = c.saved;
        saved.SaveLink();
        TShortcutLink loaded;
        loaded.ShortcutFile = saved.ShortcutFile;
        loaded.LoadLink();
        EXPECT_EQ(c.loaded, loaded.HotKey) << "saved " << int(c.saved);
    }
}

TEST_F(ShortcutLinkTest, TextsLongerThanMaxPathAreNotCut) {
    TShortcutLink saved = FullLink(Path("Long.lnk"));
    saved.Arguments = "--files";
    for (int i = 0; i < 40; ++i)
        saved.Arguments += " C:\\Data\\file" + std::to_string(i) + ".txt";
    ASSERT_GT(saved.Arguments.size(), 260u);
    saved.SaveLink();

    TShortcutLink loaded;
    loaded.ShortcutFile = saved.ShortcutFile;
    loaded.LoadLink();
    EXPECT_EQ(saved.Arguments, loaded.Arguments);
}

TEST_F(ShortcutLinkTest, MissingOrForeignFilesCannotBeOpened) {
    TShortcutLink link;
    link.ShortcutFile = Path("missing.lnk");
    ExpectUnableToOpen([&] { link.LoadLink(); });

    fs::create_directory(folder_ / "folder.lnk");
    link.ShortcutFile = Path("folder.lnk");
    ExpectUnableToOpen([&] { link.LoadLink(); });

    WriteBytes(Path("text.lnk"), Bytes{'[', 'I', 'n', 't', 'e', 'r', 'n', 'e', 't', ']'});
    link.ShortcutFile = Path("text.lnk");
    ExpectUnableToOpen([&] { link.LoadLink(); });

    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        Bytes noise(random() % 300);
        for (unsigned char& c : noise)
            c = static_cast<unsigned char>(random());
        WriteBytes(Path("noise.lnk"), noise);
        link.ShortcutFile = Path("noise.lnk");
        ExpectUnableToOpen([&] { link.LoadLink(); });
    }
}

TEST_F(ShortcutLinkTest, EveryTruncationOfASavedLinkCannotBeOpened) {
    TShortcutLink saved = FullLink(Path("Whole.lnk"));
    saved.SaveLink();
    Bytes whole = ReadBytes(saved.ShortcutFile);
    ASSERT_GT(whole.size(), 0x4Cu);

    TShortcutLink link;
    link.ShortcutFile = Path("Cut.lnk");
    for (std::size_t n = 0; n < whole.size(); ++n) {
        SCOPED_TRACE(n);
        WriteBytes(link.ShortcutFile, Bytes(whole.begin(), whole.begin() + n));
        if (Quirks().needsEndMarker || n + 4 < whole.size()) {
            ExpectUnableToOpen([&] { link.LoadLink(); });
            continue;
        }
        // All the data is there and only (part of) the end marker is
        // missing: the shell may refuse the file or give the whole link.
        TShortcutLink cut;
        cut.ShortcutFile = link.ShortcutFile;
        try {
            cut.LoadLink();
            ExpectSameProperties(saved, cut);
        } catch (const EShortcutError& e) {
            EXPECT_STREQ("Unable to open link file", e.what());
        }
    }
}

TEST_F(ShortcutLinkTest, FailedLoadLeavesThePropertiesOfTheLastLink) {
    TShortcutLink saved = FullLink(Path("Good.lnk"));
    saved.SaveLink();
    WriteBytes(Path("Bad.lnk"), Bytes(100, 0x4C));

    TShortcutLink link;
    link.ShortcutFile = saved.ShortcutFile;
    link.LoadLink();
    link.ShortcutFile = Path("Bad.lnk");
    ExpectUnableToOpen([&] { link.LoadLink(); });
    EXPECT_EQ(target_, link.Target);
    EXPECT_EQ(saved.Arguments, link.Arguments);
}

TEST_F(ShortcutLinkTest, SavingWhereNoFileCanBeCreatedFails) {
    TShortcutLink link = FullLink(Path("no such folder/x.lnk"));
    try {
        link.SaveLink();
        ADD_FAILURE() << "no error";
    } catch (const EShortcutError& e) {
        EXPECT_STREQ("Unable to create .lnk file", e.what());
    }
    EXPECT_FALSE(fs::exists(folder_ / "no such folder"));
}

TEST(ShortcutLinkFolders, StartupFoldersAreTheUsersAndTheCommonOne) {
    TShortcutLink link;
    EXPECT_EQ(ShellFolderPath(csidlStartup), link.GetUserStartupFolder());
    EXPECT_EQ(ShellFolderPath(csidlCommonStartup), link.GetCommonStartupFolder());
    EXPECT_NE(link.GetUserStartupFolder(), link.GetCommonStartupFolder());
}

#ifdef _WIN32
// Everything that needs the real shell, in one place: the cross-checks
// between the shell's link object and our own reader and writer. What one
// writes the other must read with the same meaning.
#include <windows.h>

namespace {

bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Removes the item list (0) or the link information (1) from a link we wrote.
Bytes WithoutPart(Bytes bytes, int part) {
    std::size_t listEnd = 0x4E + (bytes[0x4C] | (bytes[0x4D] << 8));
    std::size_t infoSize = bytes[listEnd] | (bytes[listEnd + 1] << 8);
    if (part == 0)
        bytes.erase(bytes.begin() + 0x4C, bytes.begin() + listEnd);
    else
        bytes.erase(bytes.begin() + listEnd, bytes.begin() + listEnd + infoSize);
    bytes[0x14] &= static_cast<unsigned char>(part == 0 ? ~0x01 : ~0x02);
    return bytes;
}

ShellQuirks Quirks() {
    static const ShellQuirks quirks{!RunningUnderWine(), false};
    return quirks;
}

} // namespace

TEST_F(ShortcutLinkTest, LinkSavedByTheShellReadsThroughOurReader) {
    TShortcutLink saved = FullLink(Path("Shell.lnk"));
    // Characters in and outside the ANSI code page.
    saved.Description = "Caf\xC3\xA9 for \xE2\x82\xAC 5, \xE4\xB8\xAD\xE6\x96\x87";
    saved.SaveLink();
    lnk::LinkData link = ReadWithOurReader(saved.ShortcutFile);
    EXPECT_EQ(saved.Target, link.Target);
    EXPECT_EQ(saved.Arguments, link.Arguments);
    EXPECT_EQ(saved.WorkingDir, link.WorkingDir);
    EXPECT_EQ(saved.Description, link.Description);
    EXPECT_EQ(saved.IconLocation, link.IconLocation);
    EXPECT_EQ(saved.IconNumber, link.IconIndex);
    EXPECT_EQ(7u, link.ShowCommand);
    EXPECT_EQ(0x0600 | 'Q', link.HotKey);
}

TEST_F(ShortcutLinkTest, LinkWrittenByOurWriterLoadsInTheShell) {
    for (const std::string& target : {target_, std::string("C:\\windows\\notepad.exe")}) {
        SCOPED_TRACE(target);
        lnk::LinkData link;
        link.Target = target;
        link.Arguments = "/tray --profile \"Quick 1\"";
        link.WorkingDir = folder_.string();
        link.Description = "Written by \xC3\xA9\xE2\x82\xAC \xE4\xB8\xAD\xE6\x96\x87";
        link.IconLocation = Path("icons.dll");
        link.IconIndex = 4;
        link.ShowCommand = 3;
        link.HotKey = 0x0600 | 'K';
        Bytes bytes;
        ASSERT_TRUE(lnk::WriteLink(link, bytes));
        WriteBytes(Path("Ours.lnk"), bytes);

        TShortcutLink loaded;
        loaded.ShortcutFile = Path("Ours.lnk");
        loaded.LoadLink();
        EXPECT_EQ(link.Target, loaded.Target);
        EXPECT_EQ(link.Arguments, loaded.Arguments);
        EXPECT_EQ(link.WorkingDir, loaded.WorkingDir);
        EXPECT_EQ(link.Description, loaded.Description);
        EXPECT_EQ(link.IconLocation, loaded.IconLocation);
        EXPECT_EQ(link.IconIndex, loaded.IconNumber);
        if (Quirks().loadsShowCommand) {
            EXPECT_EQ(scShowMaximized, loaded.ShowCmd());
        }
        EXPECT_EQ('K', loaded.HotKey);
    }
}

TEST_F(ShortcutLinkTest, ShellFindsTheTargetInEitherHalfOfOurLink) {
    lnk::LinkData link;
    link.Target = target_;
    link.IconLocation = Path("icons.dll");
    Bytes bytes;
    ASSERT_TRUE(lnk::WriteLink(link, bytes));
    for (int part : {0, 1}) {
        SCOPED_TRACE(part == 0 ? "link information only" : "item list only");
        WriteBytes(Path("Half.lnk"), WithoutPart(bytes, part));
        TShortcutLink loaded;
        loaded.ShortcutFile = Path("Half.lnk");
        loaded.LoadLink();
        EXPECT_EQ(target_, loaded.Target);
        EXPECT_EQ(target_, ReadWithOurReader(loaded.ShortcutFile).Target);
    }
}
#else
namespace {
ShellQuirks Quirks() {
    return {true, true};
}
} // namespace
#endif

#include "core/system/Errors.h"
#include "core/system/FaultInjection.h"
#include "core/system/Files.h"
#include "core/system/Folders.h"
#include "core/system/Icons.h"
#include "support/Seed.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <thread>
#endif

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

namespace {

std::vector<std::string> namesOf(const std::vector<std::string>& paths, const std::string& folder) {
    std::vector<std::string> names;
    for (const std::string& path : paths) {
        EXPECT_EQ(path.compare(0, folder.size() + 1, folder + "\\"), 0) << path;
        names.push_back(path.substr(folder.size() + 1));
    }
    std::sort(names.begin(), names.end());
    return names;
}

void makeFile(const std::string& path, const std::string& data = "x") {
    ASSERT_TRUE(seed::WriteRawFile(path, data)) << path;
}

TEST(PathJoin, InsertsOneBackslashAndDropsOneLeadingBackslashOfTheName) {
    EXPECT_EQ(PathJoin("C:\\Folder", "file.txt"), "C:\\Folder\\file.txt");
    EXPECT_EQ(PathJoin("C:\\Folder\\", "file.txt"), "C:\\Folder\\file.txt");
    EXPECT_EQ(PathJoin("C:\\Folder", "\\file.txt"), "C:\\Folder\\file.txt");
    EXPECT_EQ(PathJoin("C:\\Folder\\", "\\file.txt"), "C:\\Folder\\file.txt");
    EXPECT_EQ(PathJoin("C:\\Folder", "\\\\file.txt"), "C:\\Folder\\\\file.txt");
    EXPECT_EQ(PathJoin("", "file.txt"), "file.txt");
    EXPECT_EQ(PathJoin("", "\\file.txt"), "file.txt");
    EXPECT_EQ(PathJoin("C:\\Folder", ""), "C:\\Folder\\");
    EXPECT_EQ(PathJoin("C:\\Data", "\\Morvane\\quick profiles\\profile1.mvp"),
              "C:\\Data\\Morvane\\quick profiles\\profile1.mvp");
}

TEST(FileDir, IsTheFolderWithoutTrailingBackslash) {
    EXPECT_EQ(FileDir("C:\\Folder\\Sub\\file.txt"), "C:\\Folder\\Sub");
    EXPECT_EQ(FileDir("C:\\file.txt"), "C:");
    EXPECT_EQ(FileDir("C:\\Folder\\"), "C:\\Folder");
    EXPECT_EQ(FileDir("C:\\Folder\\\\file.txt"), "C:\\Folder");
    EXPECT_EQ(FileDir("C:file.txt"), "C:");
    EXPECT_EQ(FileDir("file.txt"), "");
    EXPECT_EQ(FileDir("\\\\server\\share\\file.txt"), "\\\\server\\share");
    EXPECT_EQ(ExtractFileName("C:\\Folder\\file.txt"), "file.txt");
    EXPECT_EQ(ExtractFileName("C:file.txt"), "file.txt");
    EXPECT_EQ(ExtractFileName("file.txt"), "file.txt");
}

TEST(FindFiles, ExtensionNeedOnlyOccurWithinTheList) {
    EXPECT_TRUE(MatchesExtensionList("a.lnk", ".lnk"));
    EXPECT_TRUE(MatchesExtensionList("A.LNK", ".lnk"));
    EXPECT_TRUE(MatchesExtensionList("a.L", ".lnk"));
    EXPECT_TRUE(MatchesExtensionList("a.ln", ".lnk"));
    EXPECT_TRUE(MatchesExtensionList("a.", ".lnk"));
    EXPECT_TRUE(MatchesExtensionList("a.b.lnk", ".lnk"));
    EXPECT_FALSE(MatchesExtensionList("a.nk", ".lnk"));
    EXPECT_FALSE(MatchesExtensionList("a.lnk2", ".lnk"));
    EXPECT_FALSE(MatchesExtensionList("lnk", ".lnk"));
    EXPECT_TRUE(MatchesExtensionList("b.exe", ".lnk;.exe"));
}

TEST(FindFiles, ListsMatchingItemsAndSkipsDotNames) {
    seed::ScratchFolder scratch;
    const std::string root = scratch.path();
    for (const char* name : {"a.lnk", "B.LNK", "c.L", "d.ln", "e.txt", "noext", ".hidden.lnk"})
        makeFile(PathJoin(root, name));
    makeFile(PathJoin(root, "f."));
    ASSERT_TRUE(ForceFolders(PathJoin(root, "folder.lnk")));
    ASSERT_TRUE(ForceFolders(PathJoin(root, "plain")));
    makeFile(PathJoin(root, "folder.lnk\\inner.lnk"));
    makeFile(PathJoin(root, "plain\\deep.LNK"));
    makeFile(PathJoin(root, "plain\\deep.txt"));

    // Without recursion a folder is tested like a file.
    EXPECT_EQ(namesOf(FindFiles(root, ".lnk", false), root),
              (std::vector<std::string>{"B.LNK", "a.lnk", "c.L", "d.ln", "f.", "folder.lnk"}));
    EXPECT_EQ(CurrentFolder(), root);

    std::vector<std::string> all = FindFiles(root, ".lnk", true);
    EXPECT_EQ(namesOf(all, root),
              (std::vector<std::string>{"B.LNK", "a.lnk", "c.L", "d.ln", "f.",
                                        "folder.lnk\\inner.lnk", "plain\\deep.LNK"}));
    // The folder's own items come before those of its sub-folders.
    ASSERT_EQ(all.size(), 7u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(all[i].find('\\', root.size() + 1), std::string::npos) << all[i];
}

TEST(FindFiles, RecursionDoesNotFollowALinkedFolder) {
    seed::ScratchFolder scratch;
    makeFile(scratch.file("top.lnk"));
    ASSERT_TRUE(ForceFolders(scratch.file("sub")));
    makeFile(scratch.file("sub\\inner.lnk"));
    if (!seed::LinkFolder(scratch.file("sub\\loop"), scratch.path()))
        GTEST_SKIP() << "no folder links here";
    EXPECT_EQ(namesOf(FindFiles(scratch.path(), ".lnk", true), scratch.path()),
              (std::vector<std::string>{"sub\\inner.lnk", "top.lnk"}));
}

TEST(FindFiles, MissingFolderGivesNothing) {
    seed::ScratchFolder scratch;
    EXPECT_TRUE(FindFiles(scratch.file("missing"), ".lnk", true).empty());
}

TEST(Files, FileExistsIsTrueForFilesOnly) {
    seed::ScratchFolder scratch;
    makeFile(scratch.file("file.txt"));
    EXPECT_TRUE(FileExists(scratch.file("file.txt")));
    EXPECT_FALSE(FileExists(scratch.path()));
    EXPECT_FALSE(FileExists(scratch.file("missing.txt")));
}

TEST(Files, ReadFilePartReadsOnlyWhatTheFileHolds) {
    seed::ScratchFolder scratch;
    ASSERT_TRUE(WriteWholeFile(scratch.file("part.bin"), std::string("0123456789\0ab", 13)));
    std::string data = "stale";
    EXPECT_TRUE(ReadFilePart(scratch.file("part.bin"), 3, 4, data));
    EXPECT_EQ(data, "3456");
    EXPECT_TRUE(ReadFilePart(scratch.file("part.bin"), 9, 100, data));
    EXPECT_EQ(data, std::string("9\0ab", 4)) << "fewer where the file ends";
    EXPECT_TRUE(ReadFilePart(scratch.file("part.bin"), 13, 4, data));
    EXPECT_EQ(data, "") << "at the end";
    EXPECT_TRUE(ReadFilePart(scratch.file("part.bin"), 1u << 20, 4, data));
    EXPECT_EQ(data, "") << "past the end";
    EXPECT_TRUE(ReadFilePart(scratch.file("part.bin"), 0, 0, data));
    EXPECT_EQ(data, "");
    data = "stale";
    EXPECT_FALSE(ReadFilePart(scratch.file("missing.bin"), 0, 4, data));
    EXPECT_EQ(data, "");
    EXPECT_FALSE(ReadFilePart(scratch.path(), 0, 4, data)) << "a folder";
}

TEST(Files, CopyDeleteAndReplace) {
    seed::ScratchFolder scratch;
    const std::string a = scratch.file("a.txt"), b = scratch.file("b.txt");
    ASSERT_TRUE(WriteWholeFile(a, std::string("one\0\r\ntwo", 9)));
    ASSERT_TRUE(WriteWholeFile(b, "old content"));
    EXPECT_TRUE(CopyFileTo(a, b));
    std::string data;
    ASSERT_TRUE(ReadWholeFile(b, data));
    EXPECT_EQ(data, std::string("one\0\r\ntwo", 9));

    ASSERT_TRUE(WriteWholeFile(scratch.file("new.tmp"), "finished"));
    EXPECT_TRUE(ReplaceFileWith(a, scratch.file("new.tmp")));
    EXPECT_FALSE(FileExists(scratch.file("new.tmp")));
    ASSERT_TRUE(ReadWholeFile(a, data));
    EXPECT_EQ(data, "finished");

    EXPECT_TRUE(DeleteFileAt(b));
    EXPECT_FALSE(DeleteFileAt(b));
    EXPECT_FALSE(DeleteFileAt(scratch.path()));
    EXPECT_FALSE(CopyFileTo(b, a));
    EXPECT_FALSE(ReadWholeFile(b, data));
}

// The safe writer: the old file is whole after every failure, and the
// failure says why in the system's words.
TEST(Files, WriteFileReplacingPutsTheCheckedFileInPlace) {
    seed::ScratchFolder scratch;
    const std::string path = scratch.file("profile.mvp");
    ASSERT_TRUE(WriteWholeFile(path, "old"));
    std::string temporary;
    std::string reason;
    EXPECT_TRUE(ReplaceFileChecked(
        path, [](const std::string& t) { return WriteWholeFile(t, std::string("new\0", 4)); },
        [&](const std::string& t) {
            temporary = t;
            return FileDir(t) == FileDir(path) && t != path;
        },
        &reason));
    std::string data;
    ASSERT_TRUE(ReadWholeFile(path, data));
    EXPECT_EQ(data, std::string("new\0", 4));
    EXPECT_FALSE(FileExists(temporary));
    EXPECT_TRUE(WriteFileReplacing(scratch.file("fresh.txt"), "first"));
    ASSERT_TRUE(ReadWholeFile(scratch.file("fresh.txt"), data));
    EXPECT_EQ(data, "first");
}

TEST(Files, WriteFileReplacingKeepsTheOldFileOnEveryFailure) {
    seed::ScratchFolder scratch;
    const std::string path = scratch.file("store.dat");
    ASSERT_TRUE(WriteWholeFile(path, "old"));
    const auto oldIsWhole = [&] {
        std::string data;
        return ReadWholeFile(path, data) && data == "old";
    };

    // The check refuses what was read back: nothing is left beside the file.
    std::string temporary;
    std::string reason;
    EXPECT_FALSE(ReplaceFileChecked(
        path, [](const std::string& t) { return WriteWholeFile(t, "new"); },
        [&](const std::string& t) {
            temporary = t;
            return false;
        },
        &reason));
    EXPECT_TRUE(oldIsWhole());
    EXPECT_FALSE(FileExists(temporary));
    EXPECT_NE(reason.find("read back"), std::string::npos) << reason;
    EXPECT_FALSE(WriteFileReplacing(path, "new", &reason,
                                    [](const std::string& back) { return back != "new"; }));
    EXPECT_TRUE(oldIsWhole());

    // The write fails, then the move fails.
    for (int allowed : {0, 1}) {
        fault_injection::FailChangesAfter(allowed);
        EXPECT_FALSE(WriteFileReplacing(path, "new", &reason)) << allowed;
        fault_injection::FailChangesAfter(-1);
        EXPECT_TRUE(oldIsWhole()) << allowed;
        EXPECT_FALSE(reason.empty()) << allowed;
    }

    // A folder that is not there: the system's own reason.
    EXPECT_FALSE(WriteFileReplacing(scratch.file("missing\\store.dat"), "new", &reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(reason.find("no reason"), std::string::npos) << reason;
}

TEST(Errors, SystemErrorTextIsOneLineWithoutAFullStop) {
#ifdef _WIN32
    const int notFound = ERROR_FILE_NOT_FOUND;
#else
    const int notFound = ENOENT;
#endif
    const std::string text = SystemErrorText(notFound);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
    EXPECT_NE(text.back(), '.') << text;
    EXPECT_NE(text.back(), ' ') << text;
    SetLastSystemError(notFound);
    EXPECT_EQ(LastSystemError(), notFound);
    SetLastSystemError(0);
    EXPECT_EQ(LastSystemError(), 0);
}

#ifdef _WIN32
// Windows: another program that has a file open for a moment (a scanner
// reading a shortcut just written) does not make a delete or a replace fail.
TEST(Files, DeleteAndReplaceWaitForAFileThatIsOpenForAMoment) {
    seed::ScratchFolder scratch;
    const std::string a = scratch.file("a.lnk"), b = scratch.file("b.txt");
    makeFile(a);
    makeFile(b);
    ASSERT_TRUE(WriteWholeFile(scratch.file("b.tmp"), "finished"));
    for (const std::string& held : {a, b}) {
        const std::wstring wide(held.begin(), held.end());
        HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        std::thread reader([h] {
            Sleep(200);
            CloseHandle(h);
        });
        const bool done = held == a ? DeleteFileAt(a) : ReplaceFileWith(b, scratch.file("b.tmp"));
        reader.join();
        EXPECT_TRUE(done) << held;
    }
    EXPECT_FALSE(FileExists(a));
    std::string data;
    ASSERT_TRUE(ReadWholeFile(b, data));
    EXPECT_EQ(data, "finished");
}
#endif

TEST(Files, FolderExistsMakesTheFolderCurrent) {
    seed::ScratchFolder scratch;
    ASSERT_TRUE(ForceFolders(scratch.file("sub")));
    EXPECT_TRUE(FolderExists(scratch.file("sub")));
    EXPECT_EQ(CurrentFolder(), scratch.file("sub"));
    EXPECT_FALSE(FolderExists(scratch.file("missing")));
    EXPECT_FALSE(FolderExists(""));
    EXPECT_EQ(CurrentFolder(), scratch.file("sub"));
    makeFile(scratch.file("sub\\relative.txt"));
    EXPECT_TRUE(FileExists("relative.txt"));
}

TEST(Files, ForceFoldersCreatesEveryMissingFolder) {
    seed::ScratchFolder scratch;
    const std::string deep = scratch.file("one\\two\\three");
    EXPECT_TRUE(ForceFolders(deep));
    EXPECT_TRUE(FolderExists(deep));
    EXPECT_TRUE(ForceFolders(deep + "\\"));
    EXPECT_TRUE(ForceFolders(scratch.path()));

    ASSERT_TRUE(FolderExists(scratch.path()));
    EXPECT_TRUE(ForceFolders("r\\s\\t"));
    EXPECT_TRUE(FolderExists(scratch.file("r\\s\\t")));
}

TEST(Files, ForceFoldersEndsOnAnImpossiblePath) {
    seed::ScratchFolder scratch;
    makeFile(scratch.file("file"));
    EXPECT_FALSE(ForceFolders(scratch.file("file")));
    EXPECT_FALSE(ForceFolders(scratch.file("file\\below\\deeper")));
    EXPECT_FALSE(ForceFolders("\\\\\\\\"));
    EXPECT_FALSE(ForceFolders("\\"));
    EXPECT_FALSE(ForceFolders(""));
    EXPECT_FALSE(ForceFolders(seed::MissingDrive() + "\\Morvane\\Quick Profiles"));
}

TEST(Files, SystemFolders) {
    std::string temp = TempFolder();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_FALSE(SystemFolder().empty());
    std::string app = AppFolder();
    ASSERT_FALSE(app.empty());
    EXPECT_NE(app.back(), '\\');
    EXPECT_FALSE(GetEnv("PATH").empty());
    EXPECT_EQ(GetEnv(seed::UniqueName("MORVANE_UNSET")), "");
}

// The portable build's default folders go under a scratch root.
class ShellRoot {
public:
    ShellRoot() {
        seed::ResetPlatform();
        seed::SetShellRoot(scratch.path());
    }
    ~ShellRoot() {
        seed::SetShellRoot("");
        seed::ResetPlatform();
    }

    seed::ScratchFolder scratch;
};

TEST(Files, ExpandEnvironmentReplacesSetVariablesOnly) {
    const std::string temp = GetEnv("PATH");
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(ExpandEnvironment("%PATH%"), temp);
    EXPECT_EQ(ExpandEnvironment("<%path%>"), "<" + temp + ">");
    EXPECT_EQ(ExpandEnvironment("%MORVANE_SURELY_UNSET_4711%\\x.exe"),
              "%MORVANE_SURELY_UNSET_4711%\\x.exe");
    EXPECT_EQ(ExpandEnvironment("100% sure"), "100% sure");
    EXPECT_EQ(ExpandEnvironment("no variables"), "no variables");
    EXPECT_EQ(ExpandEnvironment(""), "");
}

TEST(Files, SysnativeNamesTheNativeSystemFolder) {
    EXPECT_EQ(SysnativePath("C:\\Windows\\System32\\x.exe", "C:\\Windows"),
              "C:\\Windows\\Sysnative\\x.exe");
    EXPECT_EQ(SysnativePath("C:\\WINDOWS\\system32", "C:\\Windows"), "C:\\Windows\\Sysnative");
    EXPECT_EQ(SysnativePath("C:\\Windows\\SysWOW64\\x.exe", "C:\\Windows"),
              "C:\\Windows\\SysWOW64\\x.exe");
    EXPECT_EQ(SysnativePath("C:\\Windows\\System32.bak\\x.exe", "C:\\Windows"),
              "C:\\Windows\\System32.bak\\x.exe");
    // The 64-bit build (and the portable one) sees the real System32 itself.
    if (!SystemFolderRedirected()) {
        const std::string file = SystemFolder() + "\\x.exe";
        EXPECT_EQ(NativeFilePath(file), file);
    }
}

TEST(Folders, SpecialFolderCodesMapToShellFolders) {
    ShellRoot root;
    EXPECT_EQ(GetSpecialFolder(5), ShellFolderPath(csidlAppData));
    EXPECT_EQ(GetSpecialFolder(4), ShellFolderPath(csidlPersonal));
    ASSERT_FALSE(GetSpecialFolder(5).empty());
    // Like the shell's own folders, they exist.
    EXPECT_TRUE(FolderExists(GetSpecialFolder(5)));
    EXPECT_TRUE(FolderExists(ShellFolderPath(csidlStartup)));
    EXPECT_EQ(GetSpecialFolder(static_cast<int>(0x80000005u)), GetSpecialFolder(5));
    // The drives folder has no path.
    EXPECT_EQ(GetSpecialFolder(2), "");
    std::string path = "unchanged";
    GetSpecialFolder(9, path);
    EXPECT_EQ(path, "unchanged");
    GetSpecialFolder(-1, path);
    EXPECT_EQ(path, "unchanged");
}

TEST(Folders, AFolderThatCannotBeDeterminedGivesAnEmptyPath) {
    ShellRoot root;
    if (!seed::SetShellFolder(csidlPersonal, "\\docs") || !seed::SetShellFolder(csidlAppData, ""))
        GTEST_SKIP() << "the shell's folders are the system's own";
    EXPECT_EQ(GetSpecialFolder(4), "\\docs");
    std::string path = "was set";
    GetSpecialFolder(5, path);
    EXPECT_EQ(path, "");
    seed::ResetPlatform();
    EXPECT_EQ(GetSpecialFolder(5), PathJoin(root.scratch.path(), "AppData"));
}

TEST(Icons, SmallIconsComeFromTheSystemList) {
    if (!seed::kWindows) {
        EXPECT_EQ(SystemSmallImages(), nullptr);
        EXPECT_EQ(FileIconIndex(AppFolder()), -1);
        return;
    }
    EXPECT_NE(SystemSmallImages(), nullptr);
    // The process's own System32: a 32-bit process on 64-bit Windows is sent
    // to SysWOW64 by the file system, and both folders hold a notepad.exe.
    EXPECT_GE(FileIconIndex(PathJoin(SystemFolder(), "notepad.exe")), 0);
}

} // namespace

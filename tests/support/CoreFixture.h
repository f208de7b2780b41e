#pragma once
// A clean system for the core's tests: empty startup keys and folders and an
// empty data folder. Natively these are the in-memory registry and temporary
// folders; under Wine the throw-away prefix's real registry and folders.

#include "core/ShortcutLink.h"
#include "core/startupTasks.h"

#include <gtest/gtest.h>

#include <string>

// Asserts that an apply succeeded, and shows what it reported when not.
#define ASSERT_APPLIED(call)                                                                       \
    do {                                                                                           \
        const TApplyReport report_ = (call);                                                       \
        ASSERT_TRUE(report_.Ok()) << report_.Message();                                            \
    } while (0)

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a startup value of the given location code. RegView::Default of
    // a machine-wide code is the native view, in the 32-bit build as well.
    static void PutValue(unsigned code, const std::string& name, const std::string& text,
                         uint32_t type = regSz, RegView view = RegView::Default);
    // Writes raw data of any type (text types: include the NUL yourself).
    static void PutRawValue(unsigned code, const std::string& name, uint32_t type,
                            const std::string& data, RegView view = RegView::Default);
    static bool GetValue(unsigned code, const std::string& name, RegValue& value,
                         RegView view = RegView::Default);
    static bool HasValue(unsigned code, const std::string& name, RegView view = RegView::Default) {
        RegValue v;
        return GetValue(code, name, v, view);
    }

    // The startup folder of code 0 or 10.
    static std::string Folder(unsigned code);
    static std::string ShortcutPath(unsigned code, const std::string& title) {
        return PathJoinForTest(Folder(code), title + ".lnk");
    }
    static void MakeShortcut(unsigned code, const std::string& title, const std::string& target,
                             const std::string& arguments, const std::string& workingDir = "",
                             const std::string& description = "");
    static std::string ReadFileBytes(const std::string& path);
    static void WriteFileBytes(const std::string& path, const std::string& bytes);
    // A scratch folder of this test.
    static std::string Scratch();

    // True where the machine-wide keys have two views in this run.
    static bool TwoViews();
    // Natively: simulates 64-bit Windows. Under Wine the prefix decides.
    static void UseTwoViews();

    // Makes a startup key refuse writing (readable only); false where this
    // run cannot arrange it (the Windows build runs as an administrator).
    static bool RefuseWrites(unsigned code);
    // Makes a startup folder undeterminable; false where this run cannot.
    static bool LoseFolder(unsigned code);
    // Sets or clears a file's read-only attribute; false where this run
    // cannot make a file refuse writing (the portable build runs as root).
    static bool SetReadOnly(const std::string& path, bool readOnly);

    // A value under Explorer\StartupApproved\<subkey> ("Run", "Run32",
    // "StartupFolder"): per-user, or machine-wide in the native view (where
    // Windows keeps the marks of both views, KEY_WOW64_64KEY).
    static void PutMark(RegRoot root, const std::string& subkey, const std::string& name,
                        const std::string& data, uint32_t type = regBinary);
    static bool GetMark(RegRoot root, const std::string& subkey, const std::string& name,
                        std::string& data);
    // Makes every read of a startup value's data fail; false where this run
    // cannot arrange it.
    static bool MakeUnreadable(unsigned code, const std::string& name);
    // Sets an environment variable of this process.
    static void SetEnv(const std::string& name, const std::string& value);

    // The refresh of the window and the command-line tool; a scan or merge
    // that fails fails the test.
    static void Rescan(TStartups& startups);
    static TStartup* Find(TStartups& startups, const std::string& title);

    // Empties what the sign-in places hold: RunOnceEx, the policy lists and
    // switches, Winlogon's values (a Wine prefix has a Shell), Active Setup's
    // test components and Morvane's keeping of them; in both views.
    static void ClearSignInPlaces();

private:
    static std::string PathJoinForTest(const std::string& a, const std::string& b);
};

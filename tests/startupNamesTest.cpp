// Names and command lines that must survive a disable and an enable: the
// default (empty-named) value, every form of shortcut arguments, titles that
// name devices, keys that do not exist and files that are not profiles.

#include "support/CoreFixture.h"

#include "core/system/Files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "support/PortableRegistry.h"
#endif

namespace {

class StartupNames : public CoreTest {};

// Removes HKCU\...\RunOnce (the fixture makes it again for the next test).
bool RemoveRunOnceKey() {
    const std::string path = LocationKey(slCURunOnce) + 1;
#ifdef _WIN32
    return RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str()) == ERROR_SUCCESS;
#else
    portable_registry::DeleteKey(RegRoot::CurrentUser, path);
    return true;
#endif
}

TEST_F(StartupNames, DefaultValueIsDeletedAndWrittenBackUnderItsOwnName) {
    PutValue(slCURun, "", "C:\\d\\default.exe /start");
    TStartups s;
    Rescan(s);
    ASSERT_EQ(s.Count(), 1);
    TStartup* e = s.Items(0);
    EXPECT_EQ(e->Title, "default");
    ASSERT_TRUE(e->ValueName.has_value());
    EXPECT_EQ(*e->ValueName, "");

    e->SetEnabled(false);
    ASSERT_APPLIED(s.ApplyChanges());
    EXPECT_FALSE(HasValue(slCURun, ""));
    EXPECT_FALSE(HasValue(slCURun, "default"));

    Rescan(s);
    ASSERT_EQ(s.Count(), 1);
    EXPECT_FALSE(s.Items(0)->Enabled);
    EXPECT_EQ(s.Items(0)->Title, "default");
    s.Items(0)->SetEnabled(true);
    ASSERT_APPLIED(s.ApplyChanges());
    RegValue v;
    ASSERT_TRUE(GetValue(slCURun, "", v));
    EXPECT_EQ(v.Text, "C:\\d\\default.exe /start");
    EXPECT_FALSE(HasValue(slCURun, "default"));
}

TEST_F(StartupNames, ProfilesCarryTheValueNameAndOlderOnesStillWork) {
    PutValue(slCURun, "", "C:\\d\\default.exe");
    TStartups s;
    Rescan(s);
    const std::string file = PathJoin(Scratch(), "p.mvp");
    s.SaveToFile(file);
    TStartups loaded;
    loaded.LoadFromFile(file);
    ASSERT_EQ(loaded.Count(), 1);
    ASSERT_TRUE(loaded.Items(0)->ValueName.has_value());
    EXPECT_EQ(*loaded.Items(0)->ValueName, "");

    // A profile written before value names were kept: only the title.
    WriteFileBytes(file, "[General]\r\nProgramCount=1\r\n[0]\r\ntitle=default\r\n"
                         "fullpath=C:\\d\\default.exe\r\nlocation=8\r\nrating=0\r\nenabled=0\r\n");
    TStartups old;
    old.LoadFromFile(file);
    ASSERT_EQ(old.Count(), 1);
    ASSERT_APPLIED(old.ApplyChanges());
    EXPECT_FALSE(HasValue(slCURun, ""));
    EXPECT_FALSE(HasValue(slCURun, "default"));
    old.Items(0)->SetEnabled(true);
    ASSERT_APPLIED(old.ApplyChanges());
    EXPECT_TRUE(HasValue(slCURun, ""));
    EXPECT_FALSE(HasValue(slCURun, "default"));
}

// --- Shortcut command lines -----------------------------------------------------

struct LinkForm {
    const char* Target;
    const char* Arguments;
};

const LinkForm kForms[] = {
    {"C:\\t\\tool.exe", ""},
    {"C:\\my apps\\tool.exe", ""},
    {"C:\\t\\viewer.exe", "\"C:\\my docs\\file.txt\""},
    {"C:\\my apps\\viewer.exe", "\"C:\\my docs\\file.txt\""},
    {"C:\\t\\tool.exe", "-a \"b c\" d"},
    {"C:\\t\\tool.exe", "\"quoted\" plain"},
    {"C:\\t\\tool.exe", " leading blank"},
    {"C:\\t\\tool.exe", "trailing blank "},
    {"C:\\t\\tool.exe", "'single'"},
};

TEST_F(StartupNames, ShortcutCommandLinesSplitBackIntoTheirParts) {
    for (const LinkForm& f : kForms) {
        std::string target;
        std::string arguments;
        SplitShortcutCommand(ShortcutCommand(f.Target, f.Arguments), target, arguments);
        EXPECT_EQ(target, f.Target);
        EXPECT_EQ(arguments, f.Arguments) << f.Target;
    }
    std::string target;
    std::string arguments;
    // Hand-typed and older stored forms.
    SplitShortcutCommand("C:\\t\\tool.exe /x", target, arguments);
    EXPECT_EQ(target, "C:\\t\\tool.exe");
    EXPECT_EQ(arguments, "/x");
    SplitShortcutCommand("C:\\t\\viewer.exe\" \"C:\\my docs\\file.txt", target, arguments);
    EXPECT_EQ(target, "C:\\t\\viewer.exe");
    EXPECT_EQ(arguments, "\"C:\\my docs\\file.txt\"");
    SplitShortcutCommand("C:\\t\\tool.exe \"arg\"", target, arguments);
    EXPECT_EQ(target, "C:\\t\\tool.exe");
    EXPECT_EQ(arguments, "\"arg\"");
    // Cut inside the target: no program.
    SplitShortcutCommand("\"C:\\Program", target, arguments);
    EXPECT_EQ(target, "");
    SplitShortcutCommand("", target, arguments);
    EXPECT_EQ(target, "");
}

TEST_F(StartupNames, EveryShortcutFormSurvivesDisableAndEnable) {
    for (bool withCopy : {true, false}) {
        for (size_t i = 0; i < sizeof kForms / sizeof kForms[0]; ++i) {
            TearDown();
            SetUp();
            const LinkForm& f = kForms[i];
            MakeShortcut(slCUStartup, "Form", f.Target, f.Arguments);
            TStartups s;
            Rescan(s);
            ASSERT_EQ(s.Count(), 1);
            s.Items(0)->SetEnabled(false);
            ASSERT_APPLIED(s.ApplyChanges());
            ASSERT_FALSE(FileExists(ShortcutPath(slCUStartup, "Form")));
            if (!withCopy)
                DeleteFileAt(PathJoin(DataFolder(), "Shortcuts\\10\\Form.lnk"));
            Rescan(s);
            ASSERT_EQ(s.Count(), 1) << f.Target << " " << f.Arguments;
            s.Items(0)->SetEnabled(true);
            ASSERT_APPLIED(s.ApplyChanges());
            TShortcutLink link;
            link.ShortcutFile = ShortcutPath(slCUStartup, "Form");
            link.LoadLink();
            EXPECT_EQ(link.Target, f.Target) << "copy " << withCopy;
            EXPECT_EQ(link.Arguments, f.Arguments) << "copy " << withCopy << " " << f.Target;
        }
    }
}

// --- Nothing done, and said so --------------------------------------------------

TEST_F(StartupNames, DeviceNamesAreRefusedAsShortcutTitles) {
    for (const char* title : {"NUL", "con", "Aux.txt", "COM1", "lpt9", "PRN ", "name."}) {
        TStartups s;
        s.Add(title, "", "C:\\n\\n.exe", slCUStartup, 0);
        const TApplyReport report = s.ApplyChanges();
        ASSERT_EQ(report.Failures.size(), 1u) << title;
        EXPECT_NE(report.Message().find("title"), std::string::npos) << report.Message();
    }
    TStartups s;
    s.Add("NUL", "", "C:\\n\\n.exe", slCUStartup, 0);
    EXPECT_NE(s.ApplyChanges().Message().find("reserved device name"), std::string::npos);
    // Names that only begin like one are files like any other.
    TStartups fine;
    fine.Add("Console", "", "C:\\n\\n.exe", slCUStartup, 0);
    fine.Add("COM10", "", "C:\\n\\m.exe", slCUStartup, 0);
    EXPECT_TRUE(fine.ApplyChanges().Ok());
}

TEST_F(StartupNames, EnablingInAKeyThatDoesNotExistIsReported) {
    // The fixture's clean system has the RunOnce keys; this one is missing.
    TStartups s;
    s.Add("Once", "", "C:\\o\\once.exe", slCURunOnce, 0);
    s.Add("Gone", "", "C:\\o\\gone.exe", slLMServices, 0)->SetEnabled(false);
    const TApplyReport before = s.ApplyChanges();
    EXPECT_TRUE(before.Ok()) << before.Message();
    if (!RemoveRunOnceKey())
        GTEST_SKIP() << "this run cannot remove the key";
    const TApplyReport report = s.ApplyChanges();
    ASSERT_EQ(report.Failures.size(), 1u) << report.Message();
    EXPECT_EQ(report.Failures[0].Title, "Once");
    EXPECT_NE(report.Message().find("does not exist"), std::string::npos);
}

TEST_F(StartupNames, RandomBytesAreNotAProfile) {
    const std::string file = PathJoin(Scratch(), "random.mvp");
    std::string bytes;
    unsigned seed = 12345;
    for (int i = 0; i < 4096; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes += static_cast<char>(seed >> 16);
    }
    WriteFileBytes(file, bytes);
    std::string why;
    EXPECT_FALSE(IsProfileFile(file, why));
    EXPECT_FALSE(why.empty());
    WriteFileBytes(file, "[General]\r\nProgramCount=banana\r\n");
    EXPECT_FALSE(IsProfileFile(file, why));
    TStartups s;
    s.SaveToFile(file);
    EXPECT_TRUE(IsProfileFile(file, why)) << why;
}

} // namespace

// Profile (".mvp") files.

#include "support/CoreFixture.h"

#include "core/system/Errors.h"
#include "core/system/Files.h"
#include "core/system/Ini.h"
#include "core/system/FaultInjection.h"
#include "core/ProfileData.h"

namespace {

class StartupProfile : public CoreTest {
protected:
    std::string File(const std::string& name) { return PathJoin(Scratch(), name); }
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

TEST_F(StartupProfile, WritesSectionsAndKeysInOrder) {
    TStartups s;
    s.Add("One", "", "C:\\o\\one.exe /a", slCURun, 3);
    s.Add("Two", "", "C:\\o\\two.exe", slLMStartupFolder, -7)->SetEnabled(false);
    s.SaveToFile(File("p.mvp"));
    std::vector<std::string> lines = Lines(ReadFileBytes(File("p.mvp")));
    ASSERT_EQ(lines.size(), 18u);
    EXPECT_EQ(lines[0], "[General]");
    EXPECT_EQ(lines[1], "Creator=[MRV]");
    EXPECT_EQ(lines[2].rfind("CreationDate=", 0), 0u);
    EXPECT_GT(lines[2].size(), std::string("CreationDate=").size());
    const std::vector<std::string> rest(lines.begin() + 3, lines.end());
    EXPECT_EQ(rest, (std::vector<std::string>{
                        "FileDescription=Morvane backup file", "UserComments=", "ProgramCount=2",
                        "[0]", "title=One", "fullpath=C:\\o\\one.exe /a", "location=8", "rating=3",
                        "enabled=1", "[1]", "title=Two", "fullpath=C:\\o\\two.exe", "location=0",
                        "rating=-7", "enabled=0"}));
    EXPECT_FALSE(FileExists(File("p.mvp.tmp")));
}

// The profile is made in one pass; the profile functions, writing the same
// collection key by key, must give the same file.
TEST_F(StartupProfile, OnePassGivesTheBytesOfAKeyByKeyWrite) {
    TStartups s;
    s.Add("Folder Tool", "", "\"C:\\Tools\\tool.exe\" ", slCUStartup, 0);
    s.Add("  Padded  ", "", "C:\\a=b\\x.exe /k=v [x]", slLMRun, 4)->SetEnabled(false);
    s.Add("Odd", "", "rundll32.exe shell32.dll,Control_RunDLL", slLMServiceOnce, -3);
    s.UserComments = "kept \"as\" is";
    s.SaveToFile(File("pass.mvp"));
    const std::string pass = ReadFileBytes(File("pass.mvp"));

    const std::string keys = File("keys.mvp");
    const std::string general = "General";
    IniWriteString(keys, general, "Creator", "[MRV]");
    IniWriteString(keys, general, "CreationDate",
                   IniReadString(File("pass.mvp"), general, "CreationDate", ""));
    IniWriteString(keys, general, "FileDescription", "Morvane backup file");
    IniWriteString(keys, general, "UserComments", s.UserComments);
    IniWriteInteger(keys, general, "ProgramCount", s.Count());
    for (int i = 0; i < s.Count(); ++i) {
        const TStartup* e = s.Items(i);
        const std::string section = std::to_string(i);
        IniWriteString(keys, section, "title", ProfileValue(e->Title));
        IniWriteString(keys, section, "fullpath", ProfileValue(e->CommandLine));
        IniWriteInteger(keys, section, "location", e->Location);
        IniWriteInteger(keys, section, "rating", e->Rating);
        IniWriteBool(keys, section, "enabled", e->Enabled);
    }
    IniFlush(keys);
    EXPECT_EQ(pass, ReadFileBytes(keys));
}

TEST_F(StartupProfile, RoundTripAndEmptyCollection) {
    TStartups s;
    s.Add("A", "", "C:\\a\\a.exe", slCURunOnce, 2)->SetEnabled(false);
    s.SaveToFile(File("a.mvp"));
    TStartups loaded;
    loaded.Modified = false;
    loaded.LoadFromFile(File("a.mvp"));
    ASSERT_EQ(loaded.Count(), 1);
    EXPECT_EQ(loaded.Items(0)->Title, "A");
    EXPECT_EQ(loaded.Items(0)->Location, slCURunOnce);
    EXPECT_EQ(loaded.Items(0)->Rating, 2);
    EXPECT_FALSE(loaded.Items(0)->Enabled);
    EXPECT_TRUE(loaded.Modified);

    TStartups empty;
    empty.SaveToFile(File("e.mvp"));
    const std::vector<std::string> lines = Lines(ReadFileBytes(File("e.mvp")));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[5], "ProgramCount=0");
}

TEST_F(StartupProfile, ReadsWhatItCanOfAnOddFile) {
    WriteFileBytes(File("odd.mvp"),
                   "[General]\r\nProgramCount=6\r\nUserComments=  \"hello\"  \r\n"
                   "[0]\r\ntitle=Zero\r\nfullpath=C:\\z\\zero.exe\r\nlocation=260\r\nrating=9\r\n"
                   "[2]\r\ntitle=Two\r\nfullpath=C:\\z\\two.exe\r\nenabled=abc\r\n"
                   "[3]\r\ntitle=Three\r\nfullpath=C:\\z\\three.exe\r\nenabled=5\r\nlocation=$A\r\n"
                   "[4]\r\ntitle=Four\r\nfullpath=C:\\z\\four.exe\r\nenabled=0\r\nrating=0x10\r\n"
                   "[5]\r\ntitle=Repeat\r\nfullpath=C:\\z\\zero.exe\r\n"
                   "[6]\r\ntitle=Beyond\r\nfullpath=C:\\z\\beyond.exe\r\n");
    TStartups s;
    s.LoadFromFile(File("odd.mvp"));
    EXPECT_EQ(s.UserComments, "hello");
    ASSERT_EQ(s.Count(), 4);
    EXPECT_EQ(s.Items(0)->Location, slLMRun);
    EXPECT_EQ(s.Items(0)->Rating, 9);
    EXPECT_TRUE(s.Items(0)->Enabled);
    EXPECT_EQ(s.Items(1)->Title, "Two");
    EXPECT_TRUE(s.Items(1)->Enabled);
    EXPECT_EQ(s.Items(1)->Location, 0);
    EXPECT_TRUE(s.Items(2)->Enabled);
    EXPECT_EQ(s.Items(2)->Location, slCUStartup);
    EXPECT_FALSE(s.Items(3)->Enabled);
    EXPECT_EQ(s.Items(3)->Rating, 16);
}

TEST_F(StartupProfile, MissingFileChangesNothing) {
    TStartups s;
    s.Add("Keep", "", "C:\\k\\keep.exe", slCURun, 0);
    s.Modified = false;
    s.LoadFromFile(File("absent.mvp"));
    EXPECT_EQ(s.Count(), 1);
    EXPECT_FALSE(s.Modified);
}

TEST_F(StartupProfile, TextsWithOuterQuotesOrBlanksComeBackWhole) {
    TStartups s;
    s.Add("Q", "", "\"C:\\q\\q.exe\" ", slCUStartup, 0);
    s.Add("Doc", "", "\"C:\\q\\viewer.exe\" \"C:\\my docs\\file.txt\"", slCUStartup, 0);
    s.Add("  Padded  ", "", "'C:\\q\\single quoted.exe'", slCURun, 0);
    s.Add("Half", "", "\"C:\\q\\half.exe", slCURun, 0);
    s.SaveToFile(File("q.mvp"));
    TStartups loaded;
    loaded.LoadFromFile(File("q.mvp"));
    ASSERT_EQ(loaded.Count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(loaded.Items(i)->CommandLine, s.Items(i)->CommandLine);
        EXPECT_EQ(loaded.Items(i)->Title, s.Items(i)->Title);
    }
    // The profile functions read the same texts.
    EXPECT_EQ(IniReadString(File("q.mvp"), "1", "fullpath", ""), s.Items(1)->CommandLine);
}

TEST_F(StartupProfile, ProfileWrittenWithoutOuterQuotesStillLoads) {
    // Written by an older Morvane: the quotes of a quoted value were dropped
    // on reading.
    WriteFileBytes(File("old.mvp"), "[General]\r\nProgramCount=1\r\n[0]\r\ntitle=Q\r\n"
                                    "fullpath=\"C:\\q\\q.exe\" \r\nlocation=10\r\n");
    TStartups loaded;
    loaded.LoadFromFile(File("old.mvp"));
    ASSERT_EQ(loaded.Count(), 1);
    EXPECT_EQ(loaded.Items(0)->CommandLine, "C:\\q\\q.exe");
}

TEST_F(StartupProfile, LineBreaksCannotInjectSectionsOrKeys) {
    TStartups s;
    s.Add("Evil\r\n[0]\r\nfullpath=C:\\evil.exe\r\nenabled", "",
          "C:\\h\\host.exe\n[General]\nProgramCount=99", slCURun, 0);
    s.Add("Next", "", "C:\\h\\next.exe", slCURun, 0)->SetEnabled(false);
    s.SaveToFile(File("h.mvp"));
    for (const std::string& line : Lines(ReadFileBytes(File("h.mvp"))))
        EXPECT_EQ(line.find('\n'), std::string::npos);
    TStartups loaded;
    loaded.LoadFromFile(File("h.mvp"));
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.Items(0)->CommandLine, "C:\\h\\host.exe [General] ProgramCount=99");
    EXPECT_EQ(loaded.Items(0)->Title, "Evil  [0]  fullpath=C:\\evil.exe  enabled");
    EXPECT_TRUE(loaded.Items(0)->Enabled);
    EXPECT_EQ(loaded.Items(1)->Title, "Next");
    EXPECT_FALSE(loaded.Items(1)->Enabled);
}

TEST_F(StartupProfile, FailedWriteKeepsTheOldFile) {
    TStartups s;
    s.Add("Old", "", "C:\\o\\old.exe", slCURun, 0);
    s.SaveToFile(File("keep.mvp"));
    const std::string before = ReadFileBytes(File("keep.mvp"));
    // The temporary file is written, but it cannot take the old one's place.
    fault_injection::FailChangesAfter(1);
    s.Add("New", "", "C:\\o\\new.exe", slCURun, 0);
    try {
        s.SaveToFile(File("keep.mvp"));
        fault_injection::FailChangesAfter(-1);
        FAIL() << "no error";
    } catch (const EIniError& e) {
        fault_injection::FailChangesAfter(-1);
        // The file's name, then why the system refused.
        const std::string prefix = "Unable to write to " + File("keep.mvp") + ": ";
        EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u) << e.what();
        EXPECT_GT(std::string(e.what()).size(), prefix.size());
    }
    EXPECT_EQ(ReadFileBytes(File("keep.mvp")), before);
}

TEST_F(StartupProfile, HugeProgramCountEndsQuickly) {
    WriteFileBytes(File("big.mvp"), "[General]\r\nProgramCount=2147483647\r\n[0]\r\n"
                                    "fullpath=C:\\b\\b.exe\r\n");
    TStartups s;
    s.LoadFromFile(File("big.mvp"));
    EXPECT_EQ(s.Count(), 1);
}

} // namespace

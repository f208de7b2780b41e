// The startup tasks of packaged apps: manifests read on every platform, and
// under Wine (which has no package functions) the packages of a repository
// key and folders seeded by the test. The portable build lists no packages.
#include "core/PackagedApps.h"

#include "core/system/Files.h"
#include "support/Seed.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const Uap5 = "http://schemas.microsoft.com/appx/manifest/uap/windows10/5";
const char* const Desktop = "http://schemas.microsoft.com/appx/manifest/desktop/windows10";

TPackage Contoso() {
    return {"Contoso.Tool_1.2.3.4_x64__8wekyb3d8bbwe", "Contoso.Tool_8wekyb3d8bbwe",
            "Contoso Tool (repository)",
            "C:\\Program Files\\WindowsApps\\Contoso.Tool_1.2.3.4_x64__8wekyb3d8bbwe"};
}

// A manifest with the given Properties display name and applications.
std::string Manifest(const std::string& displayName, const std::string& applications) {
    return std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                       "<Package "
                       "xmlns=\"http://schemas.microsoft.com/appx/manifest/foundation/windows10\"\n"
                       "  xmlns:uap5=\"") +
           Uap5 + "\" xmlns:desktop=\"" + Desktop +
           "\">\n"
           "  <Identity Name=\"Contoso.Tool\" Version=\"1.2.3.4\"/>\n"
           "  <Properties><DisplayName>" +
           displayName + "</DisplayName></Properties>\n  <Applications>\n" + applications +
           "  </Applications>\n</Package>\n";
}

std::string Uap5Task(const std::string& startupTask, const std::string& extensionAttributes = "") {
    return "<uap5:Extension Category=\"windows.startupTask\"" + extensionAttributes +
           "><uap5:StartupTask " + startupTask + "/></uap5:Extension>\n";
}

std::string Application(const std::string& extensions, const std::string& attributes = "") {
    return "<Application Id=\"App\" Executable=\"App\\Tool.exe\" "
           "EntryPoint=\"Windows.FullTrustApplication\"" +
           attributes + "><Extensions>\n" + extensions + "</Extensions></Application>\n";
}

std::vector<TPackagedTask> TasksOf(const std::string& manifest, std::string* error = nullptr) {
    std::string why = "not set";
    auto tasks = StartupTasksOf(Contoso(), manifest, &why);
    EXPECT_TRUE(why.empty()) << why;
    if (error)
        *error = why;
    return tasks;
}

TEST(StartupTasksOf, ReadsTheNewerNamespaceWithTheApplicationsExecutable) {
    auto tasks = TasksOf(Manifest(
        "Contoso Tool",
        Application(Uap5Task(
            "TaskId=\"ToolStartup\" Enabled=\"true\" DisplayName=\"Contoso at sign-in\""))));
    ASSERT_EQ(tasks.size(), 1u);
    EXPECT_EQ(tasks[0].PackageFullName, "Contoso.Tool_1.2.3.4_x64__8wekyb3d8bbwe");
    EXPECT_EQ(tasks[0].FamilyName, "Contoso.Tool_8wekyb3d8bbwe");
    EXPECT_EQ(tasks[0].TaskId, "ToolStartup");
    EXPECT_EQ(tasks[0].DisplayName, "Contoso at sign-in");
    EXPECT_EQ(
        tasks[0].Executable,
        "C:\\Program Files\\WindowsApps\\Contoso.Tool_1.2.3.4_x64__8wekyb3d8bbwe\\App\\Tool.exe");
    EXPECT_EQ(tasks[0].Arguments, "");
    EXPECT_TRUE(tasks[0].EnabledByManifest);
}

TEST(StartupTasksOf, ReadsTheOlderNamespaceWithTheExtensionsExecutable) {
    const std::string desktop =
        "<desktop:Extension Category=\"windows.startupTask\" Executable=\"Helper/helper.exe\" "
        "EntryPoint=\"Windows.FullTrustApplication\" Parameters=\"--background\">"
        "<desktop:StartupTask TaskId=\"Helper\" Enabled=\"false\" "
        "DisplayName=\"Helper\"/></desktop:Extension>\n";
    auto tasks =
        TasksOf(Manifest("Contoso Tool", Application(desktop, " uap10:Parameters=\"--app\"")));
    ASSERT_EQ(tasks.size(), 1u);
    EXPECT_EQ(tasks[0].TaskId, "Helper");
    EXPECT_EQ(tasks[0].Executable,
              "C:\\Program "
              "Files\\WindowsApps\\Contoso.Tool_1.2.3.4_x64__8wekyb3d8bbwe\\Helper\\helper.exe")
        << "forward slashes become backslashes";
    EXPECT_EQ(tasks[0].Arguments, "--background") << "the extension's own parameters first";
    EXPECT_FALSE(tasks[0].EnabledByManifest);
}

TEST(StartupTasksOf, TakesTheApplicationsParametersAndEveryTaskInOrder) {
    const std::string apps =
        Application(Uap5Task("TaskId=\"One\" Enabled=\"true\"") +
                        "<uap:Extension Category=\"windows.protocol\"><uap:Protocol "
                        "Name=\"contoso\"/></uap:Extension>\n" +
                        Uap5Task("TaskId=\"Two\" Enabled=\"TRUE\""),
                    " uap10:Parameters=\"--quiet\"") +
        Application(Uap5Task("TaskId=\"Three\"", " Executable=\"Other.exe\""));
    auto tasks = TasksOf(Manifest("Contoso Tool", apps));
    ASSERT_EQ(tasks.size(), 3u);
    EXPECT_EQ(tasks[0].TaskId, "One");
    EXPECT_EQ(tasks[0].Arguments, "--quiet");
    EXPECT_EQ(tasks[1].TaskId, "Two");
    EXPECT_FALSE(tasks[1].EnabledByManifest) << "only \"true\" enables";
    EXPECT_EQ(tasks[2].TaskId, "Three");
    EXPECT_EQ(ExtractFileName(tasks[2].Executable), "Other.exe");
    EXPECT_FALSE(tasks[2].EnabledByManifest) << "no Enabled attribute";
    EXPECT_EQ(tasks[2].Arguments, "");
}

TEST(StartupTasksOf, MatchesTheNamespaceNotThePrefix) {
    const std::string manifest =
        "<Package xmlns=\"http://schemas.microsoft.com/appx/manifest/foundation/windows10\" "
        "xmlns:s=\"" +
        std::string(Uap5) +
        "\" xmlns:uap5=\"urn:somebody-else\"><Applications><Application "
        "Executable=\"A.exe\"><Extensions>"
        "<s:Extension Category=\"windows.startupTask\"><s:StartupTask "
        "TaskId=\"Bound\"/></s:Extension>"
        "<uap5:Extension Category=\"windows.startupTask\"><uap5:StartupTask "
        "TaskId=\"Foreign\"/></uap5:Extension>"
        "<Extension Category=\"windows.startupTask\"><StartupTask TaskId=\"Default\"/></Extension>"
        "<d:Extension xmlns:d=\"" +
        Desktop +
        "\" Category=\"windows.startupTask\"><d:StartupTask TaskId=\"Local\"/></d:Extension>"
        "<x:Extension Category=\"windows.startupTask\"><x:StartupTask "
        "TaskId=\"Unbound\"/></x:Extension>"
        "</Extensions></Application></Applications></Package>";
    auto tasks = TasksOf(manifest);
    ASSERT_EQ(tasks.size(), 2u);
    EXPECT_EQ(tasks[0].TaskId, "Bound");
    EXPECT_EQ(tasks[1].TaskId, "Local") << "a binding on the element itself";
}

TEST(StartupTasksOf, ResourceReferencesFallBackToThePackagesNames) {
    const std::string app =
        Application(Uap5Task("TaskId=\"T\" DisplayName=\"ms-resource:TaskName\""));
    auto fromManifest = TasksOf(Manifest("Contoso &amp; Co", app));
    ASSERT_EQ(fromManifest.size(), 1u);
    EXPECT_EQ(fromManifest[0].DisplayName, "Contoso & Co");

    auto fromRepository = TasksOf(Manifest("MS-Resource:AppName", app));
    ASSERT_EQ(fromRepository.size(), 1u);
    EXPECT_EQ(fromRepository[0].DisplayName, "Contoso Tool (repository)");

    TPackage bare = Contoso();
    bare.DisplayName = "ms-resource://Contoso.Tool/Resources/Name";
    std::string error;
    auto fromFamily =
        StartupTasksOf(bare, Manifest("", Application(Uap5Task("TaskId=\"T\""))), &error);
    ASSERT_EQ(fromFamily.size(), 1u) << error;
    EXPECT_EQ(fromFamily[0].DisplayName, "Contoso.Tool");

    bare.FamilyName.clear();
    bare.DisplayName.clear();
    fromFamily = StartupTasksOf(bare, Manifest("", Application(Uap5Task("TaskId=\"T\""))), &error);
    ASSERT_EQ(fromFamily.size(), 1u) << error;
    EXPECT_EQ(fromFamily[0].FamilyName, "Contoso.Tool_8wekyb3d8bbwe") << "from the full name";
    EXPECT_EQ(fromFamily[0].DisplayName, "Contoso.Tool");
}

TEST(StartupTasksOf, TasksThatCannotStartArePassedOver) {
    const std::string noExecutable = "<Application Id=\"App\"><Extensions>" +
                                     Uap5Task("TaskId=\"NoProgram\"") +
                                     "</Extensions></Application>";
    auto tasks = TasksOf(Manifest(
        "Contoso Tool", noExecutable + Application(Uap5Task("Enabled=\"true\"")) +
                            Application("<uap5:Extension Category=\"windows.startupTask\"/>") +
                            Application(Uap5Task("TaskId=\"Kept\""))));
    ASSERT_EQ(tasks.size(), 1u);
    EXPECT_EQ(tasks[0].TaskId, "Kept");
    EXPECT_TRUE(TasksOf(Manifest("Contoso Tool", "")).empty());
    EXPECT_TRUE(TasksOf("<Package/>").empty());
}

TEST(StartupTasksOf, DamagedManifestsGiveNoTasksAndSayWhy) {
    const std::string good = Manifest("Contoso Tool", Application(Uap5Task("TaskId=\"T\"")));
    for (const std::string& damaged :
         {good.substr(0, good.find("</Extensions>") + 3),
          std::string("<Package><Applications></Package>"), std::string("<Package><Applications>"),
          good.substr(0, good.find("</Package>")), std::string("<Assembly/>"), std::string(""),
          std::string("just text")}) {
        std::string error;
        EXPECT_TRUE(StartupTasksOf(Contoso(), damaged, &error).empty()) << damaged;
        EXPECT_FALSE(error.empty()) << damaged;
    }
}

TEST(StartupTasksOf, ByteOrderMarksAreRead) {
    const std::string manifest = Manifest("Contoso Tool", Application(Uap5Task("TaskId=\"T\"")));
    EXPECT_EQ(TasksOf("\xEF\xBB\xBF" + manifest).size(), 1u);
    std::string utf16 = "\xFF\xFE";
    for (char c : manifest) {
        utf16 += c;
        utf16 += '\0';
    }
    EXPECT_EQ(TasksOf(utf16).size(), 1u);
}

TEST(StartupTasksOf, ManyApplicationsStayFast) {
    std::string apps;
    for (int k = 0; k < 3000; ++k)
        apps += Application(Uap5Task("TaskId=\"T" + std::to_string(k) + "\""));
    auto tasks = TasksOf(Manifest("Contoso Tool", apps));
    ASSERT_EQ(tasks.size(), 3000u);
    EXPECT_EQ(tasks[2999].TaskId, "T2999");
}

// Packages seeded in the repository key, each with a folder: natively in
// the in-memory registry, under Wine in the prefix's.
class SeededRepository : public ::testing::Test {
protected:
    static constexpr const char* Repository =
        "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\"
        "CurrentVersion\\AppModel\\Repository\\Packages";

    void SetUp() override {
        seed::ResetPlatform();
        publisher_ = seed::UniqueName("pub");
        for (char& c : publisher_) {
            if (c == '_')
                c = '-';
        }
    }
    void TearDown() override {
        for (const std::string& name : seeded_)
            seed::DeleteKeyTree(RegRoot::CurrentUser, std::string(Repository) + "\\" + name);
    }

    // Seeds a package; an empty folder seeds none.
    std::string AddPackage(const std::string& name, const std::string& displayName,
                           const std::string& folder) {
        const std::string fullName = name + "_1.0.0.0_x64__" + publisher_;
        const std::string key = std::string(Repository) + "\\" + fullName;
        seed::SetRaw(RegRoot::CurrentUser, key, "DisplayName", regSz, displayName + '\0');
        if (!folder.empty())
            seed::SetRaw(RegRoot::CurrentUser, key, "PackageRootFolder", regSz, folder + '\0');
        seeded_.push_back(fullName);
        return fullName;
    }

    std::vector<TPackagedTask> Ours(std::vector<std::string>& skipped) {
        return Ours(InstalledStartupTasks(&skipped));
    }
    std::vector<TPackagedTask> Ours(const std::vector<TPackagedTask>& all) {
        std::vector<TPackagedTask> ours;
        for (const TPackagedTask& task : all) {
            if (task.FamilyName.size() > publisher_.size() &&
                task.FamilyName.compare(task.FamilyName.size() - publisher_.size(),
                                        publisher_.size(), publisher_) == 0)
                ours.push_back(task);
        }
        return ours;
    }

    std::string publisher_;
    std::vector<std::string> seeded_;
};

TEST_F(SeededRepository, ListsTheTasksOfEachPackagesManifest) {
    seed::ScratchFolder tool, helper;
    ASSERT_TRUE(
        WriteWholeFile(tool.file("AppxManifest.xml"),
                       Manifest("ms-resource:Name",
                                Application(Uap5Task("TaskId=\"ToolStartup\" Enabled=\"true\"")))));
    ASSERT_TRUE(WriteWholeFile(
        helper.file("AppxManifest.xml"),
        Manifest("Helper",
                 Application("<desktop:Extension Category=\"windows.startupTask\" "
                             "Executable=\"bin\\helper.exe\"><desktop:StartupTask "
                             "TaskId=\"HelperTask\" Enabled=\"false\"/></desktop:Extension>"))));
    const std::string toolName = AddPackage("Contoso.Tool", "Contoso Tool", tool.path());
    AddPackage("Contoso.Helper", "ms-resource:HelperName", helper.path());

    std::vector<std::string> skipped;
    auto tasks = Ours(skipped);
    ASSERT_EQ(tasks.size(), 2u);
    const TPackagedTask& first = tasks[0].TaskId == "ToolStartup" ? tasks[0] : tasks[1];
    const TPackagedTask& second = tasks[0].TaskId == "ToolStartup" ? tasks[1] : tasks[0];
    EXPECT_EQ(first.PackageFullName, toolName);
    EXPECT_EQ(first.FamilyName, "Contoso.Tool_" + publisher_);
    EXPECT_EQ(first.DisplayName, "Contoso Tool") << "the repository's name";
    EXPECT_EQ(first.Executable, PathJoin(tool.path(), "App\\Tool.exe"));
    EXPECT_TRUE(first.EnabledByManifest);
    EXPECT_EQ(second.TaskId, "HelperTask");
    EXPECT_EQ(second.DisplayName, "Helper");
    EXPECT_EQ(second.Executable, PathJoin(helper.path(), "bin\\helper.exe"));
    EXPECT_FALSE(second.EnabledByManifest);
}

TEST_F(SeededRepository, AKeptManifestIsReadAgainOnlyWhenItChangedAndADamagedCacheIsNotBelieved) {
    seed::ScratchFolder folder, data;
    const std::string manifest = folder.file("AppxManifest.xml");
    const std::string cache = data.file("packages.dat");
    ASSERT_TRUE(
        WriteWholeFile(manifest, Manifest("Kept", Application(Uap5Task("TaskId=\"First\"")))));
    AddPackage("Contoso.Kept", "Kept", folder.path());
    std::vector<std::string> skipped;
    auto tasks = InstalledStartupTasks(&skipped, cache);
    ASSERT_EQ(Ours(tasks).size(), 1u);
    std::string kept;
    ASSERT_TRUE(ReadWholeFile(cache, kept));
    EXPECT_NE(kept.find("First"), std::string::npos);

    // An update writes another manifest: its task is read anew.
    ASSERT_TRUE(
        WriteWholeFile(manifest, Manifest("Kept", Application(Uap5Task("TaskId=\"Second\"")))));
    tasks = InstalledStartupTasks(&skipped, cache);
    ASSERT_EQ(Ours(tasks).size(), 1u);
    EXPECT_EQ(Ours(tasks)[0].TaskId, "Second");

    // A cache cut short gives the manifest's own tasks and is written anew.
    ASSERT_TRUE(ReadWholeFile(cache, kept));
    ASSERT_TRUE(WriteWholeFile(cache, kept.substr(0, kept.size() / 2)));
    tasks = InstalledStartupTasks(&skipped, cache);
    ASSERT_EQ(Ours(tasks).size(), 1u);
    EXPECT_EQ(Ours(tasks)[0].TaskId, "Second");
    std::string rewritten;
    ASSERT_TRUE(ReadWholeFile(cache, rewritten));
    EXPECT_EQ(rewritten, kept);
}

TEST_F(SeededRepository, PackagesWithoutAReadableManifestArePassedOver) {
    seed::ScratchFolder good, damaged, empty;
    ASSERT_TRUE(WriteWholeFile(good.file("AppxManifest.xml"),
                               Manifest("Good", Application(Uap5Task("TaskId=\"GoodTask\"")))));
    // Cut short after its task's extension began (a manifest without a task
    // is not read any further).
    ASSERT_TRUE(WriteWholeFile(damaged.file("AppxManifest.xml"),
                               "<Package><Applications><Application Executable=\"a.exe\">"
                               "<Extensions><Extension Category=\"windows.startupTask\">"));
    AddPackage("Contoso.Good", "Good", good.path());
    const std::string damagedName = AddPackage("Contoso.Damaged", "Damaged", damaged.path());
    const std::string emptyName = AddPackage("Contoso.Empty", "Empty", empty.path());
    const std::string noFolderName = AddPackage("Contoso.NoFolder", "NoFolder", "");

    std::vector<std::string> skipped;
    auto tasks = Ours(skipped);
    ASSERT_EQ(tasks.size(), 1u);
    EXPECT_EQ(tasks[0].TaskId, "GoodTask");
    auto mentions = [&skipped](const std::string& name) {
        for (const std::string& line : skipped) {
            if (line.find(name) != std::string::npos)
                return true;
        }
        return false;
    };
    EXPECT_TRUE(mentions(damagedName));
    EXPECT_TRUE(mentions(emptyName));
    EXPECT_TRUE(mentions(noFolderName));
}

} // namespace

// The detail pane: the page of the clicked entry, where it is written, and
// what the two HTML views are asked to show.

#include "support/FormTest.h"

#include "template/HtmlText.h"
#include "ui/DetailPage.h"
#include "ui/WebLinks.h"

#include <climits>
#include <cstdlib>

namespace {

const char* const ProgramFolderForTest = "C:\\Morvane Form Test\\program";

class DetailPageTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        if (IsSkipped())
            return;
        ForceFolders(ProgramFolderForTest);
    }
    void TearDown() override {
        if (!IsSkipped()) {
            form.reset();
            DeleteFileA(PagePath().c_str());
            RemoveDirectoryA(PagePath().c_str());
            DeleteFileA(TemplatePath().c_str());
            RemoveDirectoryA(ProgramFolderForTest);
            DeleteFileA(PathJoin(PerUserPageFolder(), DetailPageName).c_str());
        }
        FormTest::TearDown();
    }

    static std::string TemplatePath() { return PathJoin(ProgramFolderForTest, DetailTemplateName); }
    static std::string PagePath() { return PathJoin(ProgramFolderForTest, DetailPageName); }

    // One line per variable, in the order they are assigned.
    static void WriteLineTemplate() {
        WriteFileBytes(TemplatePath(), "title={title}\r\nfilename={filename}\r\n"
                                       "argument={argument}\r\nq_title={q_title}\r\n"
                                       "q_filename_only={q_filename_only}\r\n"
                                       "required={required}\r\n"
                                       "startuplocation={startuplocation}\r\n"
                                       "comments={comments}\r\n");
    }

    void OpenWith(const std::string& title, const std::string& commandLine) {
        PutValue(slCURun, title, commandLine);
        Open();
        form->ProgramFolder = ProgramFolderForTest;
        ASSERT_EQ(Rows(), 1);
        SelectOnly(0);
    }

    std::vector<std::string> PageLines() const {
        std::string text = ReadFileBytes(form->DetailPagePath);
        std::vector<std::string> lines;
        size_t at = 0;
        while (at < text.size()) {
            size_t end = text.find("\r\n", at);
            if (end == std::string::npos)
                end = text.size();
            lines.push_back(text.substr(at, end - at));
            at = end + 2;
        }
        return lines;
    }
};

TEST_F(DetailPageTest, PanesStartBlank) {
    Open();
    EXPECT_EQ(form->DetailView().Content(), TWebView::wcAddress);
    EXPECT_EQ(form->DetailView().Address(), "about:blank");
    EXPECT_EQ(form->SideView().Content(), TWebView::wcAddress);
    EXPECT_EQ(form->SideView().Address(), "about:blank");
    // A refresh or another node does not clear the detail pane either.
    form->btnRefreshClick();
    EXPECT_EQ(form->DetailView().Address(), "about:blank");
}

TEST_F(DetailPageTest, ClickWritesTheEightVariablesInOrder) {
    WriteLineTemplate();
    OpenWith("Sound Mixer", std::string(ExistingProgram) + " /tray -q");
    TStartup* e = form->EntryList().RowEntry(0);
    e->SetRating(3);
    e->SetDetailComment("Mixes sound.");
    form->lvStartupListClick();

    EXPECT_EQ(form->DetailPagePath, PagePath());
    EXPECT_EQ(form->DetailView().Content(), TWebView::wcAddress);
    EXPECT_EQ(form->DetailView().Address(), PagePath());
    const std::vector<std::string> expected = {
        "title=Sound Mixer",
        std::string("filename=") + ExistingProgram,
        "argument=/tray -q",
        "q_title=Sound+Mixer",
        "q_filename_only=present%2Ecfg",
        "required=User's choice",
        "startuplocation=CU Run",
        "comments=Mixes sound.",
    };
    EXPECT_EQ(PageLines(), expected);
}

TEST_F(DetailPageTest, AMouseClickOnARowShowsItsPage) {
    WriteLineTemplate();
    OpenWith("Clicked", std::string(ExistingProgram) + " /c");
    ListView_SetItemState(List(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    RECT r{};
    ListView_GetItemRect(List(), 0, &r, LVIR_BOUNDS);
    LPARAM at = MAKELPARAM(150, (r.top + r.bottom) / 2);
    PostMessageA(List(), WM_LBUTTONUP, 0, at);
    SendMessageA(List(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    Pump();
    EXPECT_EQ(form->DetailView().Address(), PagePath());
    ASSERT_FALSE(PageLines().empty());
    EXPECT_EQ(PageLines()[0], "title=Clicked");
    EXPECT_TRUE(Checked(0)) << "a click right of the check box does not toggle";
}

TEST_F(DetailPageTest, MissingFileGetsTheRedWarning) {
    WriteLineTemplate();
    OpenWith("Lost", std::string("\"") + MissingProgram + "\" /x");
    form->lvStartupListClick();
    ASSERT_GE(PageLines().size(), 2u);
    EXPECT_EQ(PageLines()[1], std::string("filename=") + MissingProgram +
                                  "<BR><font size=2 color=red>Warning: This file does not "
                                  "exists.</font>");
}

TEST_F(DetailPageTest, NoCommentGivesTheInvitationWithTheEscapedNames) {
    WriteLineTemplate();
    OpenWith("Sound Mixer", "C:\\Morvane Form Test\\mixer.exe");
    form->lvStartupListClick();
    ASSERT_EQ(PageLines().size(), 8u);
    EXPECT_EQ(PageLines()[7],
              std::string("comments=No information was retrieved about this program. If you "
                          "know what this program is please <a href=\"") +
                  MorvaneSiteUrl +
                  "/contribute2.php?t=Sound+Mixer&e=mixer%2Eexe\">click here</a> to "
                  "submit your information.");
    EXPECT_EQ(ContributionAddress("Sound Mixer", "mixer.exe"),
              std::string(MorvaneSiteUrl) + "/contribute2.php?t=Sound+Mixer&e=mixer%2Eexe");
}

TEST_F(DetailPageTest, HostileTitleAndCommentComeOutEscaped) {
    WriteLineTemplate();
    OpenWith("<script>alert(\"t\")</script> & co", std::string(ExistingProgram) + " \"<b>'x'\"");
    form->EntryList().RowEntry(0)->SetDetailComment("<img src=x onerror=\"alert('c')\"> & more");
    form->lvStartupListClick();
    std::string page = ReadFileBytes(form->DetailPagePath);
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("<img"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    std::vector<std::string> lines = PageLines();
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "title=&lt;script&gt;alert(&quot;t&quot;)&lt;/script&gt; &amp; co");
    EXPECT_EQ(lines[2].find('<'), std::string::npos);
    EXPECT_NE(lines[2].find("&lt;b&gt;&#39;x&#39;"), std::string::npos);
    EXPECT_EQ(lines[3].find('<'), std::string::npos);
    EXPECT_EQ(lines[7],
              "comments=&lt;img src=x onerror=&quot;alert(&#39;c&#39;)&quot;&gt; &amp; more");
}

TEST_F(DetailPageTest, ClickingTwiceRebuildsThePage) {
    WriteLineTemplate();
    OpenWith("Twice", std::string(ExistingProgram) + " /2");
    form->lvStartupListClick();
    EXPECT_EQ(PageLines()[5], "required=Unknown");
    // Each click reads the template and the entry again.
    form->EntryList().RowEntry(0)->SetRating(1);
    WriteFileBytes(TemplatePath(), "again {required}\r\n");
    form->lvStartupListClick();
    EXPECT_EQ(PageLines(), std::vector<std::string>{"again Not recommended"});
    EXPECT_EQ(form->DetailView().Address(), PagePath());
}

TEST_F(DetailPageTest, PageGoesPerUserWhenTheProgramFolderTakesNoFile) {
    WriteLineTemplate();
    OpenWith("Per User", std::string(ExistingProgram) + " /u");
    // A folder where the page file would go: the file cannot be written there.
    ASSERT_TRUE(CreateDirectoryA(PagePath().c_str(), nullptr));
    form->lvStartupListClick();
    const std::string perUser = PathJoin(PerUserPageFolder(), DetailPageName);
    EXPECT_EQ(form->DetailPagePath, perUser);
    EXPECT_EQ(form->DetailView().Address(), perUser);
    EXPECT_NE(perUser.find("\\Morvane\\"), std::string::npos);
    ASSERT_FALSE(PageLines().empty());
    EXPECT_EQ(PageLines()[0], "title=Per User");
    EXPECT_TRUE(seam.Messages.empty());
}

TEST_F(DetailPageTest, MissingTemplateIsReportedAndThePaneKeepsItsPage) {
    WriteLineTemplate();
    OpenWith("Kept", std::string(ExistingProgram) + " /k");
    form->lvStartupListClick();
    const std::string before = ReadFileBytes(PagePath());
    DeleteFileA(TemplatePath().c_str());
    form->Guarded([&] { form->lvStartupListClick(); });
    ASSERT_EQ(seam.Messages.size(), 1u);
    EXPECT_NE(seam.Messages[0].find(DetailTemplateName), std::string::npos);
    EXPECT_EQ(form->DetailView().Address(), PagePath());
    EXPECT_EQ(ReadFileBytes(PagePath()), before);
}

TEST_F(DetailPageTest, NoSelectionDoesNothing) {
    WriteLineTemplate();
    OpenWith("Idle", std::string(ExistingProgram) + " /i");
    ListView_SetItemState(List(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    form->lvStartupListClick();
    EXPECT_TRUE(form->DetailPagePath.empty());
    EXPECT_FALSE(FileExists(PagePath()));
    EXPECT_EQ(form->DetailView().Address(), "about:blank");
}

TEST_F(DetailPageTest, RatingsOutsideTheScaleGetANameAndNeverFail) {
    EXPECT_EQ(RatingName(0), "Unknown");
    EXPECT_EQ(RatingName(2), "Not required");
    EXPECT_EQ(RatingName(4), "Required");
    EXPECT_EQ(RatingName(7), "Unrated (7)");
    EXPECT_EQ(RatingName(-1), "Unrated (-1)");
    EXPECT_EQ(RatingName(INT_MIN), "Unrated (-2147483648)");
    WriteLineTemplate();
    OpenWith("Odd", std::string(ExistingProgram) + " /o");
    form->EntryList().RowEntry(0)->SetRating(INT_MAX);
    form->lvStartupListClick();
    EXPECT_EQ(PageLines()[5], "required=Unrated (2147483647)");
}

TEST_F(DetailPageTest, ShippedTemplateUsesEveryVariableAndRunsInTheInternetZone) {
    std::string text = ReadFileBytes(PathJoin(AppFolder(), DetailTemplateName));
    ASSERT_FALSE(text.empty()) << "mrvTemplate.tpl lies beside the program";
    for (const char* name :
         {"title", "filename", "argument", "q_title", "q_filename_only", "required",
          "startuplocation", "comments", "publisher", "signature", "company", "fileversion",
          "sha256", "lookalike", "ratingsource", "notes"})
        EXPECT_NE(text.find(std::string("{") + name + "}"), std::string::npos) << name;
    EXPECT_NE(text.find("<!-- saved from url=(0014)about:internet -->"), std::string::npos);
    EXPECT_NE(text.find("content=\"IE=edge\""), std::string::npos);

    // Filled, it is a page with no trace of the engine's errors.
    TStartups all;
    TStartup* e = all.Add("Sound & Mixer", "", "c:\\tools\\mixer.exe /tray", slCURun, 2);
    std::vector<std::string> lines;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    std::string page;
    for (const std::string& line : BuildDetailPage(lines, *e, false))
        page += line + "\n";
    EXPECT_EQ(page.find("TemplatePower Error"), std::string::npos);
    EXPECT_NE(page.find("Sound &amp; Mixer"), std::string::npos);
    EXPECT_NE(page.find("Warning: This file does not exists."), std::string::npos);
    EXPECT_NE(page.find("q=Sound+%26+Mixer+mixer%2Eexe\""), std::string::npos);
}

TEST_F(DetailPageTest, SidePageIsOursAndLoadsNoThirdPartyScript) {
    Open();
    form->ShowAdsPage();
    EXPECT_EQ(form->SideView().Content(), TWebView::wcHtml);
    const std::string& page = form->SideView().Html();
    EXPECT_NE(page.find("XHTML 1.0 Transitional"), std::string::npos);
    EXPECT_NE(page.find("<title>Untitled Document</title>"), std::string::npos);
    EXPECT_NE(page.find("charset=iso-8859-1"), std::string::npos);
    EXPECT_NE(page.find("margin-left: 0px; margin-top: 0px; margin-right: 0px; "
                        "margin-bottom: 0px"),
              std::string::npos);
    EXPECT_NE(page.find("saved from url=(0014)about:internet"), std::string::npos);
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_FALSE(IsWindowVisible(form->AdsTextHandle()));
}

TEST_F(DetailPageTest, DetailPaneMenuCopiesTheSelection) {
    Open();
    HMENU menu = form->DetailMenu();
    ASSERT_EQ(GetMenuItemCount(menu), 1);
    char caption[32] = {};
    GetMenuStringA(menu, TfrmMorvane::Copy1, caption, sizeof caption, MF_BYCOMMAND);
    EXPECT_STREQ(caption, "&Copy");
    ASSERT_TRUE(form->DetailView().OnContextMenu);
    seam.OnMenu = [](HMENU) { return static_cast<UINT>(TfrmMorvane::Copy1); };
    form->DetailView().OnContextMenu(POINT{10, 10});
    EXPECT_EQ(seam.Menus, 1);
    EXPECT_EQ(seam.LastMenu, menu);
    EXPECT_TRUE(seam.Messages.empty());
}

// The stand-in where the browser control is missing.
TEST_F(DetailPageTest, WithoutTheBrowserControlThePageTextStaysReadable) {
    Open();
    const std::string page = PathJoin(TestFolder, "page.htm");
    WriteFileBytes(page, "<html><head><title>x</title></head><body><b>Tool</b> &amp; "
                         "more<br>second line</body></html>");
    TWebView view;
    TWebViewOptions options;
    options.UseBrowser = false;
    EXPECT_FALSE(view.Attach(form->DetailPaneHandle(), options));
    ASSERT_NE(view.TextControl(), nullptr);
    view.Navigate(page);
    char text[256] = {};
    GetWindowTextA(view.TextControl(), text, sizeof text);
    EXPECT_STREQ(text, "Tool & more\r\nsecond line");
    EXPECT_TRUE(GetWindowLongA(view.TextControl(), GWL_STYLE) & ES_READONLY);

    // The page is UTF-8: every character reaches the control, whatever the
    // code page ("Caf\u00e9 \u4e2d\u6587").
    view.ShowHtml("<p>Caf\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87</p>");
    wchar_t wide[64] = {};
    GetWindowTextW(view.TextControl(), wide, 64);
    EXPECT_STREQ(wide, L"Caf\u00e9 \u4e2d\u6587");

    view.ShowHtml("<p>from text</p>");
    GetWindowTextA(view.TextControl(), text, sizeof text);
    EXPECT_STREQ(text, "from text");
    EXPECT_EQ(view.Content(), TWebView::wcHtml);

    SendMessageA(view.TextControl(), EM_SETSEL, 0, 4);
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    view.CopySelection();
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_TEXT);
    std::string copied = data ? static_cast<const char*>(GlobalLock(data)) : "";
    if (data)
        GlobalUnlock(data);
    CloseClipboard();
    EXPECT_EQ(copied, "from");

    view.Navigate("about:blank");
    GetWindowTextA(view.TextControl(), text, sizeof text);
    EXPECT_STREQ(text, "");
    view.Detach();
    DeleteFileA(page.c_str());
}

// Pages of the shipped template for the headless browser check that the test
// command runs after the Windows suites (tests/pages): a hostile entry whose
// file is missing, a rated entry with the server's comment, and one with the
// invitation. Written only when MORVANE_PAGES_OUT names a folder.
TEST_F(DetailPageTest, ShippedTemplatePagesForTheBrowserCheck) {
    const char* out = std::getenv("MORVANE_PAGES_OUT");
    if (!out || !*out)
        GTEST_SKIP() << "MORVANE_PAGES_OUT is not set";
    WriteFileBytes(TemplatePath(), ReadFileBytes(PathJoin(AppFolder(), DetailTemplateName)));
    const std::string hostile =
        "<script>document.title='owned'</script><img src=x onerror=alert(1)> & \"co\"";
    const std::string longFile = std::string(TestFolder) + "\\" + std::string(180, 'w') + ".exe";
    PutValue(slCURun, hostile, std::string(MissingProgram) + " \"<b>'x'</b>\"");
    PutValue(slCURun, "Sound Mixer", std::string(ExistingProgram) + " /tray");
    PutValue(slCURun, "Long Path", longFile + " --flag");
    Open();
    form->ProgramFolder = ProgramFolderForTest;
    ASSERT_EQ(Rows(), 3);

    struct Case {
        const char* Page;
        std::string Title;
        int Rating;
        std::string Comment;
    };
    const Case cases[] = {
        {"hostile.htm", hostile, 1, "<iframe src=\"javascript:alert(2)\"></iframe> comment & more"},
        {"rated.htm", "Sound Mixer", 3, "Mixes sound for the tray."},
        {"invitation.htm", "Long Path", 0, ""},
    };
    for (const Case& c : cases) {
        int row = -1;
        for (int i = 0; i < Rows(); ++i)
            if (form->EntryList().RowEntry(i)->Title == c.Title)
                row = i;
        ASSERT_GE(row, 0) << c.Title;
        SelectOnly(row);
        form->EntryList().RowEntry(row)->SetRating(c.Rating);
        if (!c.Comment.empty())
            form->EntryList().RowEntry(row)->SetDetailComment(c.Comment);
        form->lvStartupListClick();
        const std::string page = ReadFileBytes(form->DetailPagePath);
        ASSERT_FALSE(page.empty()) << c.Page;
        WriteFileBytes(PathJoin(out, c.Page), page);
    }
}

} // namespace

TEST(DetailPageNotes, SayWhatWindowsDoesWithTheEntry) {
    TStartups startups;
    TStartup* plain = startups.Add("Plain", "", "C:\\notes\\plain.exe", slCURun, 0);
    TStartup* off = startups.Add("Off", "", "C:\\notes\\off.exe", slCURun, 0);
    TStartup* nine = startups.Add("Nine", "", "C:\\notes\\nine.exe", slLMServices, 0);
    ASSERT_TRUE(plain && off && nine);
    off->DisabledByWindows = true;
    off->Enabled = false;
    auto notesOf = [](const TStartup& e) {
        const auto variables = DetailPageVariables(e, true);
        EXPECT_EQ(variables.size(), 16u);
        EXPECT_EQ(variables.back().first, "notes");
        return variables.back().second;
    };
    EXPECT_EQ(notesOf(*plain), "");
    EXPECT_EQ(notesOf(*off), "<div class=\"note\">" + HtmlEscape(off->DisabledReason()) + "</div>");
    EXPECT_NE(notesOf(*nine).find("Windows NT and later do not start it"), std::string::npos);
}

// The Consult command and the options window, driven through the window's
// handlers under Wine, and the command on its own in a plain window. The
// answers come from a scripted loopback server, and from the reference
// server morvane-ratings where scripts/test.sh started one
// (MORVANE_TEST_SERVER; those cases are skipped without it). The values
// written are under HKCU of the throw-away prefix.

#include "support/CoreFixture.h"
#include "support/LoopbackServer.h"
#include "support/PartHost.h"

#include "core/startupUtil.h"
#include "online/Consult.h"
#include "ui/ConsultCommand.h"
#include "ui/EntryList.h"
#include "ui/ToolBar.h"
#include "ui/Unit1.h"
#include "ui/optiondlg.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const TestFolder = "C:\\Morvane Consult Test";
const char* const ConsultWaitMessage =
    "You have just already retrieved from Morvane web server,In order to keep Morvane web "
    "server efficient, you need to wait at least 30 seconds for another consult.";
const char* const FailureMessage =
    "Failed to retrieve programs information from Morvane server, please try again later.";

class TConsultSeam : public TUiSeam {
public:
    std::vector<std::string> Messages;
    uint32_t Tick = 1000;
    int Pumps = 0;
    std::function<void()> WhileWaiting;
    std::function<void(HWND)> OnDialog;

    int ShowMessageBox(HWND, const std::string& text, const std::string&, UINT) override {
        Messages.push_back(text);
        return IDOK;
    }
    int ShowModal(HWND dialog, const int& modalResult) override {
        if (OnDialog)
            OnDialog(dialog);
        return modalResult != 0 ? modalResult : IDCANCEL;
    }
    UINT PopupMenu(HMENU, HWND, POINT) override { return 0; }
    bool RestartElevated(HWND) override { return false; }
    uint32_t TickCount() override { return Tick; }
    void ProcessMessages() override {
        ++Pumps;
        TUiSeam::ProcessMessages();
        if (WhileWaiting) {
            auto once = std::move(WhileWaiting);
            WhileWaiting = nullptr;
            once();
        }
    }
};

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

std::string Answer(const std::string& xml) {
    return "HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " +
           std::to_string(xml.size()) + "\r\n\r\n" + xml;
}

class ConsultUiTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        if (IsSkipped())
            return;
        OleInitialize(nullptr);
        InitMorvaneControls();
        CreateDirectoryA(TestFolder, nullptr);
        SetUiSeam(&seam);
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Morvane");
    }
    void TearDown() override {
        if (!IsSkipped()) {
            form.reset();
            Pump();
            SetUiSeam(nullptr);
            RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Morvane");
            RemoveDirectoryA(TestFolder);
            OleUninitialize();
        }
        CoreTest::TearDown();
    }

    // Programs that do not exist: Wine must never start anything of these.
    void SeedTwo() {
        PutValue(slCURun, "SunJavaUpdateSched", std::string(TestFolder) + "\\jusched.exe");
        PutValue(slCURun, "My Own Tool", std::string(TestFolder) + "\\mytool.exe -q");
    }
    void Open() {
        form = std::make_unique<TfrmMorvane>();
        ASSERT_TRUE(form->Create());
        form->Show(SW_SHOWNORMAL);
        Pump();
    }
    void UseServer(const std::string& address) {
        ASSERT_TRUE(WriteConsultSettings(TConsultSettings{address, "none"}));
    }
    void UseServer(const TLoopbackServer& server) {
        UseServer("http://127.0.0.1:" + std::to_string(server.Port()));
    }
    std::string Text(int row, int column) const {
        char buf[1024] = {};
        ListView_GetItemText(form->ListHandle(), row, column, buf, sizeof buf);
        return buf;
    }
    int RowOf(const std::string& title) const {
        for (int i = 0; i < form->EntryList().RowCount(); ++i)
            if (form->EntryList().RowEntry(i)->Title == title)
                return i;
        return -1;
    }

    TConsultSeam seam;
    std::unique_ptr<TfrmMorvane> form;
};

// What the entry list asks of its window: nothing of it matters here.
class TQuietListOwner : public TEntryListOwner {
public:
    void Guard(const std::function<void()>& handler) override { handler(); }
    bool CommandEnabled(UINT) const override { return true; }
    void RowClicked() override {}
    void ListCommand(UINT) override {}
};

} // namespace

// The command on its own, over a list of one row in a plain window that
// records the closes it is sent.
TEST_F(ConsultUiTest, ConsultCommandRefusesASecondStartAndHoldsACloseUntilItEnds) {
    TPartHost host;
    int closes = 0;
    host.OnMessage = [&](UINT msg, WPARAM, LPARAM, LRESULT&) {
        closes += msg == WM_CLOSE;
        return msg == WM_CLOSE;
    };
    TStartups entries;
    TQuietListOwner listOwner;
    TEntryList list(listOwner);
    list.Create(host.Handle(), TDpi{}, nullptr);
    list.AddListRow(
        entries.Add("My Own Tool", "", std::string(TestFolder) + "\\mytool.exe", slCURun, 0));
    TConsultCommand consult(list);
    consult.Owner = host.Handle();
    consult.MayStart = [&] { return !consult.Consulting(); };
    std::vector<std::string> said;
    consult.OnStart = [&] { said.push_back("start"); };
    consult.OnEnd = [&] { said.push_back(consult.Consulting() ? "end while waiting" : "end"); };
    EXPECT_FALSE(consult.PostponeClose()) << "nothing waits";

    TLoopbackServer server({{Answer("<r></r>")}, true});
    UseServer(server);
    bool waited = false;
    seam.WhileWaiting = [&] {
        waited = true;
        EXPECT_TRUE(consult.Consulting());
        consult.btnConsultClick();
        EXPECT_TRUE(consult.PostponeClose());
        Pump();
        EXPECT_EQ(closes, 0);
    };
    consult.btnConsultClick();
    ASSERT_TRUE(waited);
    EXPECT_TRUE(seam.Messages.empty()) << seam.Messages[0];
    EXPECT_EQ(said, (std::vector<std::string>{"start", "end"}));
    EXPECT_TRUE(consult.HasConsulted);
    EXPECT_EQ(consult.LastConsultTick, seam.Tick);
    Pump();
    EXPECT_EQ(closes, 1) << "the close asked for while waiting, once";

    // Within 30 seconds of it, the next one says so and shows nothing.
    consult.btnConsultClick();
    ASSERT_EQ(seam.Messages.size(), 1u);
    EXPECT_EQ(seam.Messages[0], ConsultWaitMessage);
    EXPECT_EQ(said.size(), 2u);
    Pump();
    EXPECT_EQ(closes, 1);
}

TEST_F(ConsultUiTest, ConsultFillsRatingsAndCommentsFromTheReferenceServer) {
    const char* server = std::getenv("MORVANE_TEST_SERVER");
    if (!server || !*server)
        GTEST_SKIP() << "MORVANE_TEST_SERVER names no rating server (scripts/test.sh starts one)";
    SeedTwo();
    Open();
    UseServer(server);
    ASSERT_EQ(form->EntryList().RowCount(), 2);
    form->btnConsultClick();
    EXPECT_TRUE(seam.Messages.empty()) << seam.Messages[0];
    EXPECT_TRUE(form->ConsultCommand().HasConsulted);
    int java = RowOf("SunJavaUpdateSched");
    int mine = RowOf("My Own Tool");
    ASSERT_GE(java, 0);
    EXPECT_EQ(form->EntryList().RowEntry(java)->Rating, 2);
    EXPECT_EQ(Text(java, lcRating), "2");
    EXPECT_EQ(Text(java, lcComment).rfind("Looks for Java updates.", 0), 0u)
        << Text(java, lcComment);
    EXPECT_EQ(form->EntryList().RowEntry(java)->DetailComment, form->EntryList().RowEntry(java)->Comment);
    EXPECT_EQ(form->EntryList().RowEntry(mine)->Rating, 0);
    EXPECT_EQ(Text(mine, lcComment), "");
    EXPECT_FALSE(form->Busy().Active());
    EXPECT_FALSE(form->ConsultCommand().Consulting());
}

TEST_F(ConsultUiTest, MorvanesOwnListAnswersFromTheFirstPaintAndAServerWinsWhereItKnows) {
    SeedTwo();
    Open();
    const int java = RowOf("SunJavaUpdateSched");
    const int mine = RowOf("My Own Tool");
    ASSERT_GE(java, 0);
    ASSERT_GE(mine, 0);
    EXPECT_EQ(Text(java, lcRating), "2") << "no click, no network";
    EXPECT_EQ(Text(java, lcComment).rfind("Looks for Java updates.", 0), 0u)
        << Text(java, lcComment);
    EXPECT_EQ(Text(mine, lcRating), "0");
    // With no server chosen, Consult answers at once, as often as asked.
    const int pumps = seam.Pumps;
    form->btnConsultClick();
    form->btnConsultClick();
    EXPECT_TRUE(seam.Messages.empty()) << seam.Messages[0];
    EXPECT_EQ(seam.Pumps, pumps) << "nothing waited on the network";
    // A chosen server's answer wins for the row it knows; the list keeps the rest.
    TLoopbackServer server(
        {{Answer("<r><i idx=\"" + std::to_string(mine) + "\" rating=\"3\">Ours.</i></r>")}, true});
    UseServer(server);
    form->btnConsultClick();
    ASSERT_TRUE(seam.Messages.empty()) << seam.Messages[0];
    EXPECT_EQ(Text(RowOf("My Own Tool"), lcComment), "Ours.");
    EXPECT_EQ(form->EntryList().RowEntry(RowOf("My Own Tool"))->Verdict.Source,
              "http://127.0.0.1:" + std::to_string(server.Port()));
    EXPECT_EQ(form->EntryList().RowEntry(RowOf("SunJavaUpdateSched"))->Rating, 2);
}

TEST_F(ConsultUiTest, SecondConsultWithin30SecondsIsRefused) {
    SeedTwo();
    Open();
    {
        TLoopbackServer server({{Answer("<r><i idx=\"0\" rating=\"3\">first</i></r>")}, true});
        UseServer(server);
        seam.Tick = 1000;
        form->btnConsultClick();
        ASSERT_TRUE(seam.Messages.empty());
        EXPECT_EQ(form->ConsultCommand().LastConsultTick, 1000u);
    }
    // Nobody listens now: a refused Consult never tries.
    seam.Tick = 30999;
    int pumps = seam.Pumps;
    form->btnConsultClick();
    ASSERT_EQ(seam.Messages.size(), 1u);
    EXPECT_EQ(seam.Messages[0], ConsultWaitMessage);
    EXPECT_EQ(seam.Pumps, pumps);
    EXPECT_FALSE(form->Busy().Active());
    // At 30000 ms it runs again, and the 30 seconds count from its end.
    TLoopbackServer again({{Answer("<r><i idx=\"0\" rating=\"4\">second</i></r>")}, true});
    UseServer(again);
    seam.Tick = 31000;
    form->btnConsultClick();
    EXPECT_EQ(seam.Messages.size(), 1u);
    EXPECT_EQ(form->EntryList().RowEntry(0)->Comment, "second");
    // The tick count wraps after 49.7 days.
    form->ConsultCommand().LastConsultTick = 0xFFFFF000u;
    seam.Tick = 0x100;
    form->btnConsultClick();
    ASSERT_EQ(seam.Messages.size(), 2u);
    EXPECT_EQ(seam.Messages[1], ConsultWaitMessage);
}

TEST_F(ConsultUiTest, CommandsThatMoveRowsAreRefusedWhileWaiting) {
    SeedTwo();
    Open();
    TStartup* first = form->EntryList().RowEntry(0);
    TStartup* second = form->EntryList().RowEntry(1);
    // The second row is unticked, so that Remove would take it.
    form->EntryList().SetRowChecked(1, false);
    ListView_SetItemState(form->ListHandle(), 1, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
    TLoopbackServer server(
        {{Answer("<r><i idx=\"0\" rating=\"4\">zero</i><i idx=\"1\" rating=\"1\">one</i></r>")},
         true});
    UseServer(server);
    bool tried = false;
    seam.WhileWaiting = [&] {
        tried = true;
        EXPECT_TRUE(form->ConsultCommand().Consulting());
        form->btnRefreshClick();
        form->EntryList().lvStartupListColumnClick(0);
        form->EntryList().lvStartupListColumnClick(0);
        form->Remove1Click();
        TreeView_SelectItem(form->TreeHandle(), form->Node(1));
        form->tvStartupFoldersClick();
        form->btnConsultClick();
        PostMessageA(form->Handle(), WM_CLOSE, 0, 0);
        Pump();
        EXPECT_TRUE(IsWindow(form->Handle()));
        EXPECT_EQ(form->EntryList().RowCount(), 2);
        EXPECT_EQ(form->EntryList().RowEntry(0), first);
        EXPECT_EQ(form->EntryList().RowEntry(1), second);
    };
    form->btnConsultClick();
    ASSERT_TRUE(tried);
    EXPECT_TRUE(seam.Messages.empty()) << seam.Messages[0];
    EXPECT_EQ(first->Comment, "zero");
    EXPECT_EQ(first->Rating, 4);
    EXPECT_EQ(second->Comment, "one");
    EXPECT_EQ(form->SelectedNode(), 0);
    // The close asked for while waiting happens once the command is over.
    Pump();
    EXPECT_FALSE(IsWindow(form->Handle()));
}

TEST_F(ConsultUiTest, FailureSaysWhyAndLeavesTheNextConsultFree) {
    SeedTwo();
    Open();
    const std::string away = "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort());
    UseServer(away);
    form->btnConsultClick();
    ASSERT_EQ(seam.Messages.size(), 1u);
    const std::string expected = std::string(FailureMessage) + "\nthe rating server " + away +
                                 " could not be reached: cannot reach 127.0.0.1:";
    EXPECT_EQ(seam.Messages[0].rfind(expected, 0), 0u) << seam.Messages[0];
    // What Morvane's own list says stays.
    const int java = RowOf("SunJavaUpdateSched");
    ASSERT_GE(java, 0);
    EXPECT_EQ(form->EntryList().RowEntry(java)->Rating, 2);
    EXPECT_EQ(form->EntryList().RowEntry(java)->Verdict.Source.rfind("Morvane's list, version ", 0), 0u);
    EXPECT_FALSE(form->ConsultCommand().HasConsulted);
    EXPECT_FALSE(form->Busy().Active());
    EXPECT_EQ(form->EntryList().RowCount(), 2);
    {
        TLoopbackServer notFound({{"HTTP/1.0 404 Not Found\r\n\r\n"}, true});
        UseServer(notFound);
        form->btnConsultClick();
        ASSERT_EQ(seam.Messages.size(), 2u);
        EXPECT_EQ(seam.Messages[1],
                  std::string(FailureMessage) + "\nthe server answered HTTP 404 Not Found");
    }
    // A node without "idx" ends the exchange; the item before it stays.
    TLoopbackServer partial(
        {{Answer("<r><i idx=\"0\" rating=\"3\">kept</i> <i idx=\"1\" rating=\"1\"/></r>")}, true});
    UseServer(partial);
    form->btnConsultClick();
    ASSERT_EQ(seam.Messages.size(), 3u);
    EXPECT_EQ(seam.Messages[2], std::string(FailureMessage) + "\nanswer item 2 has no \"idx\"");
    EXPECT_EQ(form->EntryList().RowEntry(0)->Comment, "kept");
    EXPECT_EQ(Text(0, lcComment), "kept");
}

TEST_F(ConsultUiTest, OptionsStoreTheChosenServerAndProxy) {
    auto command = [](HWND dialog, int id) {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    };
    seam.OnDialog = [&](HWND dialog) {
        char caption[64] = {};
        GetWindowTextA(dialog, caption, sizeof caption);
        EXPECT_STREQ(caption, "Options");
        HWND list = GetDlgItem(dialog, TfrmOptions::idServers);
        EXPECT_EQ(ListView_GetItemCount(list), 1);
        SetWindowTextA(GetDlgItem(dialog, TfrmOptions::idNewServer), "ftp://nowhere");
        command(dialog, TfrmOptions::idAddServer);
        EXPECT_EQ(ListView_GetItemCount(list), 1);
        SetWindowTextA(GetDlgItem(dialog, TfrmOptions::idNewServer), "http://ratings.corp:8080/");
        command(dialog, TfrmOptions::idAddServer);
        EXPECT_EQ(ListView_GetItemCount(list), 2);
        EXPECT_NE(ListView_GetCheckState(list, 1), 0u);
        EXPECT_EQ(ListView_GetCheckState(list, 0), 0u);
        SendMessageA(GetDlgItem(dialog, TfrmOptions::idEnableProxy), BM_SETCHECK, BST_CHECKED, 0);
        command(dialog, TfrmOptions::idEnableProxy);
        SetWindowTextA(GetDlgItem(dialog, TfrmOptions::idProxyAddress), "proxy.corp");
        SetWindowTextA(GetDlgItem(dialog, TfrmOptions::idProxyPort), "3128");
        command(dialog, IDOK);
    };
    EXPECT_EQ(ShowOptionsDialog(nullptr), IDOK);
    ASSERT_EQ(seam.Messages.size(), 1u);
    EXPECT_EQ(seam.Messages[0].rfind("This is not a rating server address", 0), 0u);
    TConsultSettings stored = ReadConsultSettings();
    EXPECT_EQ(stored.Server, "http://ratings.corp:8080");
    EXPECT_EQ(stored.Proxy, "proxy.corp:3128");
    EXPECT_EQ(ReadUserServers(), std::vector<std::string>{"http://ratings.corp:8080"});

    // Reopened: the list and the proxy as stored; removing the chosen server
    // goes back to the built-in one, and a bad port is refused.
    seam.OnDialog = [&](HWND dialog) {
        HWND list = GetDlgItem(dialog, TfrmOptions::idServers);
        EXPECT_EQ(ListView_GetItemCount(list), 2);
        EXPECT_NE(ListView_GetCheckState(list, 1), 0u);
        EXPECT_EQ(SendMessageA(GetDlgItem(dialog, TfrmOptions::idEnableProxy), BM_GETCHECK, 0, 0),
                  BST_CHECKED);
        ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
        command(dialog, TfrmOptions::idRemoveServer);
        EXPECT_EQ(ListView_GetItemCount(list), 1);
        EXPECT_NE(ListView_GetCheckState(list, 0), 0u);
        SetWindowTextA(GetDlgItem(dialog, TfrmOptions::idProxyPort), "0");
        command(dialog, IDOK);
        SendMessageA(GetDlgItem(dialog, TfrmOptions::idEnableProxy), BM_SETCHECK, BST_UNCHECKED, 0);
        command(dialog, TfrmOptions::idEnableProxy);
        command(dialog, IDOK);
    };
    seam.Messages.clear();
    EXPECT_EQ(ShowOptionsDialog(nullptr), IDOK);
    ASSERT_EQ(seam.Messages.size(), 1u);
    EXPECT_EQ(seam.Messages[0], "Give the proxy server's address and a port from 1 to 65535.");
    stored = ReadConsultSettings();
    EXPECT_EQ(stored.Server, "");
    EXPECT_FALSE(stored.HasServer());
    EXPECT_EQ(stored.Proxy, "none");
    EXPECT_TRUE(ReadUserServers().empty());
}

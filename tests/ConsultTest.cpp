// The consultation: the request list, the answer applied to the rows, the
// settings and the proxy from "Internet Settings", and the whole exchange
// against a loopback server. Natively the registry is the in-memory one;
// under Wine it is the throw-away prefix's HKCU (values put back after).

#include "online/Consult.h"

#include "core/startupUtil.h"
#include "core/system/Files.h"
#include "online/formencoder.h"
#include "support/LoopbackServer.h"
#include "support/Seed.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

const char* const InternetSettings =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

class ConsultTest : public ::testing::Test {
protected:
    void SetUp() override {
        seed::ResetPlatform();
        startups_ = std::make_unique<TStartups>();
    }
    void TearDown() override {
        for (const char* name : {"ProxyEnable", "ProxyServer", "ProxyOverride"})
            seed::DeleteRaw(RegRoot::CurrentUser, InternetSettings, name);
        for (const char* name : {"RatingServer", "RatingProxy", "RatingServers"})
            seed::DeleteRaw(RegRoot::CurrentUser, "Software\\Morvane", name);
    }

    TStartup* Add(const std::string& title, const std::string& path) {
        TStartup* e = startups_->Add(title, path, "\"" + path + "\" /tray", slCURun, 0);
        e->FilePath = path;
        rows_.push_back(e);
        return e;
    }
    TEntryRows Rows() const { return TEntryRows(rows_); }

    // Applies an answer; returns the failure's reason, empty on success.
    std::string Apply(const std::string& answer) {
        try {
            ApplyAnswer(*ParseAnswer(answer), Rows(), "http://ratings.test");
        } catch (const EConsultError& e) {
            return e.what();
        }
        return {};
    }

    static void PutText(const char* name, const std::string& text) {
        seed::SetRaw(RegRoot::CurrentUser, InternetSettings, name, regSz, text + '\0');
    }
    static void PutDword(const char* name, uint32_t value) {
        std::string data(sizeof value, '\0');
        std::memcpy(data.data(), &value, sizeof value);
        seed::SetRaw(RegRoot::CurrentUser, InternetSettings, name, regDword, data);
    }

    std::unique_ptr<TStartups> startups_;
    std::vector<TStartup*> rows_;
};

} // namespace

TEST_F(ConsultTest, RequestListRunsTitleThenFileNamePerRow) {
    Add("Sound Mixer", "C:\\Program Files\\Mix\\mixer.exe");
    Add("Updater", "D:\\tools\\upd-2.exe");
    int pumped = 0;
    TStringList list = BuildRequestList(Rows(), [&] { ++pumped; });
    EXPECT_EQ(list.Text(),
              "t[0]=Sound Mixer\r\ne[0]=mixer.exe\r\nt[1]=Updater\r\ne[1]=upd-2.exe\r\n");
    EXPECT_EQ(pumped, 2);
    EXPECT_EQ(EncodeFormFields(list),
              "t%5B0%5D=Sound+Mixer&e%5B0%5D=mixer%2Eexe&t%5B1%5D=Updater&e%5B1%5D=upd%2D2%2Eexe");
}

TEST_F(ConsultTest, ProgramFileNameIsAfterTheLastBackslashOrColon) {
    EXPECT_EQ(ProgramFileName("C:\\a\\b.exe"), "b.exe");
    EXPECT_EQ(ProgramFileName("C:b.exe"), "b.exe");
    EXPECT_EQ(ProgramFileName("plain.exe"), "plain.exe");
    EXPECT_EQ(ProgramFileName("C:\\folder\\"), "");
    EXPECT_EQ(ProgramFileName(""), "");
}

TEST_F(ConsultTest, SampleAnswerSetsRatingsAndComments) {
    TStartup* mixer = Add("Sound Mixer", "C:\\Program Files\\Mix\\mixer.exe");
    TStartup* updater = Add("Updater", "D:\\tools\\upd-2.exe");
    mixer->SetComment("old");
    EXPECT_EQ(Apply("<answer><item idx=\"1\" rating=\"3\">Tray icon manager</item>"
                    "<item idx=\"0\" rating=\"0\"/></answer>"),
              "");
    EXPECT_EQ(updater->Rating, 3);
    EXPECT_EQ(updater->Comment, "Tray icon manager");
    EXPECT_EQ(updater->DetailComment, "Tray icon manager");
    EXPECT_EQ(mixer->Rating, 0);
    EXPECT_EQ(mixer->Comment, "");
    EXPECT_TRUE(startups_->Modified);
}

TEST_F(ConsultTest, CommentKeepsWhitespaceAndDecodesEntities) {
    TStartup* a = Add("A", "a.exe");
    EXPECT_EQ(Apply("<r><i idx=\"0\" rating=\"2\">\n  x &lt;b&gt; <![CDATA[&raw]]> y \n</i></r>"),
              "");
    EXPECT_EQ(a->Comment, "\n  x <b> &raw y \n");
}

TEST_F(ConsultTest, CommentsInTheAnsiCodePageOrInUtf8BecomeUtf8) {
    TStartup* a = Add("A", "a.exe");
    TStartup* b = Add("B", "b.exe");
    // windows-1252, as an older server sends it, and UTF-8.
    EXPECT_EQ(Apply("<r><i idx=\"0\" rating=\"1\">Caf\xE9 \x80</i>"
                    "<i idx=\"1\" rating=\"1\">Caf\xC3\xA9 \xE4\xB8\xAD</i></r>"),
              "");
    EXPECT_EQ(a->Comment, "Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(a->DetailComment, a->Comment);
    EXPECT_EQ(b->Comment, "Caf\xC3\xA9 \xE4\xB8\xAD");
}

TEST_F(ConsultTest, UnmentionedRowsAndSameRatingsChangeNothing) {
    TStartup* a = Add("A", "a.exe");
    TStartup* b = Add("B", "b.exe");
    b->SetComment("kept");
    startups_->Modified = false;
    EXPECT_EQ(Apply("<r><i idx=\"0\" rating=\"0\">only a comment</i></r>"), "");
    EXPECT_EQ(a->Comment, "only a comment");
    EXPECT_EQ(b->Comment, "kept");
    EXPECT_FALSE(startups_->Modified);
    EXPECT_EQ(Apply("<r></r>"), "");
}

TEST_F(ConsultTest, LaterItemForTheSameRowWinsAndSecondRootIsIgnored) {
    TStartup* a = Add("A", "a.exe");
    EXPECT_EQ(Apply("<r><i idx='0' rating='1'>first</i>\n<i idx='0' rating='4'>second</i></r>"
                    "<r2><i idx='0' rating='2'>never</i></r2>"),
              "");
    EXPECT_EQ(a->Rating, 4);
    EXPECT_EQ(a->Comment, "second");
}

TEST_F(ConsultTest, ItemWithoutIdxFailsAndEarlierRowsStayApplied) {
    TStartup* a = Add("A", "a.exe");
    TStartup* b = Add("B", "b.exe");
    // Items separated by single spaces: the space is a text node without "idx".
    EXPECT_EQ(Apply("<r><i idx=\"0\" rating=\"3\">a</i> <i idx=\"1\" rating=\"1\">b</i></r>"),
              "answer item 2 has no \"idx\"");
    EXPECT_EQ(a->Rating, 3);
    EXPECT_EQ(b->Rating, 0);
    EXPECT_EQ(Apply("<r><!-- note --><i idx=\"1\" rating=\"1\"/></r>"),
              "answer item 1 has no \"idx\"");
}

TEST_F(ConsultTest, BadIndexOrRatingSaysWhich) {
    Add("A", "a.exe");
    EXPECT_EQ(Apply("<r><i idx=\"x1\" rating=\"3\"/></r>"),
              "answer item 1: \"idx\" is not a number: \"x1\"");
    EXPECT_EQ(Apply("<r><i idx=\"1\" rating=\"3\"/></r>"),
              "answer item 1 names row 1, but the list has 1 rows");
    EXPECT_EQ(Apply("<r><i idx=\"-1\" rating=\"3\"/></r>"),
              "answer item 1 names row -1, but the list has 1 rows");
    EXPECT_EQ(Apply("<r><i idx=\"0\"/></r>"), "answer item 1 has no \"rating\"");
    EXPECT_EQ(Apply("<r><i idx=\"0\" rating=\"99999999999\"/></r>"),
              "answer item 1: \"rating\" is not a number: \"99999999999\"");
}

// The failure is worded in English; the XML reader's own message (in its
// own language) is only the detail.
TEST_F(ConsultTest, MalformedAnswerNamesTheByteAndKeepsTheReadersWordsApart) {
    Add("A", "a.exe");
    const std::string prefix = "the server's answer is not well-formed XML (at byte ";
    std::string why;
    std::string detail;
    try {
        ParseAnswer("<r><i idx=\"0\" rating=\"1\">x</j></r>");
    } catch (const EConsultError& e) {
        why = e.what();
        detail = e.Detail;
    }
    ASSERT_EQ(why.rfind(prefix, 0), 0u) << why;
    EXPECT_EQ(why.back(), ')') << why;
    for (unsigned char c : why)
        EXPECT_LT(c, 0x80) << why;
    std::size_t n = std::stoul(why.substr(prefix.size()));
    EXPECT_GE(n, 30u);
    EXPECT_LE(n, 36u);
    EXPECT_FALSE(detail.empty());
    EXPECT_EQ(why.find(detail), std::string::npos);
    EXPECT_EQ(Apply(""), "the answer is empty");
    EXPECT_EQ(Apply("<?xml version=\"1.0\"?><!-- nothing -->"), "the answer has no root element");
}

TEST_F(ConsultTest, SettingsRoundTripWithDefaults) {
    TConsultSettings none = ReadConsultSettings();
    EXPECT_FALSE(none.HasServer());
    EXPECT_EQ(none.Proxy, "system");
    TConsultSettings mine{"http://ratings.corp:8080", "none"};
    ASSERT_TRUE(WriteConsultSettings(mine));
    TConsultSettings back = ReadConsultSettings();
    EXPECT_EQ(back.Server, "http://ratings.corp:8080");
    EXPECT_EQ(back.Proxy, "none");
    ASSERT_TRUE(WriteUserServers({"http://a:1", "", "bad;one", "http://b"}));
    EXPECT_EQ(ReadUserServers(), (std::vector<std::string>{"http://a:1", "http://b"}));
}

TEST_F(ConsultTest, ProxyChoiceForms) {
    EXPECT_TRUE(ValidProxyChoice("system"));
    EXPECT_TRUE(ValidProxyChoice("NONE"));
    EXPECT_TRUE(ValidProxyChoice("proxy.corp:3128"));
    EXPECT_FALSE(ValidProxyChoice("proxy.corp"));
    EXPECT_FALSE(ValidProxyChoice("http://proxy.corp:3128"));
    EXPECT_EQ(ChooseProxy("proxy.corp:3128", "x").Text(), "proxy.corp:3128");
    EXPECT_TRUE(ChooseProxy("none", "x").Empty());
    EXPECT_THROW(ChooseProxy("no proxy", "x"), EConsultError);
}

TEST_F(ConsultTest, SystemProxyFollowsInternetSettings) {
    EXPECT_TRUE(SystemProxyFor("ratings.example").Empty());
    PutText("ProxyServer", "https=s:443;http=h.corp:8080");
    PutDword("ProxyEnable", 0);
    EXPECT_TRUE(SystemProxyFor("ratings.example").Empty());
    PutDword("ProxyEnable", 1);
    EXPECT_EQ(SystemProxyFor("ratings.example").Text(), "h.corp:8080");
    // A text value counts as its number.
    PutText("ProxyEnable", "1");
    EXPECT_EQ(SystemProxyFor("ratings.example").Text(), "h.corp:8080");
    PutText("ProxyEnable", "yes");
    EXPECT_TRUE(SystemProxyFor("ratings.example").Empty());
    PutDword("ProxyEnable", 1);
    PutText("ProxyOverride", "*.example;<local>");
    EXPECT_TRUE(SystemProxyFor("ratings.example").Empty());
    EXPECT_TRUE(SystemProxyFor("intranet").Empty());
    EXPECT_FALSE(SystemProxyFor("ratings.org").Empty());
    EXPECT_EQ(ChooseProxy("system", "ratings.org").Text(), "h.corp:8080");
}

TEST_F(ConsultTest, ExchangeWritesBothFilesAndApplies) {
    TStartup* a = Add("Sound Mixer", "C:\\Mix\\mixer.exe");
    const std::string answer = "<r><i idx=\"0\" rating=\"4\">Needed</i></r>";
    TLoopbackServer server({{"HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(answer.size()) +
                             "\r\n\r\n" + answer},
                            true,
                            false});
    TConsultOptions options;
    options.Settings.Server = "http://127.0.0.1:" + std::to_string(server.Port());
    options.Settings.Proxy = "none";
    TConsultTimings timings;
    options.Timings = &timings;
    Consult(Rows(), options);
    EXPECT_EQ(a->Rating, 4);
    EXPECT_EQ(timings.Items, 1);
    std::string post;
    std::string cache;
    ASSERT_TRUE(ReadWholeFile(PathJoin(TempFolder(), "post.dat.tmp"), post));
    ASSERT_TRUE(ReadWholeFile(PathJoin(TempFolder(), "cache.xml.tmp"), cache));
    EXPECT_EQ(post, "t[0]=Sound Mixer\r\ne[0]=mixer.exe\r\n");
    EXPECT_EQ(cache, answer);
    std::string request = server.Request();
    EXPECT_EQ(request.substr(request.size() - timings.RequestBytes),
              "t%5B0%5D=Sound+Mixer&e%5B0%5D=mixer%2Eexe");
}

TEST_F(ConsultTest, ExchangeFailuresSayWhy) {
    Add("A", "a.exe");
    TConsultOptions options;
    options.Settings.Proxy = "none";
    auto reason = [&]() -> std::string {
        try {
            Consult(Rows(), options);
        } catch (const EConsultError& e) {
            return e.what();
        }
        return "no failure";
    };
    {
        TLoopbackServer server({{"HTTP/1.0 404 Not Found\r\n\r\n"}, true, false});
        options.Settings.Server = "http://127.0.0.1:" + std::to_string(server.Port());
        EXPECT_EQ(reason(), "the server answered HTTP 404 Not Found");
    }
    options.Settings.Server = "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort());
    EXPECT_EQ(reason().rfind("the rating server " + options.Settings.Server +
                                 " could not be reached: cannot reach 127.0.0.1:",
                             0),
              0u);
    options.Settings.Server = "ftp://x";
    EXPECT_EQ(reason().rfind("the rating server address is wrong", 0), 0u);
}

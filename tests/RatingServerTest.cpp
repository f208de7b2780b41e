// The reference rating server in this process on a free loopback port,
// asked through Morvane's own HTTP client (the consultation) and through
// cpp-httplib's client (the pages).

#include "RatingServer.h"

#include "core/startupUtil.h"
#include "online/Consult.h"
#include "online/formencoder.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

namespace {

class RatingServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ =
            std::filesystem::temp_directory_path() /
            ("morvane-ratings-test-" +
             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".db");
        std::filesystem::remove(path_);
        store_ = std::make_unique<TRatingStore>(path_.string());
        InstallRatingService(server_, *store_, limits_, [this](const std::string& line) {
            std::lock_guard<std::mutex> lock(logMutex_);
            log_.push_back(line);
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        ASSERT_GT(port_, 0);
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        // A stop before the listening starts is lost, and the join would wait.
        while (!server_.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    void TearDown() override {
        server_.stop();
        if (thread_.joinable())
            thread_.join();
        store_.reset();
        std::filesystem::remove(path_);
    }

    // Posts a body to the consultation endpoint with Morvane's client.
    std::string Ask(const std::string& body) {
        THttpPost post;
        post.Server = THostPort{"127.0.0.1", static_cast<uint16_t>(port_)};
        post.Path = "/startexe3.php";
        post.ContentType = "application/x-www-form-urlencoded";
        post.Body = body;
        return HttpPost(post, THttpLimits{}, nullptr);
    }
    int StatusOf(const std::string& body) {
        try {
            Ask(body);
            return 200;
        } catch (const EHttpError& e) {
            return e.Status;
        }
    }
    httplib::Client Client() { return httplib::Client("127.0.0.1", port_); }
    size_t LogLines() {
        std::lock_guard<std::mutex> lock(logMutex_);
        return log_.size();
    }

    std::filesystem::path path_;
    std::unique_ptr<TRatingStore> store_;
    TServerLimits limits_;
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::mutex logMutex_;
    std::vector<std::string> log_;
};

} // namespace

TEST_F(RatingServerTest, ANewDatabaseHoldsTheBuiltInCatalogue) {
    EXPECT_EQ(store_->ProgramCount(), static_cast<int>(TCatalogue::Builtin().Records().size()));
    EXPECT_EQ(store_->CatalogueVersion(), TCatalogue::Builtin().Version());
}

namespace {

TContribution Contribution(const std::string& title, const std::string& file, int rating,
                           const std::string& comment) {
    TContribution c;
    c.Title = title;
    c.File = file;
    c.Rating = rating;
    c.Comment = comment;
    c.Remote = "127.0.0.1";
    return c;
}

TCatalogue Version(int n, const std::string& records) {
    return TCatalogue::Parse("catalogue-version = " + std::to_string(n) + "\n\n" + records);
}

} // namespace

TEST_F(RatingServerTest, ANewerCatalogueKeepsContributionsAndTheAdministratorsRows) {
    const std::filesystem::path path = path_.string() + ".upgrade";
    std::filesystem::remove(path);
    {
        TRatingStore db(path.string(),
                        Version(1, "program = old.exe\nrating = 2\ncomment = Old.\n\n"
                                   "program = mine.exe\nrating = 2\ncomment = Theirs.\n"));
        db.AddContribution(Contribution("Mine", "mine.exe", 1, "Junk here."));
        const TProgram set = db.SetProgram("mine.exe", 4, "Ours.");
        EXPECT_TRUE(set.Admin);
        EXPECT_EQ(db.ProgramCount(), 2);
    }
    {
        TRatingStore db(path.string(),
                        Version(2, "program = new.exe\ntitles = New\nrating = 3\ncomment = New.\n\n"
                                   "program = mine.exe\nrating = 1\ncomment = Newer theirs.\n"));
        EXPECT_EQ(db.CatalogueVersion(), 2);
        EXPECT_FALSE(db.Lookup("old.exe", "")) << "gone from the catalogue, gone from the answers";
        ASSERT_TRUE(db.Lookup("", "new"));
        const auto mine = db.Lookup("MINE.EXE", "");
        ASSERT_TRUE(mine);
        EXPECT_EQ(mine->Comment, "Ours.") << "the administrator's row answers first";
        ASSERT_EQ(db.Contributions().size(), 1u);
        EXPECT_EQ(db.Contributions()[0].Status, "pending");
        EXPECT_EQ(db.AdminPrograms().size(), 1u);
    }
    {
        // The same version again changes nothing.
        TRatingStore db(path.string(),
                        Version(2, "program = other.exe\nrating = 3\ncomment = x\n"));
        EXPECT_TRUE(db.Lookup("new.exe", ""));
        EXPECT_FALSE(db.Lookup("other.exe", ""));
    }
    std::filesystem::remove(path);
}

TEST_F(RatingServerTest, TheAdministratorReviewsContributions) {
    const int64_t junk =
        store_->AddContribution(Contribution("Odd Tool", "oddtool.exe", 1, "Adware."));
    const int64_t silent =
        store_->AddContribution(Contribution("Quiet", "quiet.exe", -1, "No idea."));
    const int64_t spam = store_->AddContribution(Contribution("Spam", "spam.exe", 4, "Buy now"));
    EXPECT_FALSE(store_->Lookup("oddtool.exe", ""));

    const TProgram accepted = store_->Accept(junk, std::nullopt, std::nullopt);
    EXPECT_EQ(accepted.Rating, 1);
    EXPECT_EQ(accepted.Comment, "Adware.");
    EXPECT_EQ(accepted.Titles, std::vector<std::string>{"Odd Tool"});
    // The server answers with it at once, through the same matcher.
    EXPECT_NE(
        Ask("t%5B0%5D=x&e%5B0%5D=ODDTOOL%2EEXE").find("<program idx=\"0\" rating=\"1\">Adware."),
        std::string::npos);

    EXPECT_THROW(store_->Accept(junk, 2, std::nullopt), EStoreError) << "decided already";
    EXPECT_THROW(store_->Accept(silent, std::nullopt, std::nullopt), EStoreError) << "no rating";
    EXPECT_THROW(store_->Accept(silent, 5, std::nullopt), EStoreError);
    EXPECT_EQ(store_->Accept(silent, 3, std::string("A quiet helper.")).Comment, "A quiet helper.");
    store_->Reject(spam);
    EXPECT_THROW(store_->Reject(spam), EStoreError);
    EXPECT_THROW(store_->Reject(999999), EStoreError);
    EXPECT_FALSE(store_->Lookup("spam.exe", ""));
    EXPECT_EQ(store_->PendingContributions(), 0);

    // A catalogued program set by hand answers with the administrator's word.
    EXPECT_EQ(store_->SetProgram("CTFMON.EXE", 2, std::nullopt).Rating, 2);
    EXPECT_EQ(store_->Lookup("ctfmon.exe", "")->Rating, 2);
    EXPECT_THROW(store_->SetProgram("C:\\x\\a.exe", 2, std::nullopt), EStoreError);
    EXPECT_EQ(store_->AdminPrograms().size(), 3u);
}

TEST_F(RatingServerTest, KnownProgramsGetAnItemUnknownOnesNone) {
    EXPECT_EQ(Ask("t%5B0%5D=Unknown+thing&e%5B0%5D=nothing%2Eexe&t%5B1%5D=ctfmon&e%5B1%5D="
                  "CTFMON%2EEXE&t%5B2%5D=Skype&e%5B2%5D="),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<programs>"
              "<program idx=\"1\" rating=\"3\">Text input services: the language bar, "
              "handwriting and speech input. Keep it if you switch keyboard languages."
              "</program><program idx=\"2\" rating=\"3\">Skype; keep it if you want calls "
              "to reach you.</program></programs>\n");
    EXPECT_EQ(Ask(""), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<programs></programs>\n");
}

TEST_F(RatingServerTest, ConsultationAgainstTheServerFillsEntries) {
    TStartups startups;
    TStartup* java = startups.Add("SunJavaUpdateSched", "jusched.exe", "C:\\J\\jusched.exe", 8, 0);
    TStartup* mine = startups.Add("My Own Tool", "mine.exe", "C:\\T\\mine.exe", 8, 0);
    java->FilePath = "C:\\Program Files\\Java\\jusched.exe";
    mine->FilePath = "C:\\T\\mine.exe";
    mine->SetComment("kept");
    TConsultOptions options;
    options.Settings.Server = "http://127.0.0.1:" + std::to_string(port_);
    options.Settings.Proxy = "none";
    Consult(TEntryRows({java, mine}), options);
    EXPECT_EQ(java->Rating, 2);
    EXPECT_EQ(java->Comment.rfind("Looks for Java updates.", 0), 0u);
    EXPECT_EQ(mine->Rating, 0);
    EXPECT_EQ(mine->Comment, "kept");
}

namespace {

// The idx values of an answer's items, in document order.
std::vector<int> ItemIndexes(const std::string& answer) {
    std::vector<int> out;
    size_t at = 0;
    while ((at = answer.find("<program idx=\"", at)) != std::string::npos) {
        at += 14;
        out.push_back(std::stoi(answer.substr(at)));
    }
    return out;
}

} // namespace

TEST_F(RatingServerTest, LargeConsultationsAreAnsweredInFull) {
    // A machine with thousands of entries sends a body far over 8 KB; every
    // known row must still get its item, in row order.
    const int count = 5000;
    TStartups startups;
    std::vector<TStartup*> rows;
    for (int i = 0; i < count; ++i) {
        std::string file = i % 2 ? "ctfmon.exe" : "tool" + std::to_string(i) + ".exe";
        // ctfmon.exe where Windows keeps it: a copy elsewhere is a look-alike.
        std::string path = i % 2 ? "C:\\Windows\\System32\\" + file
                                 : "C:\\Apps\\" + std::to_string(i) + "\\" + file;
        TStartup* e = startups.Add("Program \xE9 " + std::to_string(i), file,
                                   path + " /" + std::to_string(i), 8, 0);
        ASSERT_NE(e, nullptr) << i;
        e->FilePath = path;
        rows.push_back(e);
    }
    std::string body = EncodeFormFields(BuildRequestList(TEntryRows(rows), nullptr));
    ASSERT_GT(body.size(), 200000u);
    std::string answer;
    ASSERT_NO_THROW(answer = Ask(body));
    std::vector<int> items = ItemIndexes(answer);
    ASSERT_EQ(items.size(), static_cast<size_t>(count / 2));
    for (size_t i = 0; i < items.size(); ++i)
        EXPECT_EQ(items[i], static_cast<int>(2 * i + 1));

    TConsultOptions options;
    options.Settings.Server = "http://127.0.0.1:" + std::to_string(port_);
    options.Settings.Proxy = "none";
    ASSERT_NO_THROW(Consult(TEntryRows(rows), options));
    EXPECT_EQ(rows[count - 1]->Rating, 3);
    EXPECT_EQ(rows[count - 2]->Rating, 0);
}

TEST_F(RatingServerTest, TenThousandRowsAreAnsweredTwentyThousandRefused) {
    auto bodyOf = [](int count) {
        std::string body;
        for (int i = 0; i < count; ++i)
            body += "t%5B" + std::to_string(i) + "%5D=Program+" + std::to_string(i) + "&e%5B" +
                    std::to_string(i) + "%5D=" +
                    (i % 3 ? "tool" + std::to_string(i) + "%2Eexe" : std::string("jusched.exe")) +
                    "&";
        return body;
    };
    std::string answer;
    ASSERT_NO_THROW(answer = Ask(bodyOf(10000)));
    std::vector<int> items = ItemIndexes(answer);
    ASSERT_EQ(items.size(), 3334u);
    EXPECT_EQ(items.back(), 9999);
    EXPECT_EQ(StatusOf(bodyOf(limits_.MaxRows + 1)), 413);
}

TEST_F(RatingServerTest, LargeContributionCommentIsStored) {
    // A comment of 4,000 accented letters is 12,000 bytes once encoded.
    std::string encoded;
    for (int i = 0; i < 4000; ++i)
        encoded += "%E9";
    auto sent = Client().Post("/mvo/contribute1.php", "t=Tool&e=tool.exe&comment=" + encoded,
                              "application/x-www-form-urlencoded");
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->status, 200);
    auto stored = store_->Contributions();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].Comment, std::string(4000, '\xE9'));
}

TEST_F(RatingServerTest, HostileConsultationsAreRefusedWithoutChanges) {
    int before = store_->ProgramCount();
    EXPECT_EQ(StatusOf("t%5B0%5D=ab%2"), 400);
    EXPECT_EQ(StatusOf("t%5B0%5D=%G1"), 400);
    EXPECT_EQ(StatusOf("t%5Bx1%5D=a"), 400);
    EXPECT_EQ(StatusOf("t%5B%5D=a"), 400);
    EXPECT_EQ(StatusOf("t%5B0%5D=" + std::string(2000, 'a')), 400);
    EXPECT_EQ(StatusOf("t%5B0%5D=a%01b"), 400);
    std::string many;
    for (int i = 0; i < 100000; ++i)
        many += "t%5B" + std::to_string(i) + "%5D=a&";
    EXPECT_EQ(StatusOf(many), 413);
    EXPECT_EQ(StatusOf(std::string(limits_.MaxBodyBytes + 10, 'a')), 413);
    // SQL and markup are data: no item, no change.
    std::string answer = Ask("t%5B0%5D=%27%3B+DROP+TABLE+programs%3B+--&e%5B0%5D=x%27+OR+%271%27"
                             "%3D%271&t%5B1%5D=%3Cscript%3E&e%5B1%5D=%25");
    EXPECT_EQ(answer.find("<program "), std::string::npos);
    EXPECT_EQ(store_->ProgramCount(), before);
    EXPECT_EQ(store_->PendingContributions(), 0);
}

TEST_F(RatingServerTest, ContributionIsStoredPendingReview) {
    auto client = Client();
    auto form = client.Get("/contribute2.php?t=Tray%3Cb%3E%20Tool&e=tray%2Eexe");
    ASSERT_TRUE(form);
    ASSERT_TRUE(form);
    EXPECT_EQ(form->status, 200);
    EXPECT_NE(form->body.find("value=\"Tray&lt;b&gt; Tool\""), std::string::npos);
    EXPECT_EQ(form->body.find("<b> Tool"), std::string::npos);
    auto sent = client.Post("/mvo/contribute1.php",
                            "t=Tray%3Cb%3E+Tool&e=tray.exe&rating=2&comment=%27%3B+DROP+TABLE+"
                            "contributions%3B+--",
                            "application/x-www-form-urlencoded");
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->status, 200);
    EXPECT_NE(sent->body.find("Tray&lt;b&gt; Tool"), std::string::npos);
    auto stored = store_->Contributions();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].Title, "Tray<b> Tool");
    EXPECT_EQ(stored[0].File, "tray.exe");
    EXPECT_EQ(stored[0].Rating, 2);
    EXPECT_EQ(stored[0].Comment, "'; DROP TABLE contributions; --");
    EXPECT_EQ(store_->PendingContributions(), 1);
    EXPECT_EQ(client.Get("/mvo/contribute1.php")->status, 200);
}

TEST_F(RatingServerTest, BadContributionsChangeNothing) {
    auto client = Client();
    const char* type = "application/x-www-form-urlencoded";
    EXPECT_EQ(client.Post("/mvo/contribute1.php", "t=A&rating=5", type)->status, 400);
    EXPECT_EQ(client.Post("/mvo/contribute1.php", "t=A&rating=x", type)->status, 400);
    EXPECT_EQ(client.Post("/mvo/contribute1.php", "t=A%zz", type)->status, 400);
    EXPECT_EQ(client.Post("/mvo/contribute1.php", "comment=only", type)->status, 400);
    EXPECT_EQ(client
                  .Post("/mvo/contribute1.php",
                        "t=A&comment=" + std::string(limits_.MaxCommentBytes + 1, 'c'), type)
                  ->status,
              400);
    EXPECT_EQ(client.Get("/contribute2.php?t=%4")->status, 400);
    EXPECT_EQ(store_->PendingContributions(), 0);
}

TEST_F(RatingServerTest, ProgramPagesAreReadOnlyAndEscaped) {
    auto client = Client();
    auto index = client.Get("/mvo");
    ASSERT_TRUE(index);
    EXPECT_EQ(index->status, 200);
    EXPECT_NE(index->body.find("ctfmon.exe"), std::string::npos);
    auto page = client.Get("/mvo/program/1");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find("Rating: "), std::string::npos);
    EXPECT_EQ(client.Get("/mvo/program/999999")->status, 404);
    EXPECT_EQ(client.Get("/mvo/program/1%27")->status, 404);
    EXPECT_EQ(client.Post("/mvo/program/1", "x", "text/plain")->status, 404);
}

TEST_F(RatingServerTest, EveryRequestIsLoggedInOneLine) {
    size_t before = LogLines();
    Ask("t%5B0%5D=a");
    StatusOf("t%5B0%5D=%zz");
    Client().Get("/no/such/page%0Ainjected");
    for (int i = 0; i < 500 && LogLines() < before + 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::lock_guard<std::mutex> lock(logMutex_);
    ASSERT_EQ(log_.size(), before + 3);
    EXPECT_NE(log_[before].find(" POST /startexe3.php 200 "), std::string::npos);
    EXPECT_NE(log_[before + 1].find(" POST /startexe3.php 400 "), std::string::npos);
    EXPECT_NE(log_[before + 2].find(" 404 "), std::string::npos);
    for (const std::string& line : log_)
        EXPECT_EQ(line.find('\n'), std::string::npos);
}

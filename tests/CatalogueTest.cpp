#include "catalogue/Catalogue.h"

#include "core/system/AsciiCase.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(Catalogue, BuiltInTextIsWholeAndClean) {
    const TCatalogue& c = TCatalogue::Builtin();
    for (const TCatalogueProblem& p : c.Problems())
        ADD_FAILURE() << p.Message;
    EXPECT_GE(c.Version(), 1);
    EXPECT_GE(c.Records().size(), 1000u);
    std::set<std::string> keys;
    for (const TCatalogueRecord& r : c.Records()) {
        const std::string where = "line " + std::to_string(r.Line) + " (" + r.Program + ")";
        EXPECT_TRUE(keys.insert(CatalogueKey(r)).second) << "a second record of " << where;
        EXPECT_FALSE(r.Comment.empty()) << where;
        EXPECT_LE(r.Comment.size(), TCatalogue::MaxTextLength) << where;
        EXPECT_LE(r.TurnOff.size(), TCatalogue::MaxTextLength) << where;
        for (const std::string* text : {&r.Program, &r.Comment, &r.TurnOff, &r.Publisher})
            EXPECT_EQ(text->find_first_of("<>"), std::string::npos) << "markup in " << where;
        EXPECT_EQ(r.Program.find_first_of("\\/:*"), std::string::npos)
            << "a program is a file name: " << where;
        if (c.IsGeneric(r.Program)) {
            EXPECT_FALSE(r.Folders.empty()) << "a generic name needs its folders: " << where;
        }
        for (const std::string& title : r.Titles)
            EXPECT_NE(title.find_first_not_of('*'), std::string::npos) << "a catch-all " << where;
    }
}

TEST(Catalogue, ProblemsNameTheirLineAndKeepTheRest) {
    const TCatalogue c = TCatalogue::Parse("\xEF\xBB\xBF"
                                           "catalogue-version = 7\n"
                                           "generic = Update.exe | helper.exe\n"
                                           "\n"
                                           "program = good.exe\n"
                                           "titles = Good | Good *\n"
                                           "rating = 3\n"
                                           "comment = Fine.\n"
                                           "\n"
                                           "program = high.exe\n"
                                           "rating = 5\n"
                                           "comment = Too high.\n"
                                           "\n"
                                           "program = silent.exe\n"
                                           "rating = 2\n"
                                           "comment =\n"
                                           "\r\n"
                                           "program = twice.exe\n"
                                           "rating = 2\n"
                                           "rating = 3\n"
                                           "comment = x\n"
                                           "odd line\n"
                                           "colour = red\n");
    EXPECT_EQ(c.Version(), 7);
    ASSERT_EQ(c.Records().size(), 2u);
    EXPECT_EQ(c.Records()[0].Program, "good.exe");
    EXPECT_EQ(c.Records()[0].Titles, (std::vector<std::string>{"Good", "Good *"}));
    EXPECT_EQ(c.Records()[1].Rating, 2) << "the second rating is refused, the first kept";
    std::vector<std::string> messages;
    for (const TCatalogueProblem& p : c.Problems())
        messages.push_back(p.Message);
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "line 10: a rating that is not 0 to 4: \"5\"",
                            "line 13: the record of \"silent.exe\" has no \"comment\"",
                            "line 19: \"rating\" given twice",
                            "line 21: a line without \"=\"",
                            "line 22: an unknown field \"colour\"",
                        }));
    EXPECT_TRUE(c.IsGeneric("UPDATE.EXE"));
    EXPECT_EQ(c.ByProgram("GOOD.EXE").size(), 1u);
    EXPECT_EQ(c.ByTitle("good 2.1").size(), 1u);
    EXPECT_TRUE(c.ByTitle("Goodness").empty());
}

TEST(Catalogue, WildcardsStandForAnyRun) {
    EXPECT_TRUE(WildcardMatch("MicrosoftEdgeAutoLaunch_*", "MicrosoftEdgeAutoLaunch_0F3A9C"));
    EXPECT_TRUE(
        WildcardMatch("*\\Discord\\app-*", "c:\\users\\a\\appdata\\local\\discord\\app-1.0.9"));
    EXPECT_TRUE(WildcardMatch("a*b*c", "aXXbYYbc"));
    EXPECT_TRUE(WildcardMatch("*", ""));
    EXPECT_FALSE(WildcardMatch("*\\Windows\\System32", "C:\\Windows\\System32\\evil"));
    EXPECT_FALSE(WildcardMatch("a*b", "aXXbc"));
}

} // namespace

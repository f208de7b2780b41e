#include "template/TemplateMarkers.h"
#include "template/TemplatePower.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// Opens the engine's tables to the tests.
class TTestTemplate : public TTemplatePower {
public:
    explicit TTestTemplate(Lines lines) { TemplateLines = std::move(lines); }

    // A block's elements in order: "C:" text, "V:" variable name, "B:" block name.
    Lines Elements(const std::string& block) {
        Lines elements;
        const TdefBlockKeys* keys = BlockKeys.GetItem(block);
        const TStringHash* store = BlockContents.GetItem(block);
        for (std::int64_t i = 0; i < keys->Count(); ++i) {
            const std::string& key = keys->GetKey(i);
            if (key[1] == 'B')
                elements.push_back("B:" + key.substr(3));
            else
                elements.push_back(key.substr(1, 2) + store->GetItem(key));
        }
        return elements;
    }

    bool HasBlock(const std::string& block) const { return BlockContents.Exists(block); }

    Lines Render() {
        Lines lines;
        WriteOutput(lines);
        return lines;
    }
};

Lines Page(Lines lines, const std::vector<std::pair<std::string, std::string>>& vars = {}) {
    TTestTemplate engine(std::move(lines));
    engine.Prepare();
    for (const auto& [name, value] : vars)
        engine.AssignVar(name, value);
    return engine.Render();
}

const std::string NotPrepared = "TemplatePower Error: Template is not prepared!";

std::string AlreadyDefined(const std::string& block) {
    return "TemplatePower Error: Block \"" + block +
           "\" is already defined, its second definition is ignored";
}

} // namespace

// --- Placeholders and text ------------------------------------------------

TEST(TemplateParsing, PlaceholderSplitsTheLine) {
    TTestTemplate engine({"Name: {name}"});
    engine.Prepare();
    EXPECT_EQ(engine.Elements("_ROOT"), (Lines{"C:Name: ", "V:name", "C:\r\n"}));
    engine.AssignVar("name", "Joe");
    EXPECT_EQ(engine.Render(), Lines{"Name: Joe"});
}

TEST(TemplateParsing, BracesThatAreNoPlaceholderStayText) {
    EXPECT_EQ(Page({"{ name }", "{}", "a{b", "x}y", "{a}b}c{"}, {{"name", "N"}, {"a", "A"}}),
              (Lines{"{ name }", "{}", "a{b", "x}y", "Ab}c{"}));

    TTestTemplate engine({"{{x}}"});
    engine.Prepare();
    EXPECT_EQ(engine.Elements("_ROOT"), (Lines{"C:{", "V:x", "C:}\r\n"}));
    engine.AssignVar("x", "X");
    EXPECT_EQ(engine.Render(), Lines{"{X}"});
}

TEST(TemplateParsing, StyleRuleBodyIsAPlaceholder) {
    // Any name without a blank is a placeholder, so CSS needs its blank.
    EXPECT_EQ(Page({"p {margin:0}", "p { margin:0 }"}), (Lines{"p ", "p { margin:0 }"}));
    EXPECT_EQ(Page({"p {margin:0}"}, {{"margin:0", "set"}}), Lines{"p set"});
}

TEST(TemplateParsing, EveryTextLineEndsWithOneLineBreak) {
    TTestTemplate engine({"", "a", "", "", "{v}", "{v}"});
    engine.Prepare();
    // Empty lines add their break to the chunk before them.
    EXPECT_EQ(engine.Elements("_ROOT"),
              (Lines{"C:\r\n", "C:a\r\n\r\n\r\n", "V:v", "C:\r\n", "V:v", "C:\r\n"}));
    EXPECT_EQ(engine.Render(), (Lines{"", "a", "", "", "", ""}));

    TTestTemplate firstEmpty({"", "x"});
    firstEmpty.Prepare();
    firstEmpty.Render();
    EXPECT_EQ(firstEmpty.OutputText(), "\r\nx\r\n");
}

TEST(TemplateParsing, EmptyTemplateGivesNoLines) {
    EXPECT_TRUE(Page({}).empty());
}

// --- Blocks ---------------------------------------------------------------

TEST(TemplateBlocks, NestedBlockTextNeverShowsAndMarkerLineIsConsumed) {
    TTestTemplate engine({"before {v}", "text <!-- START BLOCK : row --> more", "in {row}",
                          "<!-- END BLOCK : row --> trailing", "after"});
    engine.Prepare();
    engine.AssignVar("v", "V");
    engine.AssignVar("row", "R");
    EXPECT_EQ(engine.Render(), (Lines{"before V", "after"}));
    EXPECT_EQ(engine.Elements("_ROOT"),
              (Lines{"C:before ", "V:v", "C:\r\n", "B:row", "C:after\r\n"}));
    EXPECT_EQ(engine.Elements("row"), (Lines{"C:in ", "V:row", "C:\r\n"}));
}

TEST(TemplateBlocks, MarkerSyntaxIsExact) {
    TTestTemplate engine({"<!--START BLOCK : a-->", "in a", "<!--END BLOCK : a   -->",
                          "<!--  START BLOCK : b -->", "<!-- start BLOCK : c -->",
                          "<!-- START BLOCK : -->", "<!-- START BLOCK :d -->"});
    engine.Prepare();
    EXPECT_TRUE(engine.HasBlock("a"));
    // Two blanks after "<!--", lower case, a name of nothing, no blank after the colon.
    EXPECT_EQ(engine.Render(), (Lines{"<!--  START BLOCK : b -->", "<!-- start BLOCK : c -->",
                                      "<!-- START BLOCK : -->", "<!-- START BLOCK :d -->"}));
}

TEST(TemplateBlocks, EndNamingAnotherBlockOpensIt) {
    TTestTemplate engine(
        {"top", "<!-- END BLOCK : b -->", "in b", "<!-- END BLOCK : b -->", "after"});
    engine.Prepare();
    EXPECT_EQ(engine.Render(), (Lines{"top", "after"}));
    EXPECT_EQ(engine.Elements("b"), Lines{"C:in b\r\n"});

    // A misspelt END leaves the rest of the template inside the block.
    EXPECT_EQ(Page({"x", "<!-- START BLOCK : row -->", "r", "<!-- END BLOCK : rows -->", "y"}),
              Lines{"x"});
}

TEST(TemplateBlocks, UnterminatedBlockTakesTheRest) {
    TTestTemplate engine({"a", "<!-- START BLOCK : open -->", "b", "c"});
    engine.Prepare();
    EXPECT_EQ(engine.Render(), Lines{"a"});
    EXPECT_EQ(engine.Elements("open"), (Lines{"C:b\r\n", "C:c\r\n"}));
}

TEST(TemplateBlocks, MarkerNamingRootEndsTheTemplate) {
    EXPECT_EQ(Page({"a", "<!-- START BLOCK : _ROOT -->", "b"}), Lines{"a"});
    EXPECT_EQ(Page({"a", "<!-- END BLOCK :  _ROOT \t -->", "b"}), Lines{"a"});
}

TEST(TemplateBlocks, SecondDefinitionIsReportedAndSkipped) {
    TTestTemplate engine({"<!-- START BLOCK : row -->", "first {x}", "<!-- END BLOCK : row -->",
                          "between", "<!-- START BLOCK : row -->", "second",
                          "<!-- START BLOCK : inner -->", "deep", "<!-- END BLOCK : inner -->",
                          "<!-- END BLOCK : row -->", "end"});
    engine.Prepare();
    EXPECT_EQ(engine.Render(), (Lines{AlreadyDefined("row"), "between", "end"}));
    EXPECT_EQ(engine.Elements("row"), (Lines{"C:first ", "V:x", "C:\r\n"}));
    // A block opened inside the skipped definition is not defined either.
    EXPECT_FALSE(engine.HasBlock("inner"));
    EXPECT_EQ(engine.Elements("_ROOT"), (Lines{"B:row", "C:between\r\n", "C:end\r\n"}));
}

TEST(TemplateBlocks, RootOrOpenBlockNamedInsideABlockIsSkipped) {
    TTestTemplate engine({"a", "<!-- START BLOCK : row -->", "r1", "<!-- START BLOCK : _ROOT -->",
                          "lost", "<!-- END BLOCK : _ROOT -->", "r2", "<!-- START BLOCK : sub -->",
                          "<!-- START BLOCK : row -->", "x", "<!-- END BLOCK : row -->",
                          "<!-- END BLOCK : sub -->", "<!-- END BLOCK : row -->", "b"});
    engine.Prepare();
    EXPECT_EQ(engine.Render(), (Lines{AlreadyDefined("_ROOT"), AlreadyDefined("row"), "a", "b"}));
    EXPECT_EQ(engine.Elements("row"), (Lines{"C:r1\r\n", "C:r2\r\n", "B:sub"}));
    EXPECT_TRUE(engine.Elements("sub").empty());
}

TEST(TemplateBlocks, BlankBlockNameRaisesFromPrepare) {
    for (const char* marker :
         {"<!-- START BLOCK :   -->", "<!-- END BLOCK : \t -->", "<!-- INCLUDE BLOCK :  -->"}) {
        TTestTemplate engine({"a", marker, "b"});
        try {
            engine.Prepare();
            ADD_FAILURE() << marker;
        } catch (const EHashInvalidKeyError& e) {
            EXPECT_STREQ(e.what(), "Key cannot be an empty string");
        }
        EXPECT_EQ(engine.Render(), Lines{NotPrepared}) << marker;
    }

    // A failed Prepare after a good one leaves the engine unprepared, not
    // holding values for a root instance that is gone.
    TTestTemplate engine({"{x}"});
    engine.Prepare();
    engine.TemplateLines = {"<!-- START BLOCK :  -->"};
    EXPECT_THROW(engine.Prepare(), EHashInvalidKeyError);
    engine.AssignVar("x", "1");
    EXPECT_EQ(engine.Render(), (Lines{NotPrepared, NotPrepared}));
}

TEST(TemplateBlocks, IncludeAddsNothing) {
    TTestTemplate engine({"a", "<!-- INCLUDE BLOCK : other --> x", "b"});
    engine.Prepare();
    EXPECT_EQ(engine.Render(), (Lines{"a", "b"}));
    EXPECT_FALSE(engine.HasBlock("other"));
}

// --- REUSE ----------------------------------------------------------------

TEST(TemplateReuse, CopiesAnEarlierBlock) {
    TTestTemplate engine({"<!-- START BLOCK : row -->", "r {x}", "<!-- START BLOCK : cell -->",
                          "<!-- END BLOCK : cell -->", "<!-- END BLOCK : row -->",
                          "<!-- REUSE BLOCK :  row  AS  copy  -->",
                          "<!-- REUSE BLOCK : a AS b AS c -->"});
    engine.Prepare();
    EXPECT_EQ(engine.Elements("copy"), engine.Elements("row"));
    EXPECT_EQ(engine.Elements("_ROOT"), (Lines{"B:row", "B:copy"}));
    // The greedy source takes up to the last " AS ".
    EXPECT_EQ(engine.Render(),
              Lines{"TemplatePower Error: Can't find block \"a AS b\" to REUSE as \"c\""});
}

TEST(TemplateReuse, UndefinedSourceErrorComesFirst) {
    EXPECT_EQ(Page({"head {title}", "<!-- REUSE BLOCK : later AS copy -->", "tail",
                    "<!-- START BLOCK : later -->", "<!-- END BLOCK : later -->"},
                   {{"title", "T"}}),
              (Lines{"TemplatePower Error: Can't find block \"later\" to REUSE as \"copy\"",
                     "head T", "tail"}));
}

TEST(TemplateReuse, WithoutAsTheLineIsText) {
    TTestTemplate engine({"<!-- START BLOCK : row -->", "<!-- END BLOCK : row -->",
                          "x <!-- REUSE BLOCK : row {v} --> y"});
    engine.Prepare();
    engine.AssignVar("v", "V");
    EXPECT_EQ(engine.Elements("_ROOT"),
              (Lines{"B:row", "C:x <!-- REUSE BLOCK : row {v} --> y\r\n"}));
    EXPECT_EQ(engine.Render(), Lines{"x <!-- REUSE BLOCK : row {v} --> y"});
}

TEST(TemplateReuse, TargetThatIsAlreadyDefinedIsRefused) {
    TTestTemplate engine({"<!-- START BLOCK : row -->", "r", "<!-- END BLOCK : row -->",
                          "<!-- START BLOCK : other -->", "o",
                          "<!-- REUSE BLOCK : row AS other -->", "<!-- END BLOCK : other -->",
                          "<!-- REUSE BLOCK : row AS row -->",
                          "<!-- REUSE BLOCK : row AS _ROOT -->", "end"});
    engine.Prepare();
    const std::string refused = "TemplatePower Error: Can't REUSE block \"row\" as ";
    EXPECT_EQ(engine.Render(),
              (Lines{refused + "\"other\", block \"other\" is already defined",
                     refused + "\"row\", block \"row\" is already defined",
                     refused + "\"_ROOT\", block \"_ROOT\" is already defined", "end"}));
    EXPECT_EQ(engine.Elements("row"), Lines{"C:r\r\n"});
    EXPECT_EQ(engine.Elements("other"), Lines{"C:o\r\n"});
}

// --- IGNORE ---------------------------------------------------------------

TEST(TemplateIgnore, RegionsNestAndCopyLinesVerbatim) {
    EXPECT_EQ(Page({"<!-- END IGNORE -->", "a {x}", "<!-- START IGNORE -->",
                    "{x} <!-- START BLOCK : b -->", "<!--START IGNORE -->", "inner",
                    "<!-- END IGNORE -->", "still {x}", "<!-- END IGNORE -->", "{x}",
                    "<!--  START IGNORE -->", "<!-- start ignore -->"},
                   {{"x", "1"}}),
              (Lines{"a 1", "{x} <!-- START BLOCK : b -->", "inner", "still {x}", "1",
                     "<!--  START IGNORE -->", "<!-- start ignore -->"}));
}

TEST(TemplateIgnore, UnclosedRegionRunsToTheEnd) {
    TTestTemplate engine({"<!-- START IGNORE -->", "a", "<!-- END BLOCK : x -->", "b"});
    engine.Prepare();
    EXPECT_EQ(engine.Elements("_ROOT"),
              (Lines{"C:a\r\n", "C:<!-- END BLOCK : x -->\r\n", "C:b\r\n"}));
    EXPECT_FALSE(engine.HasBlock("x"));
}

// --- Variables and output -------------------------------------------------

TEST(TemplateFilling, RootPrefixAndDottedNames) {
    EXPECT_EQ(Page({"{title}"}, {{"_ROOT.title", "T"}}), Lines{"T"});
    EXPECT_EQ(Page({"{title}"}, {{"title", "first"}, {"title", "second"}}), Lines{"second"});
    // Two dots or more: the whole name is one root variable.
    EXPECT_EQ(Page({"{a.b.c}", "{a..}"}, {{"a.b.c", "ABC"}, {"a..", "dots"}}),
              (Lines{"ABC", "dots"}));
}

TEST(TemplateFilling, BlockVariableNeedsAnInstance) {
    TTestTemplate engine({"[{row.x}]", "<!-- START BLOCK : row -->", "<!-- END BLOCK : row -->"});
    engine.Prepare();
    engine.AssignVar("row.x", "v");
    EXPECT_EQ(engine.Render(),
              (Lines{"TemplatePower Error: Unable to assign var. Can't find block \"row\", you "
                     "must create the block first.",
                     "[]"}));

    try {
        engine.AssignVar("nope.x", "v");
        ADD_FAILURE();
    } catch (const EHashFindError& e) {
        EXPECT_STREQ(e.what(), "Key \"nope\" not found");
    }
    EXPECT_THROW(engine.AssignVar(".x", "v"), EHashInvalidKeyError);
}

TEST(TemplateFilling, ValuesAreInsertedAsTheyAre) {
    EXPECT_EQ(
        Page({"<p>{v}</p>"}, {{"v", "one\r\ntwo\nthree {x} <!-- START BLOCK : b -->"}, {"x", "X"}}),
        (Lines{"<p>one", "two", "three {x} <!-- START BLOCK : b --></p>"}));
}

TEST(TemplateFilling, WriteOutputAppendsToWhatCameBefore) {
    TTestTemplate engine({"a {x}", "b"});
    engine.Prepare();
    engine.AssignVar("x", "1");
    const Lines once = engine.Render();
    EXPECT_EQ(once, (Lines{"a 1", "b"}));
    EXPECT_EQ(engine.Render(), (Lines{"a 1", "b", "a 1", "b"}));

    // Prepare starts afresh: values, errors and text are gone.
    engine.TemplateLines = {"{x}"};
    engine.Prepare();
    EXPECT_EQ(engine.Render(), Lines{""});
}

TEST(TemplateFilling, UnpreparedEngineOnlyReports) {
    TTestTemplate engine({"{x}"});
    engine.AssignVar("x", "1");
    EXPECT_EQ(engine.Render(), (Lines{NotPrepared, NotPrepared}));
    EXPECT_EQ(engine.OutputText(), NotPrepared + "\r\n" + NotPrepared + "\r\n");
}

TEST(TemplateFilling, SplitString) {
    using P = TTemplatePowerParser;
    EXPECT_EQ(P::SplitString('.', ""), Lines{""});
    EXPECT_EQ(P::SplitString('.', "a"), Lines{"a"});
    EXPECT_EQ(P::SplitString('.', "a.b"), (Lines{"a", "b"}));
    EXPECT_EQ(P::SplitString('.', ".a."), (Lines{"", "a", ""}));
    EXPECT_EQ(P::SplitString('{', "{{"), (Lines{"", "", ""}));
}

// --- Robustness -------------------------------------------------------------

TEST(TemplateRobustness, LongLinesAndDeepNesting) {
    // A backtracking regular expression would recurse once per character here.
    const std::string name(1 << 20, 'n');
    const std::string filler(1 << 20, '-');
    TTestTemplate engine({"<!-- START BLOCK : " + name + " -->", "x",
                          "<!-- END BLOCK : " + name + " -->", filler + "<!-- START IGNORE",
                          "<!-- REUSE BLOCK : " + name + " AS " + name + "2-->"});
    engine.Prepare();
    EXPECT_TRUE(engine.HasBlock(name + "2"));
    EXPECT_EQ(engine.Render(), Lines{filler + "<!-- START IGNORE"});

    // Blocks nested thirty thousand deep, and as many open IGNORE regions.
    Lines deep;
    for (int i = 0; i < 30000; ++i)
        deep.push_back("<!-- START BLOCK : b" + std::to_string(i) + " -->");
    deep.push_back("x");
    for (int i = 0; i < 30000; ++i)
        deep.push_back("<!-- START IGNORE -->");
    EXPECT_TRUE(Page(deep).empty());
}

// The hand-written matchers give what a regular-expression engine gives.
TEST(TemplateMarkers, AgreeWithRegularExpressions) {
    const std::regex ignore("<!--[ ]?(START|END) IGNORE -->");
    const std::regex block("<!--[ ]?(START|END|INCLUDE|REUSE) BLOCK : (.+)-->");
    const std::regex reuse("(.+) AS (.+)");
    const std::vector<std::string> pieces{"<!--",
                                          "<!-- ",
                                          " ",
                                          "START",
                                          "END",
                                          "INCLUDE",
                                          "REUSE",
                                          " BLOCK : ",
                                          "-->",
                                          " IGNORE -->",
                                          "x",
                                          " AS ",
                                          "AS",
                                          "\r",
                                          "\n",
                                          "-",
                                          "<!-- START BLOCK : ",
                                          "<!-- END IGNORE -->",
                                          ":",
                                          "\t"};

    std::uint32_t seed = 12345;
    auto random = [&seed](std::uint32_t bound) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % bound;
    };
    for (int round = 0; round < 20000; ++round) {
        std::string line;
        const std::uint32_t count = random(12);
        for (std::uint32_t i = 0; i < count; ++i)
            line += pieces[random(static_cast<std::uint32_t>(pieces.size()))];

        std::smatch m;
        TIgnoreMarker expected = TIgnoreMarker::None;
        if (std::regex_search(line, m, ignore))
            expected = m[1] == "START" ? TIgnoreMarker::Start : TIgnoreMarker::End;
        ASSERT_EQ(MatchIgnoreMarker(line), expected) << line;

        const std::optional<TBlockMarker> marker = MatchBlockMarker(line);
        if (std::regex_search(line, m, block)) {
            ASSERT_TRUE(marker) << line;
            const char* keywords[] = {"START", "END", "INCLUDE", "REUSE"};
            EXPECT_EQ(m[1].str(), keywords[static_cast<int>(marker->Keyword)]) << line;
            EXPECT_EQ(m[2].str(), marker->Name) << line;
        } else {
            ASSERT_FALSE(marker) << line;
        }

        const std::optional<TReuseNames> names = MatchReuseNames(line);
        if (std::regex_search(line, m, reuse)) {
            ASSERT_TRUE(names) << line;
            EXPECT_EQ(m[1].str(), names->Source) << line;
            EXPECT_EQ(m[2].str(), names->Target) << line;
        } else {
            ASSERT_FALSE(names) << line;
        }
    }
}

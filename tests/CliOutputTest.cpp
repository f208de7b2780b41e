// The command-line tool's output: what scripts parse must survive any text
// an entry can carry, and the table must stay aligned.

#include "cli/CliOutput.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::vector<const TStartup*> Rows(const TStartups& s) {
    std::vector<const TStartup*> rows;
    for (int i = 0; i < s.Count(); ++i)
        rows.push_back(s.Items(i));
    return rows;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace

TEST(CliJson, EscapesQuotesBackslashesAndEveryControlCharacter) {
    EXPECT_EQ(JsonString("say \"hi\""), "\"say \\\"hi\\\"\"");
    EXPECT_EQ(JsonString("C:\\Program Files\\x.exe"), "\"C:\\\\Program Files\\\\x.exe\"");
    EXPECT_EQ(JsonString("a\r\nb\tc"), "\"a\\r\\nb\\tc\"");
    EXPECT_EQ(JsonString(std::string("\x01\x1f", 2)), "\"\\u0001\\u001f\"");
    // A NUL inside a value must not end the string early.
    EXPECT_EQ(JsonString(std::string("a\0b", 3)), "\"a\\u0000b\"");
    EXPECT_EQ(JsonString(""), "\"\"");
}

TEST(CliJson, PassesUtf8ThroughUnchanged) {
    const std::string text = "Programm f\xc3\xbcr \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80";
    EXPECT_EQ(JsonString(text), "\"" + text + "\"");
    // DEL is not a control character JSON requires escaped.
    EXPECT_EQ(JsonString("\x7f"), "\"\x7f\"");
}

// A registry name may hold a lone surrogate (here U+D800, kept as its
// three-byte form); strict decoders refuse a whole output that carries it.
TEST(CliJson, EscapesALoneSurrogateAndReplacesBytesThatAreNoUtf8) {
    EXPECT_EQ(JsonString("a\xED\xA0\x80z"), "\"a\\ud800z\"");
    EXPECT_EQ(JsonString("\xED\xBF\xBF"), "\"\\udfff\"");
    EXPECT_EQ(JsonString("cut \xE4\xB8"), "\"cut \\ufffd\\ufffd\"");
}

TEST(CliCsv, ListHoldsOnlyUtf8) {
    TStartups s;
    ASSERT_NE(s.Add("Odd\xED\xA0\x80", "", "C:\\x\\odd.exe", slCURun, 0), nullptr);
    for (Format format : {Format::Csv, Format::Table}) {
        const std::string out = FormatList(Rows(s), format);
        EXPECT_EQ(out.find("\xED\xA0\x80"), std::string::npos);
        EXPECT_NE(out.find("Odd\xEF\xBF\xBD"), std::string::npos) << out;
    }
}

TEST(CliCsv, QuotesOnlyFieldsWithSeparatorsQuotesOrLineBreaks) {
    EXPECT_EQ(CsvField("plain text; semicolons too"), "plain text; semicolons too");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvField("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(CsvField("cr\ronly"), "\"cr\ronly\"");
    EXPECT_EQ(CsvField(""), "");
}

TEST(CliCsv, EnabledStaysTheLastColumnOfEveryRow) {
    TStartups s;
    ASSERT_NE(s.Add("Tool, \"beta\"", "", "C:\\x\\tool.exe /a", slCURun, 0), nullptr);
    s.Items(0)->Enabled = true;
    const std::vector<std::string> lines = Lines(FormatList(Rows(s), Format::Csv));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(lines[0].size() - 8), "enabled\r");
    EXPECT_EQ(lines[1].rfind("\"Tool, \"\"beta\"\"\",", 0), 0u) << lines[1];
    EXPECT_EQ(lines[1].substr(lines[1].size() - 3), ",1\r");
}

TEST(CliList, EveryFormatCarriesWhoMadeTheProgram) {
    TStartups s;
    TStartup* e = s.Add("Fake", "", "C:\\x\\fake.exe", slCURun, 0);
    ASSERT_NE(e, nullptr);
    e->Verdict.Signature.State = TSignatureState::Untrusted;
    e->Verdict.Signature.Signer = "Self \"Made\"";
    e->Verdict.Signature.Company = "Maker, Inc.";
    e->Verdict.Signature.FileVersion = "1.0";
    e->Verdict.Signature.Sha256 = std::string(64, 'f');
    e->Verdict.LookAlike = true;
    e->Verdict.LookAlikeReason = "Not the real fake.exe.";
    const std::string json = FormatList(Rows(s), Format::Json);
    EXPECT_NE(json.find("\"publisher\": \"Maker, Inc. (not verified)\", \"signature\": "
                        "\"untrusted\", \"signer\": \"Self \\\"Made\\\"\", \"company\": "
                        "\"Maker, Inc.\", \"fileVersion\": \"1.0\", \"sha256\": \"" +
                        std::string(64, 'f') +
                        "\", \"lookAlike\": true, \"lookAlikeReason\": \"Not the real fake.exe.\""),
              std::string::npos)
        << json;
    const std::vector<std::string> lines = Lines(FormatList(Rows(s), Format::Csv));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find(",\"Maker, Inc. (not verified)\",untrusted,\"Self \"\"Made\"\"\","
                            "\"Maker, Inc.\",1.0," +
                            std::string(64, 'f') + ",1,Not the real fake.exe.,run,0,0,,1\r"),
              std::string::npos)
        << lines[1];
    const std::string xml = FormatList(Rows(s), Format::Xml);
    EXPECT_NE(xml.find("<signature>untrusted</signature>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<lookAlike>true</lookAlike>"), std::string::npos) << xml;

    // Unchecked, the fields are there and empty, so that a script's columns stay.
    TStartups plain;
    plain.Add("Plain", "", "C:\\x\\plain.exe", slCURun, 0);
    EXPECT_NE(FormatList(Rows(plain), Format::Json)
                  .find("\"publisher\": null, \"signature\": \"unchecked\", \"signer\": null"),
              std::string::npos);
}

TEST(CliJsonList, EmptyAndFilledListsAreArrays) {
    TStartups s;
    EXPECT_EQ(FormatList(Rows(s), Format::Json), "[]\n");
    ASSERT_NE(s.Add("A", "", "C:\\x\\a.exe", slCURun, 0), nullptr);
    const std::string json = FormatList(Rows(s), Format::Json);
    EXPECT_EQ(json.rfind("[\n {\"title\": \"A\"", 0), 0u) << json;
    EXPECT_NE(json.find("\"disabledBy\": null"), std::string::npos) << json;
    EXPECT_EQ(json.substr(json.size() - 4), "}\n]\n");
}

TEST(CliTable, TitleColumnFitsTheLongestTitleUpToForty) {
    TStartups s;
    ASSERT_NE(s.Add("Short", "", "C:\\x\\a.exe", slCURun, 0), nullptr);
    ASSERT_NE(s.Add(std::string(50, 'T'), "", "C:\\x\\b.exe", slCURun, 0), nullptr);
    const std::vector<std::string> lines = Lines(FormatList(Rows(s), Format::Table));
    ASSERT_GE(lines.size(), 3u);
    // The location column starts at the same place on every row.
    const size_t column = lines[0].find("Location");
    ASSERT_NE(column, std::string::npos);
    EXPECT_EQ(column, 4u + 40u + 2u);
    EXPECT_EQ(lines[1].find("CU Run"), column) << lines[1];
    EXPECT_NE(lines.back().find("2 entries"), std::string::npos);
}

TEST(CliRatings, NamesKnownRatingsAndMarksOthersUnrated) {
    EXPECT_EQ(RatingName(0), "Unknown");
    EXPECT_EQ(RatingName(4), "Required");
    EXPECT_EQ(RatingName(7), "Unrated (7)");
    EXPECT_EQ(RatingName(-1), "Unrated (-1)");
}

#include "template/HtmlText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(HtmlEscape, EscapesTheFiveMarkupCharacters) {
    EXPECT_EQ(HtmlEscape("a & b"), "a &amp; b");
    EXPECT_EQ(HtmlEscape("<script>alert(1)</script>"), "&lt;script&gt;alert(1)&lt;/script&gt;");
    EXPECT_EQ(HtmlEscape("say \"hi\""), "say &quot;hi&quot;");
    EXPECT_EQ(HtmlEscape("it's"), "it&#39;s");
}

TEST(HtmlEscape, LeavesOtherBytesAlone) {
    EXPECT_EQ(HtmlEscape(""), "");
    EXPECT_EQ(HtmlEscape("C:\\Program Files\\Tool\\tool.exe /q"),
              "C:\\Program Files\\Tool\\tool.exe /q");
    // Bytes of the ANSI code page (é, ü in Western European) stay as they are.
    EXPECT_EQ(HtmlEscape("caf\xe9 \xfc"), "caf\xe9 \xfc");
    EXPECT_EQ(HtmlEscape(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(HtmlEscape, EscapesAnAlreadyEscapedTextAgain) {
    // Values are text, not markup: an entity in a title shows as typed.
    EXPECT_EQ(HtmlEscape("&amp;"), "&amp;amp;");
}

TEST(HtmlToPlainText, DropsTagsAndKeepsTheText) {
    EXPECT_EQ(HtmlToPlainText("<b>Bold</b> and <i>italic</i>"), "Bold and italic");
    EXPECT_EQ(HtmlToPlainText("one<br>two<BR>three"), "one\r\ntwo\r\nthree");
    EXPECT_EQ(HtmlToPlainText("<p>first</p><p>second</p>"), "first\r\nsecond");
}

TEST(HtmlToPlainText, LeavesOutScriptStyleTitleAndComments) {
    EXPECT_EQ(HtmlToPlainText("<html><head><title>T</title><style>p { color: red }</style>"
                              "<script>var a = '<b>';</script></head>"
                              "<body><!-- saved from url=(0014)about:internet -->Page</body>"),
              "Page");
}

TEST(HtmlToPlainText, DecodesEntitiesAndFoldsBlanks) {
    EXPECT_EQ(HtmlToPlainText("a &amp; b &lt;c&gt; &quot;d&quot; &#39;e&#39; &#x41;"),
              "a & b <c> \"d\" 'e' A");
    EXPECT_EQ(HtmlToPlainText("  lots \r\n  of\t blanks  "), "lots of blanks");
    // Unknown or broken entities are text.
    EXPECT_EQ(HtmlToPlainText("&bogus; &#; &#99999; & x"), "&bogus; &#; &#99999; & x");
}

TEST(HtmlToPlainText, TableCellsAreSeparatedAndRowsEndLines) {
    EXPECT_EQ(HtmlToPlainText("<table><tr><th>File</th><td>a.exe</td></tr>"
                              "<tr><th>Args</th><td>/q</td></tr></table>"),
              "File a.exe\r\nArgs /q");
}

TEST(HtmlToPlainText, SurvivesUnfinishedMarkup) {
    EXPECT_EQ(HtmlToPlainText("text <b"), "text");
    EXPECT_EQ(HtmlToPlainText("<script>never closed"), "");
    EXPECT_EQ(HtmlToPlainText("<!-- open comment"), "");
    EXPECT_EQ(HtmlToPlainText("a > b"), "a > b");
}

TEST(HtmlToPlainText, GivesBackWhatHtmlEscapeHid) {
    const std::string hostile = "<script>alert(\"x\")</script> & 'more'";
    EXPECT_EQ(HtmlToPlainText("<td>" + HtmlEscape(hostile) + "</td>"), hostile);
}

} // namespace

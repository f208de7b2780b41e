#include "core/system/TextEscape.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TextEscape, EveryModeEscapesTheFiveMarkupCharacters) {
    const std::string hostile = "<b title=\"x\">Tom & Jerry's</b>";
    EXPECT_EQ(Escaped(hostile, TEscape::XmlText),
              "&lt;b title=&quot;x&quot;&gt;Tom &amp; Jerry&apos;s&lt;/b&gt;");
    EXPECT_EQ(Escaped(hostile, TEscape::XmlAttribute),
              "&lt;b title=&quot;x&quot;&gt;Tom &amp; Jerry&apos;s&lt;/b&gt;");
    // HTML 4 and the older modes of the system's HTML view know no &apos;.
    EXPECT_EQ(Escaped(hostile, TEscape::Html),
              "&lt;b title=&quot;x&quot;&gt;Tom &amp; Jerry&#39;s&lt;/b&gt;");
    // An entity already in the text is escaped again, not kept.
    EXPECT_EQ(Escaped("&amp;", TEscape::Html), "&amp;amp;");
}

TEST(TextEscape, LineBreaksBecomeReferencesOnlyInAttributes) {
    EXPECT_EQ(Escaped("a\tb\r\nc", TEscape::XmlText), "a\tb\r\nc");
    EXPECT_EQ(Escaped("a\tb\r\nc", TEscape::Html), "a\tb\r\nc");
    EXPECT_EQ(Escaped("a\tb\r\nc", TEscape::XmlAttribute), "a&#x9;b&#xD;&#xA;c");
}

TEST(TextEscape, OtherBytesPassUnchangedInEveryMode) {
    // Code-page bytes, UTF-8 and control characters are no markup.
    const std::string bytes = std::string("\xE9\xC3\xA9\x01\x7F", 5) + std::string(1, '\0');
    for (TEscape mode : {TEscape::XmlText, TEscape::XmlAttribute, TEscape::Html})
        EXPECT_EQ(Escaped(bytes, mode), bytes);
    std::string out = "kept:";
    AppendEscaped(out, "<", TEscape::XmlText);
    EXPECT_EQ(out, "kept:&lt;");
}

TEST(TextEscape, JsonStringEscapesWhatJsonRefuses) {
    EXPECT_EQ(JsonString("a\"b\\c\n\r\t\x01"), "\"a\\\"b\\\\c\\n\\r\\t\\u0001\"");
    EXPECT_EQ(JsonString("caf\xC3\xA9"), "\"caf\xC3\xA9\"");
    // A lone surrogate's form keeps its unit; a stray byte cannot.
    EXPECT_EQ(JsonString("\xED\xA0\x80"), "\"\\ud800\"");
    EXPECT_EQ(JsonString("x\xFFy"), "\"x\\ufffdy\"");
    EXPECT_EQ(JsonString(""), "\"\"");
}

TEST(TextEscape, CsvFieldQuotesOnlyWhenNeeded) {
    EXPECT_EQ(CsvField("plain text"), "plain text");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvField("two\r\nlines"), "\"two\r\nlines\"");
}

} // namespace

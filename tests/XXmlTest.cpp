#include "online/xml/XXml.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

struct Token {
    TXmlTokenKind kind;
    std::string name;
    std::string value;
    bool operator==(const Token& o) const {
        return kind == o.kind && name == o.name && value == o.value;
    }
};

std::ostream& operator<<(std::ostream& os, const Token& t) {
    return os << int(t.kind) << " '" << t.name << "' '" << t.value.substr(0, 40) << "' ("
              << t.value.size() << ")";
}

Token StartTok(std::string n) {
    return {xtStartElement, std::move(n), ""};
}
Token EndTok(std::string n) {
    return {xtEndElement, std::move(n), ""};
}
Token AttrTok(std::string n, std::string v) {
    return {xtAttribute, std::move(n), std::move(v)};
}
Token TextTok(std::string v) {
    return {xtText, "", std::move(v)};
}

// Every token up to and including the end of the document.
std::vector<Token> Tokens(const std::string& xml, int maxValueLength = 0) {
    std::istringstream in(xml);
    TXmlReader reader;
    reader.MaxValueLength = maxValueLength;
    reader.Open(in);
    std::vector<Token> out;
    for (int guard = 0; guard < 100000; ++guard) {
        TXmlTokenKind kind = reader.Next();
        out.push_back({kind, reader.Name(), reader.Value()});
        if (kind == xtEndOfDocument)
            break;
    }
    return out;
}

// The message of the error that reading the whole input raises, with a
// mark telling whether it came as EXmlReader or as the general class.
std::string ErrorOf(const std::string& xml) {
    try {
        Tokens(xml);
    } catch (const EXmlReader& e) {
        return std::string("EXmlReader: ") + e.what();
    } catch (const EMorvaneError& e) {
        return std::string("general: ") + e.what();
    }
    return "no error";
}

const std::string E = "Ошибка в XML-документе: ";

} // namespace

TEST(XmlReader, EmptyStreamIsEndOfDocumentAtOnce) {
    std::istringstream in("");
    TXmlReader reader;
    EXPECT_TRUE(reader.Eof());
    reader.Open(in);
    EXPECT_TRUE(reader.Eof());
    EXPECT_EQ(reader.Next(), xtEndOfDocument);
    EXPECT_EQ(reader.TokenKind(), xtEndOfDocument);
}

TEST(XmlReader, TokenKindsKeepTheirOrder) {
    EXPECT_EQ(xtProcessingInstruction, 0);
    EXPECT_EQ(xtDocumentType, 1);
    EXPECT_EQ(xtComment, 2);
    EXPECT_EQ(xtCDATA, 3);
    EXPECT_EQ(xtStartElement, 4);
    EXPECT_EQ(xtEndElement, 5);
    EXPECT_EQ(xtAttribute, 6);
    EXPECT_EQ(xtText, 7);
    EXPECT_EQ(xtEndOfDocument, 8);
}

TEST(XmlReader, ElementWithText) {
    std::vector<Token> want = {StartTok("a"), TextTok("x"), EndTok("a"), {xtEndOfDocument, "", ""}};
    EXPECT_EQ(Tokens("<a>x</a>"), want);
}

TEST(XmlReader, QuotedAndUnquotedAttributesOfEmptyElement) {
    std::vector<Token> want = {StartTok("a"),
                               AttrTok("x", "1"),
                               AttrTok("y", "2"),
                               EndTok("a"),
                               {xtEndOfDocument, "", ""}};
    EXPECT_EQ(Tokens("<a x='1' y=2/>"), want);
}

TEST(XmlReader, AttributeForms) {
    // Quoted values hold anything but their quote; a quoted value needs no
    // whitespace after it; whitespace around "=" is allowed.
    std::vector<Token> want = {StartTok("a"),     AttrTok("x", "1>\n<'"),   AttrTok("y", "\"2\""),
                               AttrTok("z", "3"), AttrTok("w", ""),         TextTok("t"),
                               EndTok("a"),       {xtEndOfDocument, "", ""}};
    EXPECT_EQ(Tokens("<a x=\"1>\n<'\"y='\"2\"' z = 3 w=>t</a>"), want);
}

TEST(XmlReader, EntitiesAreNotDecoded) {
    auto tokens = Tokens("<a b='&lt;'>&amp;</a>");
    ASSERT_EQ(tokens.size(), 5u);
    EXPECT_EQ(tokens[1], AttrTok("b", "&lt;"));
    EXPECT_EQ(tokens[2], TextTok("&amp;"));
}

TEST(XmlReader, StartTagAtEndOfInputEndsWithoutError) {
    std::istringstream in("<a>");
    TXmlReader reader;
    reader.Open(in);
    EXPECT_EQ(reader.Next(), xtStartElement);
    EXPECT_EQ(reader.Name(), "a");
    EXPECT_EQ(reader.Next(), xtEndOfDocument);
    EXPECT_TRUE(reader.Eof());
    EXPECT_EQ(reader.Depth(), 1);
    EXPECT_EQ(reader.Next(), xtEndOfDocument);
}

TEST(XmlReader, DeclarationIsProcessingInstruction) {
    auto tokens = Tokens("<?xml version=\"1.0\"?><a/>");
    ASSERT_EQ(tokens.size(), 4u);
    EXPECT_EQ(tokens[0], (Token{xtProcessingInstruction, "xml", "version=\"1.0\""}));
    EXPECT_EQ(tokens[1], StartTok("a"));
    EXPECT_EQ(tokens[2], EndTok("a"));
    // The data runs to the first "?>"; a lone ">" or "?" belongs to it.
    EXPECT_EQ(Tokens("<?p a>b?c ?>")[0], (Token{xtProcessingInstruction, "p", "a>b?c "}));
    EXPECT_EQ(Tokens("<?p?>")[0], (Token{xtProcessingInstruction, "p", ""}));
}

TEST(XmlReader, DocumentTypeKeepsInternalSubsetAsText) {
    auto tokens = Tokens("<!DOCTYPE r [<!ENTITY e \"<v>\">]>\n<r/>");
    ASSERT_EQ(tokens.size(), 4u);
    EXPECT_EQ(tokens[0], (Token{xtDocumentType, "r", "[<!ENTITY e \"<v>\">]"}));
    EXPECT_EQ(tokens[1], StartTok("r"));
}

TEST(XmlReader, Comments) {
    EXPECT_EQ(Tokens("<!---->")[0], (Token{xtComment, "", ""}));
    // The dashes of "<!--" do not count towards the closing "-->".
    EXPECT_EQ(Tokens("<!-->-->")[0], (Token{xtComment, "", ">"}));
    EXPECT_EQ(Tokens("<!-- a -- b > c --->")[0], (Token{xtComment, "", " a -- b > c -"}));
}

TEST(XmlReader, CDATASections) {
    auto tokens = Tokens("<a><![CDATA[<x>]y]] \n></a>");
    ASSERT_EQ(tokens.size(), 4u);
    EXPECT_EQ(tokens[1], (Token{xtCDATA, "", "<x>]y"}));
    EXPECT_EQ(Tokens("<a><![CDATA[]]></a>")[1], (Token{xtCDATA, "", ""}));
}

TEST(XmlReader, WhitespaceRules) {
    // Around top-level constructs whitespace is dropped; inside elements it
    // is text; a start tag may have whitespace after "<".
    std::vector<Token> want = {
        StartTok("a"), TextTok(" \n "), StartTok("b"), EndTok("b"),
        EndTok("a"),   StartTok("c"),   EndTok("c"),   {xtEndOfDocument, "", ""}};
    EXPECT_EQ(Tokens(" \r\n< a > \n <b\t/></a >\n\n<c></c> \n"), want);
}

TEST(XmlReader, BinaryBytesInTextAreKept) {
    std::string text("x\0y\x01\xFF", 5);
    EXPECT_EQ(Tokens("<a>" + text + "</a>")[1], TextTok(text));
}

TEST(XmlReader, DepthFollowsOpenElements) {
    std::istringstream in("<a><b x='1'></b></a>");
    TXmlReader reader;
    reader.Open(in);
    std::vector<int> depths;
    while (reader.Next() != xtEndOfDocument)
        depths.push_back(reader.Depth());
    EXPECT_EQ(depths, (std::vector<int>{1, 2, 2, 1, 0}));
}

TEST(XmlReader, ReadsFromTheStreamsCurrentPositionAndOwnsWhenAsked) {
    auto in = std::make_unique<std::istringstream>("junk<a/>");
    in->seekg(4);
    TXmlReader reader;
    reader.Open(std::move(in));
    EXPECT_EQ(reader.Next(), xtStartElement);
    EXPECT_EQ(reader.Name(), "a");
    reader.Close();
    EXPECT_TRUE(reader.Eof());
    EXPECT_EQ(reader.Depth(), 0);
    EXPECT_EQ(reader.Next(), xtEndOfDocument);
}

TEST(XmlReader, ErrorMessagesAndClasses) {
    const std::string X = "EXmlReader: " + E;
    const std::string G = "general: " + E;
    struct {
        const char* xml;
        std::string error;
    } cases[] = {
        {"<", G + "неожидаемое завершение текста"},
        {"<a><", G + "неожидаемое завершение текста"},
        {"<!doctype a>", G + "неизвестная специальная инструкция"},
        {"<!x>", G + "неизвестная специальная инструкция"},
        {"<!", G + "неизвестная специальная инструкция"},
        {"x<a/>", G + "текст вне элемента"},
        {"<a/>x", G + "текст вне элемента"},
        {"<? ?>", X + "не задано имя в обрабатывающей инструкции"},
        {"<?xml", X + "не задано имя в обрабатывающей инструкции"},
        {"<?xml a>", X + "ожидается \"?>\""},
        {"<!DOCTYPE >", X + "не задано имя в типе документа"},
        {"<!DOCTYPE a", X + "не задано имя в типе документа"},
        {"<!DOCTYPE a [<b>]", X + "ожидается \">\" для типа документа"},
        {"<!-- x --", X + "ожидается \"-->\""},
        {"<!-->", X + "ожидается \"-->\""},
        {"<a><![CDATA[x]", X + "ожидается \"]]\""},
        {"<a><![CDATA[x] ]", X + "ожидается \"]]\""},
        {"<a><![CDATA[x]]]></a>", G + "ожидается \"]]>\""},
        {"<a><![CDATA[x]] ", G + "ожидается \"]]>\""},
        {"<a", X + "ожидается \">\" для открывающего тэга элемента"},
        {"<a ", X + "ожидается \">\" для открывающего тэга элемента"},
        {"< ", X + "ожидается \">\" для открывающего тэга элемента"},
        {"<>", X + "не задано имя открывающего тэга элемента"},
        {"<a /", X + "ожидается \"/>\""},
        {"<a x='1'/ >", X + "ожидается \"/>\""},
        {"<a b>", X + "ожидается \"=\" для атрибута элемента"},
        {"<a b c=1>", X + "ожидается \"=\" для атрибута элемента"},
        {"<a =1>", X + "не задано имя атрибута элемента"},
        {"<a b", X + "не задано имя атрибута элемента"},
        {"<a b=", X + "не задано значение атрибута элемента"},
        {"<a b= \n", X + "не задано значение атрибута элемента"},
        {"<a b='1", X + "ожидается атрибут элемента"},
        {"<a b='1'", X + "ожидается атрибут элемента"},
        {"<a b='1' ", X + "ожидается атрибут элемента"},
        {"<a b=1", X + "ожидается атрибут элемента"},
        {"<a></b>", G + "несоответствие имени закрывающего тэга имени открывающему"},
        {"<a></A>", G + "несоответствие имени закрывающего тэга имени открывающему"},
        {"<a></>", G + "несоответствие имени закрывающего тэга имени открывающему"},
        {"</a>", G + "несоответствие имени закрывающего тэга имени открывающему"},
        {"<a></a", X + "ожидается \">\" для закрывающего тэга элемента"},
        {"<a></a b>", X + "ожидается \">\" для закрывающего тэга элемента"},
        {"<a></a ", X + "ожидается \">\" для закрывающего тэга элемента"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorOf(c.xml), c.error) << c.xml;
}

TEST(XmlReader, NameCutOffByEndOfInputCountsOnlyWholeSteps) {
    // 8191 bytes of a name are already taken over when the input ends, so
    // the name is no longer missing and the next check fails instead.
    EXPECT_EQ(ErrorOf("<a " + std::string(8190, 'n')),
              "EXmlReader: " + E + "не задано имя атрибута элемента");
    EXPECT_EQ(ErrorOf("<a " + std::string(8191, 'n')),
              "EXmlReader: " + E + "ожидается \"=\" для атрибута элемента");
    EXPECT_EQ(ErrorOf("<?" + std::string(9000, 'p')), "EXmlReader: " + E + "ожидается \"?>\"");
}

TEST(XmlReader, ConstructsAcrossTheBlockBoundary) {
    // Slide every construct over the 4096-byte boundary of the block reader.
    const std::string tail = "<!--c-->d<![CDATA[e]]>f<?g h?><i j='k' l=m/>&amp;</r >";
    for (int pad = 4050; pad < 4110; ++pad) {
        std::string padding(static_cast<std::size_t>(pad), 'p');
        std::vector<Token> want = {StartTok("r"),
                                   AttrTok("p", padding),
                                   {xtComment, "", "c"},
                                   TextTok("d"),
                                   {xtCDATA, "", "e"},
                                   TextTok("f"),
                                   {xtProcessingInstruction, "g", "h"},
                                   StartTok("i"),
                                   AttrTok("j", "k"),
                                   AttrTok("l", "m"),
                                   EndTok("i"),
                                   TextTok("&amp;"),
                                   EndTok("r"),
                                   {xtEndOfDocument, "", ""}};
        ASSERT_EQ(Tokens("<r p='" + padding + "'>" + tail), want) << pad;
        // The same with the padding as text, so that "<!" and "<![CDATA["
        // are matched across the boundary at some offset.
        want[1] = TextTok(padding);
        ASSERT_EQ(Tokens("<r>" + padding + tail), want) << pad;
    }
}

TEST(XmlReader, LongValuesComeWholeWithoutLimit) {
    std::string big;
    for (int i = 0; i < 30000; ++i)
        big += static_cast<char>('a' + i % 26);
    std::string name(9000, 'n');
    auto tokens = Tokens("<?" + name + " " + big + "?><" + name + " " + name + "='" + big + "'>" +
                         big + "<!--" + big + "--><![CDATA[" + big + "]]></" + name + ">");
    ASSERT_EQ(tokens.size(), 8u);
    EXPECT_EQ(tokens[0], (Token{xtProcessingInstruction, name, big}));
    EXPECT_EQ(tokens[1], StartTok(name));
    EXPECT_EQ(tokens[2], AttrTok(name, big));
    EXPECT_EQ(tokens[3], TextTok(big));
    EXPECT_EQ(tokens[4], (Token{xtComment, "", big}));
    EXPECT_EQ(tokens[5], (Token{xtCDATA, "", big}));
    EXPECT_EQ(tokens[6], EndTok(name));
}

namespace {

struct Piece {
    TXmlTokenKind kind;
    std::string value;
    bool first, last;
};

std::vector<Piece> Pieces(const std::string& xml, int maxValueLength) {
    std::istringstream in(xml);
    TXmlReader reader;
    reader.MaxValueLength = maxValueLength;
    reader.Open(in);
    std::vector<Piece> out;
    while (reader.Next() != xtEndOfDocument)
        out.push_back(
            {reader.TokenKind(), reader.Value(), reader.IsFirstPiece(), reader.IsLastPiece()});
    return out;
}

// Joins the pieces of the one split value of the given kind, checking the
// piece flags on the way.
std::string Joined(const std::vector<Piece>& pieces, TXmlTokenKind kind, int& count) {
    std::string value;
    count = 0;
    for (const auto& p : pieces) {
        if (p.kind != kind)
            continue;
        EXPECT_EQ(p.first, count == 0);
        value += p.value;
        ++count;
        if (p.last)
            break;
    }
    return value;
}

} // namespace

TEST(XmlReader, LongValuesComeInPiecesWithALimit) {
    // Bytes that look like the start of an end marker sit at the places
    // where the pieces are cut.
    std::string big;
    for (int i = 0; i < 30000; ++i)
        big += (i % 8191 >= 8188) ? '-' : static_cast<char>('a' + i % 26);
    // "]]" would end the section, so single brackets mark the cuts there.
    std::string cdata = big;
    for (std::size_t i = 0; i < cdata.size(); ++i)
        if (cdata[i] == '-')
            cdata[i] = i % 8191 == 8190 ? ']' : 'x';
    auto pieces = Pieces("<a>" + big + "<!--" + big + "--><![CDATA[" + cdata + "]]></a>", 10000);
    int count;
    EXPECT_EQ(Joined(pieces, xtText, count), big);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(Joined(pieces, xtComment, count), big);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(Joined(pieces, xtCDATA, count), cdata);
    EXPECT_EQ(count, 2);
    // A small limit still cuts only at the 8191-byte steps.
    auto small = Pieces("<a>" + big + "</a>", 1);
    EXPECT_EQ(Joined(small, xtText, count), big);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(small[1].value.size(), 8190u);
    // Values shorter than the limit stay whole.
    EXPECT_EQ(Pieces("<a>" + big + "</a>", 40000).size(), 3u);
}

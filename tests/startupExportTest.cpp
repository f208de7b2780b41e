// The XML export, read back with the project's own XML reader.

#include "support/CoreFixture.h"

#include "core/startupExport.h"
#include "core/system/Errors.h"
#include "core/system/Files.h"
#include "online/xml/XXmlDom.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// The reader leaves entities as written; the test decodes the five.
std::string Decode(std::string s) {
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [from, to] : entities) {
        std::string::size_type at = 0;
        while ((at = s.find(from, at)) != std::string::npos) {
            s.replace(at, std::string(from).size(), to);
            at += std::string(to).size();
        }
    }
    return s;
}

TRefPtr<TXmlDDocument> Parse(const std::string& xml) {
    auto doc = MakeRef<TXmlDDocument>();
    std::istringstream in(xml);
    doc->LoadFromStream(in);
    return doc;
}

std::string Field(TXmlDElement* entry, const std::string& name) {
    TXmlDNodeList* children = entry->ChildNodes();
    for (int i = 0; i < children->Length(); ++i) {
        TXmlDNode* n = children->Item(i);
        if (n->NodeType() == ntElement && n->NodeName() == name)
            return Decode(n->Text());
    }
    return "<absent>";
}

std::vector<TXmlDElement*> Entries(TXmlDDocument& doc) {
    std::vector<TXmlDElement*> out;
    TXmlDNodeList* children = doc.DocumentElement()->ChildNodes();
    for (int i = 0; i < children->Length(); ++i)
        if (children->Item(i)->NodeType() == ntElement)
            out.push_back(static_cast<TXmlDElement*>(children->Item(i)));
    return out;
}

class StartupExportTest : public CoreTest {};

TEST_F(StartupExportTest, EveryEntryWithEveryFieldParsesBack) {
    const std::string present = PathJoin(Scratch(), "present.cfg");
    WriteFileBytes(present, "x");
    TStartups all;
    TStartup* a = all.Add("Tool <b>&\"'", "", present + " /q \"arg two\"", slCURun, 3);
    a->SetComment("A comment & more");
    a->SetEnabled(false);
    TStartup* b = all.Add("Gone", "", PathJoin(Scratch(), "missing.cfg"), slLMStartupFolder, -7);
    ASSERT_TRUE(a && b);

    std::vector<const TStartup*> entries{a, b};
    auto doc = Parse(StartupsToXml(entries));
    TXmlDElement* root = doc->DocumentElement();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->TagName(), "startups");
    EXPECT_EQ(root->GetAttribute("count"), "2");
    std::vector<TXmlDElement*> rows = Entries(*doc);
    ASSERT_EQ(rows.size(), 2u);

    EXPECT_EQ(Field(rows[0], "title"), a->Title);
    EXPECT_EQ(Field(rows[0], "commandLine"), a->CommandLine);
    EXPECT_EQ(Field(rows[0], "programFile"), a->FilePath);
    EXPECT_EQ(Field(rows[0], "arguments"), a->Arguments);
    EXPECT_EQ(Field(rows[0], "location"), "CU Run");
    EXPECT_EQ(Field(rows[0], "view"), "default");
    EXPECT_EQ(Field(rows[0], "rating"), "3");
    EXPECT_EQ(Field(rows[0], "comment"), "A comment & more");
    EXPECT_EQ(Field(rows[0], "enabled"), "false");
    EXPECT_EQ(Field(rows[0], "fileMissing"), "false");

    EXPECT_EQ(Field(rows[1], "title"), "Gone");
    EXPECT_EQ(Field(rows[1], "location"), "LM Startup Folder");
    EXPECT_EQ(Field(rows[1], "rating"), "-7");
    EXPECT_EQ(Field(rows[1], "enabled"), "true");
    EXPECT_EQ(Field(rows[1], "fileMissing"), "true");
    EXPECT_EQ(Field(rows[1], "comment"), "");
    TXmlDNodeList* fields = rows[1]->ChildNodes();
    for (int i = 0; i < fields->Length(); ++i) {
        if (fields->Item(i)->NodeName() == "location") {
            EXPECT_EQ(static_cast<TXmlDElement*>(fields->Item(i))->GetAttribute("code"), "0");
        }
    }
}

TEST_F(StartupExportTest, NoEntriesGiveAnEmptyDocument) {
    auto doc = Parse(StartupsToXml({}));
    ASSERT_NE(doc->DocumentElement(), nullptr);
    EXPECT_EQ(doc->DocumentElement()->GetAttribute("count"), "0");
    EXPECT_TRUE(Entries(*doc).empty());
}

// The texts are UTF-8 whatever the ANSI code page; a declaration naming the
// code page made a reader garble them, or refuse the document.
TEST_F(StartupExportTest, DeclaresTheUtf8ItWrites) {
    TStartups all;
    const std::string title = "\xC3\x81 \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80";
    TStartup* e = all.Add(title, "", "c:\\utf8.exe", slCURun, 0);
    const std::string xml = StartupsToXml({e});
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    EXPECT_NE(xml.find("<title>" + title + "</title>"), std::string::npos);
}

// Not even a character reference makes a control character or a lone
// surrogate XML 1.0: each is replaced, and the element says how many.
TEST_F(StartupExportTest, WhatXmlCannotCarryIsReplacedAndCounted) {
    TStartups all;
    TStartup* e =
        all.Add(std::string("bell\x07\x01 \xED\xA0\x80!"), "", "c:\\bell.exe", slCURun, 0);
    TStartup* kept = all.Add("tab\tline\r\nend", "", "c:\\kept.exe", slCURun, 0);
    const std::string xml = StartupsToXml({e, kept});
    EXPECT_NE(xml.find("<title replaced=\"3\">bell\xEF\xBF\xBD\xEF\xBF\xBD \xEF\xBF\xBD!</title>"),
              std::string::npos)
        << xml;
    EXPECT_EQ(xml.find("&#x0"), std::string::npos);
    // What XML carries stays, a carriage return as a reference that a
    // reader does not fold into the line feed.
    EXPECT_NE(xml.find("<title>tab\tline&#xD;\nend</title>"), std::string::npos) << xml;
    auto doc = Parse(xml);
    std::vector<TXmlDElement*> rows = Entries(*doc);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(Field(rows[0], "commandLine"), "c:\\bell.exe");
}

TEST_F(StartupExportTest, ExportReplacesTheFileAndReportsAnUnwritableOne) {
    TStartups all;
    TStartup* e = all.Add("One", "", "c:\\one.exe", slCURun, 0);
    const std::string path = PathJoin(Scratch(), "out.xml");
    WriteFileBytes(path, "old");
    ExportStartupsXml({e}, path);
    std::string text = ReadFileBytes(path);
    EXPECT_NE(text.find("<title>One</title>"), std::string::npos);
    EXPECT_FALSE(FileExists(path + ".tmp"));

    // A folder where the file should go: the error names it, nothing is left.
    const std::string blocked = PathJoin(Scratch(), "blocked.xml");
    ForceFolders(blocked);
    try {
        ExportStartupsXml({e}, blocked);
        ADD_FAILURE() << "no error";
    } catch (const EMorvaneError& err) {
        EXPECT_NE(std::string(err.what()).find("blocked.xml"), std::string::npos);
    }
    EXPECT_FALSE(FileExists(blocked + ".tmp"));
}

} // namespace

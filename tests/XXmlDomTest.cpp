#include "online/xml/XXmlDom.h"
#include "online/xml/XXml.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

TRefPtr<TXmlDDocument> Load(const std::string& xml, bool preserveWhiteSpace = false) {
    auto doc = MakeRef<TXmlDDocument>();
    doc->PreserveWhiteSpace = preserveWhiteSpace;
    std::istringstream in(xml);
    doc->LoadFromStream(in);
    return doc;
}

std::string LoadError(const std::string& xml) {
    try {
        Load(xml);
    } catch (const EMorvaneError& e) {
        return e.what();
    }
    return "no error";
}

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EMorvaneError& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(XmlDom, ItemWithAttributesAndDecodedText) {
    auto doc = Load("<r><i idx=\"0\" rating=\"2\">A &amp; B</i></r>");
    ASSERT_EQ(doc->ChildNodes()->Length(), 1);
    TXmlDElement* r = doc->DocumentElement();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->TagName(), "r");
    ASSERT_EQ(r->ChildNodes()->Length(), 1);
    TXmlDNode* i = r->ChildNodes()->Item(0);
    EXPECT_EQ(i->NodeName(), "i");
    EXPECT_EQ(i->Attributes()->Length(), 2);
    EXPECT_EQ(i->GetAttribute("idx", ""), "0");
    EXPECT_EQ(i->GetAttribute("rating", ""), "2");
    EXPECT_EQ(i->GetAttribute("missing", "dflt"), "dflt");
    EXPECT_EQ(i->GetAttribute("IDX", "none"), "none");
    EXPECT_EQ(i->Text(), "A & B");
    EXPECT_EQ(i->ParentNode(), r);
    EXPECT_EQ(r->ParentNode(), doc.get());
}

TEST(XmlDom, EmptyStreamGivesEmptyDocument) {
    auto doc = Load("");
    EXPECT_FALSE(doc->HasChildNodes());
    EXPECT_EQ(doc->DocumentElement(), nullptr);
}

TEST(XmlDom, DocumentElementSkipsLeadingCommentAndInstruction) {
    auto doc = Load("<?xml version=\"1.0\"?>\n<!DOCTYPE r>\n<!--c-->\n<r/><s/>");
    ASSERT_EQ(doc->ChildNodes()->Length(), 5);
    EXPECT_EQ(doc->ChildNodes()->Item(0)->NodeType(), ntProcessingInstruction);
    EXPECT_EQ(doc->ChildNodes()->Item(0)->NodeName(), "xml");
    EXPECT_EQ(doc->ChildNodes()->Item(0)->GetNodeValue(), "version=\"1.0\"");
    EXPECT_EQ(doc->ChildNodes()->Item(1)->NodeType(), ntDocumentType);
    EXPECT_EQ(doc->ChildNodes()->Item(2)->NodeType(), ntComment);
    ASSERT_NE(doc->DocumentElement(), nullptr);
    EXPECT_EQ(doc->DocumentElement()->TagName(), "r");
}

TEST(XmlDom, WhitespaceAcrossLineBreaksIsDroppedUnlessPreserved) {
    const std::string xml = "<r>\n  <i/>\n</r>";
    EXPECT_EQ(Load(xml)->DocumentElement()->ChildNodes()->Length(), 1);
    auto kept = Load(xml, true);
    ASSERT_EQ(kept->DocumentElement()->ChildNodes()->Length(), 3);
    EXPECT_EQ(kept->DocumentElement()->FirstChild()->Text(), "\n  ");
    // Spaces within one line are content.
    auto spaces = Load("<a> <b/></a>");
    ASSERT_EQ(spaces->DocumentElement()->ChildNodes()->Length(), 2);
    EXPECT_EQ(spaces->DocumentElement()->FirstChild()->NodeType(), ntText);
    EXPECT_EQ(spaces->DocumentElement()->FirstChild()->Text(), " ");
    // Text with a line break and other bytes stays whole and untrimmed.
    EXPECT_EQ(Load("<a>\n x \n</a>")->DocumentElement()->Text(), "\n x \n");
}

TEST(XmlDom, TextGathersTextAndCDATAAtAnyDepth) {
    auto doc = Load("<a>x<!--c-->y<![CDATA[<z>]]></a>");
    EXPECT_EQ(doc->DocumentElement()->Text(), "xy<z>");
    auto nested = Load("<a>1<b>2<c>3</c><?p 9?>4</b>5</a>");
    EXPECT_EQ(nested->DocumentElement()->Text(), "12345");
    EXPECT_EQ(nested->Text(), "12345");
    // CDATA content is taken as written, entities and all.
    EXPECT_EQ(Load("<a><![CDATA[&amp;]]></a>")->DocumentElement()->Text(), "&amp;");
}

TEST(XmlDom, RepeatedAttributeKeepsFirstPlaceAndLastValue) {
    auto doc = Load("<a x='1' y='2' x='3'/>");
    TXmlDNamedNodeMap* attributes = doc->DocumentElement()->Attributes();
    ASSERT_EQ(attributes->Length(), 2);
    EXPECT_EQ(attributes->Item(0)->NodeName(), "x");
    EXPECT_EQ(attributes->Item(0)->GetNodeValue(), "3");
    EXPECT_EQ(attributes->Item(1)->NodeName(), "y");
    int index;
    EXPECT_EQ(attributes->GetNamedItem("y", index), attributes->Item(1));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(attributes->GetNamedItem("z", index), nullptr);
    EXPECT_EQ(index, -1);
}

TEST(XmlDom, ManyAttributesAreLookedUpByIndex) {
    std::string xml = "<a";
    for (int i = 0; i < 3000; ++i)
        xml += " n" + std::to_string(i) + "='" + std::to_string(i) + "'";
    xml += " n7='again'/>";
    auto doc = Load(xml);
    TXmlDElement* a = doc->DocumentElement();
    ASSERT_EQ(a->Attributes()->Length(), 3000);
    EXPECT_EQ(a->GetAttribute("n7"), "again");
    EXPECT_EQ(a->GetAttribute("n2999"), "2999");
    // The index follows removals and insertions in the middle.
    a->Attributes()->RemoveAt(0);
    EXPECT_EQ(a->GetAttribute("n0", "gone"), "gone");
    EXPECT_EQ(a->GetAttribute("n1"), "1");
    auto front = MakeRef<TXmlDAttribute>("n1", "front");
    a->Attributes()->Insert(front.get(), 0);
    EXPECT_EQ(a->GetAttribute("n1"), "front");
    a->SetAttribute("new", "v");
    EXPECT_EQ(a->GetAttribute("new"), "v");
}

TEST(XmlDom, AttributeValueIsUnescapedAndWrittenEscaped) {
    auto doc = Load("<a v='a &lt; b'/>");
    TXmlDAttribute* v = doc->DocumentElement()->GetAttributeNode("v");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Value(), "a < b");
    EXPECT_EQ(v->Xml(), "v=\"a &lt; b\"");
}

TEST(XmlDom, CharacterReferenceStaysAsWritten) {
    EXPECT_EQ(Load("<a>&#65;</a>")->DocumentElement()->Text(), "&#65;");
}

TEST(XmlDom, LoadErrors) {
    const std::string wrong = "XML: неправильная конструкция в XML-документе";
    EXPECT_EQ(LoadError("<![CDATA[x]]>"), wrong);
    EXPECT_EQ(LoadError("<a><!DOCTYPE b></a>"),
              "XML: узел \"element\" не может содержать подузел \"documenttype\"");
    EXPECT_EQ(LoadError("<a></b>"),
              "Ошибка в XML-документе: несоответствие имени закрывающего тэга имени открывающему");
    EXPECT_EQ(LoadError("<a b>"), "Ошибка в XML-документе: ожидается \"=\" для атрибута элемента");
}

TEST(XmlDom, LoadKeepsWhatWasBuiltBeforeAnError) {
    auto doc = MakeRef<TXmlDDocument>();
    std::istringstream in("<r><i/><j></k></r>");
    EXPECT_THROW(doc->LoadFromStream(in), EMorvaneError);
    ASSERT_NE(doc->DocumentElement(), nullptr);
    EXPECT_EQ(doc->DocumentElement()->ChildNodes()->Length(), 2);
    // A new load starts from an empty document.
    std::istringstream again("<s/>");
    doc->LoadFromStream(again);
    EXPECT_EQ(doc->ChildNodes()->Length(), 1);
    EXPECT_EQ(doc->DocumentElement()->TagName(), "s");
}

TEST(XmlDom, DocumentCutOffInsideElementsLoads) {
    auto doc = Load("<r><i idx='1'>abc");
    TXmlDNode* i = doc->DocumentElement()->FirstChild();
    ASSERT_NE(i, nullptr);
    EXPECT_EQ(i->GetAttribute("idx"), "1");
    EXPECT_EQ(i->Text(), "abc");
}

TEST(XmlDom, InsertChildTypeRules) {
    auto text = MakeRef<TXmlDText>("t");
    auto other = MakeRef<TXmlDText>("u");
    EXPECT_EQ(ErrorOf([&] { text->AppendChild(other.get()); }),
              "XML: узел \"text\" не может содержать подузлы");
    auto doc = MakeRef<TXmlDDocument>();
    EXPECT_EQ(ErrorOf([&] { doc->AppendChild(other.get()); }),
              "XML: узел \"document\" не может содержать подузел \"text\"");
    auto element = MakeRef<TXmlDElement>("e");
    auto attribute = MakeRef<TXmlDAttribute>("a");
    EXPECT_EQ(ErrorOf([&] { element->AppendChild(attribute.get()); }),
              "XML: узел \"element\" не может содержать подузел \"attribute\"");
    auto comment = MakeRef<TXmlDComment>("c");
    EXPECT_EQ(ErrorOf([&] { comment->AppendChild(other.get()); }),
              "XML: узел \"comment\" не может содержать подузлы");
    // A document may hold several elements; a document type holds anything.
    doc->AppendChild(element.get());
    doc->AppendChild(MakeRef<TXmlDElement>("f").get());
    EXPECT_EQ(doc->ChildNodes()->Length(), 2);
    auto doctype = MakeRef<TXmlDDocumentType>("d");
    doctype->AppendChild(other.get());
    EXPECT_EQ(doctype->Xml(), "<!DOCTYPE d [u]>");
}

TEST(XmlDom, NodeLinksFollowInsertAndRemove) {
    auto e = MakeRef<TXmlDElement>("e");
    auto a = MakeRef<TXmlDText>("a");
    auto b = MakeRef<TXmlDText>("b");
    auto c = MakeRef<TXmlDText>("c");
    e->AppendChild(a.get());
    e->AppendChild(c.get());
    EXPECT_EQ(e->InsertChild(b.get(), 1), 1);
    EXPECT_EQ(e->Text(), "abc");
    EXPECT_EQ(a->NextSibling(), b.get());
    EXPECT_EQ(b->PreviousSibling(), a.get());
    EXPECT_EQ(b->NextSibling(), c.get());
    EXPECT_EQ(c->PreviousSibling(), b.get());
    EXPECT_EQ(e->FirstChild(), a.get());
    EXPECT_EQ(e->LastChild(), c.get());

    e->RemoveChild(b.get());
    EXPECT_EQ(b->ParentNode(), nullptr);
    EXPECT_EQ(b->PreviousSibling(), nullptr);
    EXPECT_EQ(a->NextSibling(), c.get());
    EXPECT_EQ(c->PreviousSibling(), a.get());
    EXPECT_EQ(b->RefCount(), 1); // only our holder
    EXPECT_EQ(ErrorOf([&] { e->RemoveChild(b.get()); }), "XML: Не найден подузел для удаления");

    // Moving a node takes it from its former parent.
    auto f = MakeRef<TXmlDElement>("f");
    f->AppendChild(a.get());
    EXPECT_EQ(a->ParentNode(), f.get());
    EXPECT_EQ(e->Text(), "c");
    EXPECT_EQ(c->PreviousSibling(), nullptr);
    // Within the same parent too.
    f->AppendChild(c.get());
    f->InsertChild(c.get(), 0);
    EXPECT_EQ(f->Text(), "ca");
}

TEST(XmlDom, ListRefusesNodeInTwoListsAndBadIndexes) {
    auto e = MakeRef<TXmlDElement>("e");
    auto t = MakeRef<TXmlDText>("t");
    e->AppendChild(t.get());
    auto g = MakeRef<TXmlDElement>("g");
    EXPECT_EQ(ErrorOf([&] { g->ChildNodes()->Insert(t.get(), -1); }),
              "XML: Нельзя добавлять узел в два списка");
    EXPECT_THROW(e->ChildNodes()->Item(1), EListError);
    EXPECT_THROW(e->ChildNodes()->Item(-1), EListError);
    // A refused index leaves the node where it was.
    EXPECT_THROW(g->InsertChild(t.get(), 5), EListError);
    EXPECT_EQ(t->ParentNode(), e.get());
    EXPECT_EQ(e->ChildNodes()->IndexOf(t.get()), 0);
}

TEST(XmlDom, NodeCannotBeInsertedIntoItsOwnSubtree) {
    auto a = MakeRef<TXmlDElement>("a");
    auto b = MakeRef<TXmlDElement>("b");
    a->AppendChild(b.get());
    EXPECT_THROW(a->AppendChild(a.get()), EMorvaneError);
    EXPECT_THROW(b->AppendChild(a.get()), EMorvaneError);
    EXPECT_EQ(b->ParentNode(), a.get());
    EXPECT_EQ(a->ParentNode(), nullptr);
}

TEST(XmlDom, SetValueAndTextRules) {
    auto doc = MakeRef<TXmlDDocument>();
    auto element = MakeRef<TXmlDElement>("e");
    auto doctype = MakeRef<TXmlDDocumentType>("d");
    EXPECT_EQ(ErrorOf([&] { doc->SetNodeValue("x"); }),
              "XML: Нельзя изменять значение узла \"document\"");
    EXPECT_EQ(ErrorOf([&] { element->SetNodeValue("x"); }),
              "XML: Нельзя изменять значение узла \"element\"");
    EXPECT_EQ(ErrorOf([&] { doctype->SetNodeValue("x"); }),
              "XML: Нельзя изменять значение узла \"documenttype\"");
    EXPECT_EQ(ErrorOf([&] { doc->SetText("x"); }), "XML: Нельзя изменять текст узла \"document\"");
    EXPECT_EQ(ErrorOf([&] { doctype->SetText("x"); }),
              "XML: Нельзя изменять текст узла \"documenttype\"");

    element->AppendChild(MakeRef<TXmlDElement>("k").get());
    element->AppendChild(MakeRef<TXmlDComment>("c").get());
    element->SetText("a<b");
    ASSERT_EQ(element->ChildNodes()->Length(), 1);
    EXPECT_EQ(element->FirstChild()->NodeType(), ntText);
    EXPECT_EQ(element->Xml(), "<e>a&lt;b</e>");

    auto pi = MakeRef<TXmlDProcessingInstruction>("t", "d");
    pi->SetNodeValue("v");
    EXPECT_EQ(pi->Text(), "v");
    auto attribute = MakeRef<TXmlDAttribute>("n", "1");
    attribute->SetText("2");
    EXPECT_EQ(attribute->GetNodeValue(), "2");
}

TEST(XmlDom, NamesAndTypeNames) {
    auto element = MakeRef<TXmlDElement>("ns:tag");
    EXPECT_EQ(element->NodeName(), "ns:tag");
    EXPECT_EQ(element->Prefix(), "ns");
    EXPECT_EQ(element->LocalName(), "tag");
    auto plain = MakeRef<TXmlDElement>("tag");
    EXPECT_EQ(plain->Prefix(), "");
    EXPECT_EQ(plain->LocalName(), "tag");
    EXPECT_EQ(MakeRef<TXmlDText>("x")->NodeName(), "#text");
    EXPECT_EQ(MakeRef<TXmlDCDATASection>("x")->NodeName(), "#cdata-section");
    EXPECT_EQ(MakeRef<TXmlDCDATASection>("x")->NodeType(), ntCDATASection);
    EXPECT_EQ(MakeRef<TXmlDComment>("x")->NodeName(), "#comment");
    EXPECT_EQ(MakeRef<TXmlDDocument>()->NodeName(), "#document");
    EXPECT_EQ(NodeTypeName(ntEntityReference), "entityreference");
    EXPECT_EQ(NodeTypeName(ntProcessingInstruction), "processinginstruction");
    EXPECT_EQ(NodeTypeName(ntNotation), "notation");
}

TEST(XmlDom, XmlIsWrittenWithoutAddedWhitespace) {
    const std::string xml = "<?xml version=\"1.0\"?><!DOCTYPE r><!--c--><r a=\"1\" b=\"&quot;\">"
                            "t&amp;<e/><![CDATA[<x>]]><?p d?></r>";
    auto doc = Load(xml);
    EXPECT_EQ(doc->Xml(), "<?xml version=\"1.0\"?><!DOCTYPE r []><!--c--><r a=\"1\" b=\"&quot;\">"
                          "t&amp;<e/><![CDATA[<x>]]><?p d?></r>");
    // What is written reads back to the same tree.
    EXPECT_EQ(Load(doc->Xml())->Xml(), doc->Xml());
}

TEST(XmlDom, CloneNodeCopiesNameAndValueOnly) {
    auto doc = Load("<r a='1'><c/></r>");
    auto copy = doc->DocumentElement()->CloneNode();
    EXPECT_EQ(copy->Xml(), "<r/>");
    EXPECT_EQ(copy->ParentNode(), nullptr);
    auto docCopy = MakeRef<TXmlDDocument>();
    docCopy->PreserveWhiteSpace = true;
    auto again = docCopy->CloneNode();
    EXPECT_TRUE(static_cast<TXmlDDocument*>(again.get())->PreserveWhiteSpace);
    EXPECT_EQ(MakeRef<TXmlDProcessingInstruction>("t", "d")->CloneNode()->Xml(), "<?t d?>");
    EXPECT_EQ(MakeRef<TXmlDCDATASection>("x")->CloneNode()->NodeType(), ntCDATASection);
}

TEST(XmlDom, NodesOutliveTheDocumentWhileHeld) {
    TRefPtr<TXmlDNode> item;
    TRefPtr<TXmlDNodeList> children;
    {
        auto doc = Load("<r><i idx='4'>keep</i></r>");
        children.Assign(doc->DocumentElement()->ChildNodes());
        item.Assign(children->Item(0));
    }
    // The tree is gone; what we hold is intact and points at nothing freed.
    EXPECT_EQ(item->GetAttribute("idx"), "4");
    EXPECT_EQ(item->Text(), "keep");
    EXPECT_EQ(item->ParentNode(), nullptr);
    EXPECT_EQ(children->Length(), 0);
    EXPECT_EQ(children->Owner(), nullptr);
}

TEST(XmlDom, DeepNestingLoadsReadsAndFreesWithoutRecursion) {
    const int depth = 100000;
    std::string xml;
    for (int i = 0; i < depth; ++i)
        xml += "<a>";
    xml += "x";
    for (int i = 0; i < depth; ++i)
        xml += "</a>";
    auto doc = Load(xml);
    EXPECT_EQ(doc->Text(), "x");
    EXPECT_EQ(doc->Xml(), xml);
    TXmlDNode* node = doc->DocumentElement();
    int levels = 0;
    while (node && node->NodeType() == ntElement) {
        ++levels;
        node = node->FirstChild();
    }
    EXPECT_EQ(levels, depth);
    doc = nullptr;
}

TEST(XmlDom, InputAcrossBlockBoundaryAndLongValues) {
    std::string big(20000, 'v');
    big[8190] = '&';
    for (int pad = 4080; pad < 4100; ++pad) {
        std::string xml = "<r>" + std::string(static_cast<std::size_t>(pad), ' ') +
                          "<i idx='1' c='" + big + "'>" + big + "&amp;<![CDATA[" + big +
                          "]]></i>\r\n</r>";
        auto doc = Load(xml);
        TXmlDElement* r = doc->DocumentElement();
        ASSERT_EQ(r->ChildNodes()->Length(), 2) << pad; // the spaces are on one line
        TXmlDNode* i = r->ChildNodes()->Item(1);
        EXPECT_EQ(i->GetAttribute("c"), big);
        EXPECT_EQ(i->Text(), big + "&" + big);
    }
}

TEST(XmlDom, ConsultationAnswer) {
    // Two items: the first rates row 1, the second row 0 with no comment.
    const std::string answer = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n"
                               "<result>\r\n"
                               "  <item idx=\"1\" rating=\"3\">Tray icon manager</item>\r\n"
                               "  <item idx=\"0\" rating=\"0\"></item>\r\n"
                               "</result>\r\n";
    auto doc = Load(answer);
    TXmlDElement* root = doc->DocumentElement();
    ASSERT_NE(root, nullptr);
    TXmlDNodeList* items = root->ChildNodes();
    ASSERT_EQ(items->Length(), 2);
    struct Row {
        std::string rating, comment, idx;
    };
    std::vector<Row> rows;
    for (int k = 0; k < items->Length(); ++k) {
        TXmlDNode* item = items->Item(k);
        rows.push_back(
            {item->GetAttribute("rating", ""), item->Text(), item->GetAttribute("idx", "")});
    }
    EXPECT_EQ(rows[0].idx, "1");
    EXPECT_EQ(rows[0].rating, "3");
    EXPECT_EQ(rows[0].comment, "Tray icon manager");
    EXPECT_EQ(rows[1].idx, "0");
    EXPECT_EQ(rows[1].rating, "0");
    EXPECT_EQ(rows[1].comment, "");
}

TEST(XmlDom, ConsultationAnswerShapesThatFailAtAnItem) {
    // Items separated by single spaces on one line: the space becomes a text
    // node without "idx", which is where the consultation stops.
    auto doc = Load("<r><i idx='0' rating='1'/> <i idx='1' rating='2'/></r>");
    TXmlDNodeList* items = doc->DocumentElement()->ChildNodes();
    ASSERT_EQ(items->Length(), 3);
    EXPECT_EQ(items->Item(1)->NodeType(), ntText);
    EXPECT_EQ(items->Item(1)->GetAttribute("idx", ""), "");
    // The comment keeps its surrounding whitespace and decodes "&lt;".
    auto spaced = Load("<r><i idx='0'>\r\n  a &lt; b  \r\n</i></r>");
    EXPECT_EQ(spaced->DocumentElement()->FirstChild()->Text(), "\r\n  a < b  \r\n");
}

TEST(XmlDom, AppendingToTextNodeIsRefused) {
    auto doc = Load("<a>t</a>");
    TXmlDNode* text = doc->DocumentElement()->FirstChild();
    auto more = MakeRef<TXmlDText>("u");
    EXPECT_EQ(ErrorOf([&] { text->AppendChild(more.get()); }),
              "XML: узел \"text\" не может содержать подузлы");
}

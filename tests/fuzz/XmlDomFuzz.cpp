// Any bytes either load into a tree or fail with one of the reader's or the
// document model's own messages; a loaded tree writes itself as XML that
// loads back to the same tree; reading values in pieces gives the same
// values as reading them whole.

#include "online/xml/XXml.h"
#include "online/xml/XXmlDom.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::set<std::string>& KnownMessages() {
    static const std::set<std::string> messages = [] {
        const std::string e = "Ошибка в XML-документе: ";
        std::set<std::string> m;
        for (const char* text :
             {"неожидаемое завершение текста", "неизвестная специальная инструкция",
              "текст вне элемента", "не задано имя в обрабатывающей инструкции", "ожидается \"?>\"",
              "не задано имя в типе документа", "ожидается \">\" для типа документа",
              "ожидается \"-->\"", "ожидается \"]]\"", "ожидается \"]]>\"",
              "ожидается \">\" для открывающего тэга элемента",
              "не задано имя открывающего тэга элемента", "ожидается \"/>\"",
              "ожидается \"=\" для атрибута элемента", "не задано имя атрибута элемента",
              "не задано значение атрибута элемента", "ожидается атрибут элемента",
              "несоответствие имени закрывающего тэга имени открывающему",
              "ожидается \">\" для закрывающего тэга элемента"})
            m.insert(e + text);
        m.insert("XML: неправильная конструкция в XML-документе");
        m.insert("XML: узел \"element\" не может содержать подузел \"documenttype\"");
        return m;
    }();
    return messages;
}

struct Token {
    int kind;
    std::string name, value;
    bool operator!=(const Token& o) const {
        return kind != o.kind || name != o.name || value != o.value;
    }
};

// The tokens of the input with values joined from their pieces, and the
// error that ended the reading (empty when none).
std::vector<Token> ReadAll(const std::string& xml, int maxValueLength, std::string& error) {
    std::istringstream in(xml);
    TXmlReader reader;
    reader.MaxValueLength = maxValueLength;
    reader.Open(in);
    std::vector<Token> tokens;
    try {
        bool continuing = false;
        while (reader.Next() != xtEndOfDocument) {
            if (continuing != !reader.IsFirstPiece())
                std::abort();
            if (continuing)
                tokens.back().value += reader.Value();
            else
                tokens.push_back({reader.TokenKind(), reader.Name(), reader.Value()});
            continuing = !reader.IsLastPiece();
        }
    } catch (const EMorvaneError& e) {
        error = e.what();
    }
    return tokens;
}

// Element names that begin like markup ("< !x>" reads as the element "!x")
// are accepted but cannot be written back as the same element.
bool WritableAsRead(TXmlDNode* root) {
    std::vector<TXmlDNode*> todo{root};
    while (!todo.empty()) {
        TXmlDNode* node = todo.back();
        todo.pop_back();
        if (node->NodeType() == ntElement && !node->NodeName().empty() &&
            (node->NodeName()[0] == '!' || node->NodeName()[0] == '?'))
            return false;
        for (TXmlDNode* c = node->FirstChild(); c; c = c->NextSibling())
            todo.push_back(c);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks the options; the rest is the document.
    bool preserve = data[0] & 1;
    std::string xml(reinterpret_cast<const char*>(data) + 1, size - 1);

    auto doc = MakeRef<TXmlDDocument>();
    doc->PreserveWhiteSpace = preserve;
    std::istringstream in(xml);
    std::string error;
    try {
        doc->LoadFromStream(in);
    } catch (const EMorvaneError& e) {
        error = e.what();
        if (!KnownMessages().count(error))
            std::abort();
    }
    // Whatever was built can be read, as the consultation reads it.
    std::string text = doc->Text();
    std::string written = doc->Xml();
    if (TXmlDElement* root = doc->DocumentElement())
        for (int k = 0; k < root->ChildNodes()->Length(); ++k) {
            TXmlDNode* item = root->ChildNodes()->Item(k);
            item->GetAttribute("rating", "");
            item->GetAttribute("idx", "");
            item->Text();
        }

    if (error.empty() && WritableAsRead(doc.get())) {
        auto again = MakeRef<TXmlDDocument>();
        again->PreserveWhiteSpace = preserve;
        std::istringstream back(written);
        again->LoadFromStream(back);
        if (again->Xml() != written || again->Text() != text)
            std::abort();
    }

    std::string wholeError, piecesError;
    auto whole = ReadAll(xml, 0, wholeError);
    auto pieces = ReadAll(xml, 1 + (data[0] >> 1), piecesError);
    // Before an error the piecewise reader may already have delivered the
    // first pieces of the value that fails.
    if (wholeError != piecesError || whole.size() > pieces.size() ||
        (wholeError.empty() && whole.size() != pieces.size()))
        std::abort();
    for (std::size_t i = 0; i < whole.size(); ++i)
        if (whole[i] != pieces[i])
            std::abort();
    return 0;
}

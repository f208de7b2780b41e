#pragma once
// Text written into other formats: XML and HTML markup, JSON strings and CSV
// fields. Portable and free of the rest of the program, so that the window,
// the command-line tool and the rating server write the same bytes.
//
// One rule for every markup mode: the five characters & < > " and ' are
// always escaped, so an escaped text fits a text node and a quoted attribute
// value alike. The apostrophe is "&apos;" in XML (with the other four
// entities, the only references the rating client's reader decodes) and
// "&#39;" in HTML (HTML 4 and the older document modes of the system's HTML
// view know no "&apos;"). Every other byte passes unchanged, so text in any
// 8-bit code page stays as it is; control characters too: XML 1.0 cannot
// carry them even as references, so a document that must stay well formed
// replaces them before escaping (the XML export does).

#include <string>
#include <string_view>

enum class TEscape {
    XmlText,
    // As XmlText, and tab, line feed and carriage return as references: a
    // reader turns them into blanks inside an attribute value.
    XmlAttribute,
    Html,
};

void AppendEscaped(std::string& out, std::string_view text, TEscape mode);
std::string Escaped(std::string_view text, TEscape mode);

// A JSON string literal; UTF-8 passes through as it is, a lone surrogate's
// form becomes its \u escape and a byte that begins no UTF-8 form \ufffd.
std::string JsonString(std::string_view text);
void AppendJsonString(std::string& out, std::string_view text);
// One CSV field, quoted only when it holds a separator, a quote or a line break.
std::string CsvField(std::string_view text);

#pragma once
// Text that goes into an HTML page, and the readable text of a page for
// places that cannot show HTML.

#include <string>
#include <string_view>

// Escapes the five characters that can end a text or an attribute value:
// & < > " and ' (as "&#39;"), by the rule of TextEscape.h.
std::string HtmlEscape(std::string_view text);

// The text a reader would see in a page: tags dropped, line breaks where
// block elements and <br> end, the content of <script>, <style> and
// <title> and comments left out, the common entities decoded, blank runs
// folded. Used where no HTML view is available.
std::string HtmlToPlainText(std::string_view html);

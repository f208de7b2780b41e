#include "startupExport.h"

#include "ProgramSearch.h"
#include "startupSignatures.h"
#include "startupUtil.h"
#include "system/Errors.h"
#include "system/Files.h"
#include "system/TextEscape.h"
#include "system/TextScan.h"

namespace {

// XML 1.0 carries tab, line feed, carriage return and the characters from
// U+0020 up, but for the surrogates, U+FFFE and U+FFFF; not even a character
// reference makes the others well formed.
bool XmlCarries(char32_t cp) {
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
           (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

// The text escaped for XML; what XML cannot carry becomes U+FFFD, counted in
// `replaced`. A carriage return is written as a reference: a reader turns a
// raw one, and CR LF, into a line feed.
std::string XmlText(const std::string& text, size_t* replaced = nullptr) {
    std::string out;
    out.reserve(text.size());
    size_t count = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t from = i;
        char32_t cp = 0;
        if (!NextCodePoint(text, i, cp) || !XmlCarries(cp)) {
            out += "\xEF\xBF\xBD";
            ++count;
            continue;
        }
        if (cp == '\r')
            out += "&#xD;";
        else
            AppendEscaped(out, std::string_view(text).substr(from, i - from), TEscape::XmlText);
    }
    if (replaced)
        *replaced = count;
    return out;
}

// An element whose text lost characters XML cannot carry says how many in
// its "replaced" attribute, so that a reader knows the text is not whole.
void Element(std::string& out, const char* name, const std::string& text) {
    out += "    <";
    out += name;
    if (text.empty()) {
        out += "/>\r\n";
        return;
    }
    size_t replaced = 0;
    const std::string escaped = XmlText(text, &replaced);
    if (replaced)
        out += " replaced=\"" + std::to_string(replaced) + "\"";
    out += '>';
    out += escaped;
    out += "</";
    out += name;
    out += ">\r\n";
}

} // namespace

std::string StartupsToXml(const std::vector<const TStartup*>& entries) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
    out += "<startups count=\"" + std::to_string(entries.size()) + "\">\r\n";
    // One listing of each folder answers every entry's program file.
    TProgramLookups files;
    for (const TStartup* e : entries) {
        out += "  <startup>\r\n";
        Element(out, "title", e->Title);
        Element(out, "commandLine", e->CommandLine);
        Element(out, "programFile", e->FilePath);
        Element(out, "arguments", e->Arguments);
        out += "    <location code=\"" + std::to_string(e->Location) + "\">" +
               XmlText(LocationName(e->Location)) + "</location>\r\n";
        Element(out, "view", RegViewName(e->View));
        Element(out, "kind", LocationKind(e->Location));
        if (!e->PlaceKey.empty())
            Element(out, "placeKey", e->PlaceKey);
        Element(out, "rating", std::to_string(e->Rating));
        Element(out, "comment", e->Comment);
        Element(out, "ratingSource", e->Verdict.Source);
        // Who made the program, as its file proves it (empty when unchecked).
        const TFileSignature& signature = e->Verdict.Signature;
        Element(out, "publisher", PublisherText(*e));
        Element(out, "signature", SignatureStateName(signature.State));
        Element(out, "signer", signature.Signer);
        Element(out, "company", signature.Company);
        Element(out, "fileVersion", signature.FileVersion);
        Element(out, "sha256", signature.Sha256);
        Element(out, "lookAlike", e->Verdict.LookAlike ? "true" : "false");
        if (e->Verdict.LookAlike)
            Element(out, "lookAlikeReason", e->Verdict.LookAlikeReason);
        Element(out, "enabled", e->Enabled ? "true" : "false");
        Element(out, "blockedAtSignIn", e->BlockedAtSignIn ? "true" : "false");
        if (e->SetByOrganisation)
            Element(out, "setByOrganisation", "true");
        if (!e->WindowsNote().empty())
            Element(out, "note", e->WindowsNote());
        const TProgramFile& file = files.Locate(e->FilePath);
        Element(out, "locatedFile", file.Located);
        Element(out, "fileMissing", e->FilePath.empty() || file.Missing ? "true" : "false");
        out += "  </startup>\r\n";
    }
    out += "</startups>\r\n";
    return out;
}

void ExportStartupsXml(const std::vector<const TStartup*>& entries, const std::string& path) {
    const std::string text = StartupsToXml(entries);
    std::string reason;
    if (!WriteFileReplacing(path, text, &reason))
        throw EMorvaneError("Unable to write to " + path + ": " + reason);
}

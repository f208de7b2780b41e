#include "startupExport.h"

#include "startupUtil.h"
#include "system/Errors.h"
#include "system/Files.h"

#include <cstdio>

namespace {

std::string XmlText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                // Not even a character reference makes these XML 1.0; kept
                // as references so that nothing of the value is lost.
                char ref[8];
                std::snprintf(ref, sizeof ref, "&#x%02X;", c);
                out += ref;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

void Element(std::string& out, const char* name, const std::string& text) {
    out += "    <";
    out += name;
    if (text.empty()) {
        out += "/>\r\n";
        return;
    }
    out += '>';
    out += XmlText(text);
    out += "</";
    out += name;
    out += ">\r\n";
}

const char* ViewName(RegView view) {
    switch (view) {
    case RegView::Native:
        return "native";
    case RegView::Wow32:
        return "32-bit";
    default:
        return "default";
    }
}

} // namespace

std::string StartupsToXml(const std::vector<const TStartup*>& entries,
                          const std::string& encoding) {
    std::string out = "<?xml version=\"1.0\" encoding=\"" + XmlText(encoding) + "\"?>\r\n";
    out += "<startups count=\"" + std::to_string(entries.size()) + "\">\r\n";
    for (const TStartup* e : entries) {
        out += "  <startup>\r\n";
        Element(out, "title", e->Title);
        Element(out, "commandLine", e->CommandLine);
        Element(out, "programFile", e->FilePath);
        Element(out, "arguments", e->Arguments);
        out += "    <location code=\"" + std::to_string(e->Location) + "\">" +
               XmlText(LocationName(e->Location)) + "</location>\r\n";
        Element(out, "view", ViewName(e->View));
        Element(out, "rating", std::to_string(e->Rating));
        Element(out, "comment", e->Comment);
        Element(out, "ratingSource", e->Verdict.Source);
        Element(out, "enabled", e->Enabled ? "true" : "false");
        Element(out, "locatedFile", e->LocatedFile());
        Element(out, "fileMissing", e->FilePath.empty() || e->FileMissing() ? "true" : "false");
        out += "  </startup>\r\n";
    }
    out += "</startups>\r\n";
    return out;
}

void ExportStartupsXml(const std::vector<const TStartup*>& entries, const std::string& path,
                       const std::string& encoding) {
    const std::string text = StartupsToXml(entries, encoding);
    // Written beside the target first, so that a failed write keeps the old file.
    const std::string temporary = path + ".tmp";
    if (!WriteWholeFile(temporary, text) || !ReplaceFileWith(path, temporary)) {
        DeleteFileAt(temporary);
        throw EMorvaneError("Unable to write to " + path);
    }
}

// The command-line tool's output: the table people read, and the CSV and
// JSON that scripts parse. Kept apart from the commands so that the quoting
// and escaping can be tested without a system to scan.

#include "cli/CliOutput.h"

#include "core/startupExport.h"
#include "core/startupSignatures.h"
#include "core/system/Files.h"
#include "core/system/TextCodec.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

// "windows" for an entry Windows' Startup settings turned off, "morvane" for
// one Morvane keeps disabled, empty for an enabled one.
std::string DisabledBy(const TStartup& e) {
    if (e.Enabled)
        return std::string();
    return e.DisabledByWindows ? "windows" : "morvane";
}

std::vector<std::string> AlsoInNames(const TStartup& e) {
    return e.AlsoInNames();
}

namespace {

// Appends `, "name": ` and the value: a JSON string, null for an empty one
// where that is the field's way of saying "none", or a literal.
void AppendField(std::string& out, const char* name) {
    out += ", \"";
    out += name;
    out += "\": ";
}

void AppendString(std::string& out, const char* name, std::string_view value) {
    AppendField(out, name);
    AppendJsonString(out, value);
}

void AppendStringOrNull(std::string& out, const char* name, std::string_view value) {
    AppendField(out, name);
    if (value.empty())
        out += "null";
    else
        AppendJsonString(out, value);
}

void AppendLiteral(std::string& out, const char* name, std::string_view literal) {
    AppendField(out, name);
    out += literal;
}

const char* JsonBool(bool value) {
    return value ? "true" : "false";
}

// The JSON fields of who made the program, as its file proves it.
void AppendSignatureFields(std::string& out, const TStartup& e) {
    const TFileSignature& s = e.Verdict.Signature;
    AppendStringOrNull(out, "publisher", PublisherText(e));
    AppendString(out, "signature", SignatureStateName(s.State));
    AppendStringOrNull(out, "signer", s.Signer);
    AppendStringOrNull(out, "company", s.Company);
    AppendStringOrNull(out, "fileVersion", s.FileVersion);
    AppendStringOrNull(out, "sha256", s.Sha256);
    AppendLiteral(out, "lookAlike", JsonBool(e.Verdict.LookAlike));
    if (e.Verdict.LookAlike)
        AppendString(out, "lookAlikeReason", e.Verdict.LookAlikeReason);
}

// The JSON fields of what is known of the program, after "rating"; the
// look-alike mark unless the signature fields follow with it.
void AppendRatingFields(std::string& out, const TStartup& e, bool withSignature) {
    const TProgramVerdict& v = e.Verdict;
    AppendString(out, "comment", e.Comment);
    AppendStringOrNull(out, "ratingSource", v.Source);
    if (withSignature)
        AppendSignatureFields(out, e);
    if (!v.TurnOff.empty())
        AppendString(out, "turnOff", v.TurnOff);
    if (!v.ScriptHost.empty())
        AppendString(out, "scriptHost", v.ScriptHost);
    if (v.LookAlike && !withSignature) {
        AppendLiteral(out, "lookAlike", "true");
        AppendString(out, "lookAlikeReason", v.LookAlikeReason);
    }
}

} // namespace

std::string FormatList(const std::vector<const TStartup*>& rows, Format format) {
    std::string out;
    // One listing of each folder answers every row's program file.
    TProgramLookups files;
    if (format == Format::Xml) {
        out = StartupsToXml(rows);
    } else if (format == Format::Csv) {
        // "enabled" stays the last column, as scripts read it.
        out += "title,command line,program file,arguments,location,location name,rating,"
               "located file,file missing,disabled by,also in,comment,rating source,publisher,"
               "signature,signer,company,file version,sha256,look-alike,look-alike reason,"
               "kind,blocked at sign-in,set by organisation,note,enabled\r\n";
        for (const TStartup* e : rows) {
            std::string alsoIn;
            for (const std::string& name : AlsoInNames(*e))
                alsoIn += (alsoIn.empty() ? "" : "; ") + name;
            const TProgramFile& file = files.Locate(e->FilePath);
            out += CsvField(e->Title) + ',' + CsvField(e->CommandLine) + ',' +
                   CsvField(e->FilePath) + ',' + CsvField(e->Arguments) + ',' +
                   std::to_string(e->Location) + ',' + CsvField(e->LocationText()) + ',' +
                   std::to_string(e->Rating) + ',' + CsvField(file.Located) + ',' +
                   (file.Missing ? "1" : "0") + ',' + DisabledBy(*e) + ',' + CsvField(alsoIn) +
                   ',' + CsvField(e->Comment) + ',' + CsvField(e->Verdict.Source) + ',' +
                   CsvField(PublisherText(*e)) + ',';
            const TFileSignature& s = e->Verdict.Signature;
            out += SignatureStateName(s.State);
            for (const std::string* field : {&s.Signer, &s.Company, &s.FileVersion, &s.Sha256}) {
                out += ',';
                out += CsvField(*field);
            }
            out += e->Verdict.LookAlike ? ",1," : ",0,";
            out += CsvField(e->Verdict.LookAlikeReason);
            out += std::string(",") + LocationKind(e->Location);
            out += e->BlockedAtSignIn ? ",1" : ",0";
            out += e->SetByOrganisation ? ",1," : ",0,";
            out += CsvField(e->WindowsNote());
            out += e->Enabled ? ",1\r\n" : ",0\r\n";
        }
    } else if (format == Format::Json) {
        out += "[";
        for (size_t i = 0; i < rows.size(); ++i) {
            const TStartup* e = rows[i];
            const TProgramFile& file = files.Locate(e->FilePath);
            out += i ? ",\n " : "\n ";
            out += "{\"title\": ";
            AppendJsonString(out, e->Title);
            AppendString(out, "commandLine", e->CommandLine);
            AppendString(out, "programFile", e->FilePath);
            AppendString(out, "arguments", e->Arguments);
            AppendLiteral(out, "location", std::to_string(e->Location));
            AppendString(out, "locationName", e->LocationText());
            AppendString(out, "kind", LocationKind(e->Location));
            AppendLiteral(out, "rating", std::to_string(e->Rating));
            AppendRatingFields(out, *e, true);
            AppendLiteral(out, "enabled", JsonBool(e->Enabled));
            AppendString(out, "locatedFile", file.Located);
            AppendLiteral(out, "fileMissing", JsonBool(file.Missing));
            AppendStringOrNull(out, "disabledBy", DisabledBy(*e));
            AppendField(out, "alsoIn");
            out += '[';
            bool first = true;
            for (const std::string& name : AlsoInNames(*e)) {
                out += first ? "" : ", ";
                AppendJsonString(out, name);
                first = false;
            }
            out += ']';
            const std::string note = e->WindowsNote();
            if (!note.empty())
                AppendString(out, "note", note);
            AppendLiteral(out, "blockedAtSignIn", JsonBool(e->BlockedAtSignIn));
            if (!e->PlaceKey.empty())
                AppendString(out, "placeKey", e->PlaceKey);
            if (e->SetByOrganisation)
                AppendLiteral(out, "setByOrganisation", "true");
            if (!e->Warning.empty())
                AppendString(out, "warning", e->Warning);
            out += "}";
        }
        out += rows.empty() ? "]\n" : "\n]\n";
    } else {
        size_t titleWidth = 5;
        size_t locationWidth = 8;
        for (const TStartup* e : rows) {
            titleWidth = std::max(titleWidth, e->Title.size());
            locationWidth = std::max(locationWidth, e->LocationText().size());
        }
        titleWidth = std::min<size_t>(titleWidth, 40);
        auto pad = [](std::string s, size_t width) {
            if (s.size() > width)
                s = s.substr(0, width - 1) + "~";
            return s + std::string(width - s.size() + 2, ' ');
        };
        out += "On  " + pad("Title", titleWidth) + pad("Location", locationWidth) +
               "Rating  Command line\n";
        for (const TStartup* e : rows) {
            out += std::string(e->Enabled ? "[x] " : "[ ] ") + pad(e->Title, titleWidth) +
                   pad(e->LocationText(), locationWidth) + pad(std::to_string(e->Rating), 6) +
                   e->CommandLine + "\n";
            for (const std::string& remark :
                 {e->DisabledReason(), e->AlsoInText(), e->WindowsNote(),
                  files.Locate(e->FilePath).Missing ? std::string("program file not found")
                                                    : std::string(),
                  e->Verdict.LookAlike ? e->Verdict.LookAlikeReason : std::string()})
                if (!remark.empty())
                    out += "    (" + remark + ")\n";
        }
        out += std::to_string(rows.size()) + (rows.size() == 1 ? " entry\n" : " entries\n");
    }
    // CSV and the table have no escapes: what is not UTF-8 is replaced, or a
    // strict reader refuses the whole output.
    return format == Format::Csv || format == Format::Table ? WellFormedUtf8(out) : out;
}

std::string FormatRatings(const std::vector<const TStartup*>& rows, Format format) {
    std::string out;
    if (format == Format::Csv) {
        out += "title,program file,location name,rating,rating name,comment,rating source\r\n";
        for (const TStartup* e : rows)
            out += CsvField(e->Title) + ',' + CsvField(e->FilePath) + ',' +
                   CsvField(e->LocationText()) + ',' + std::to_string(e->Rating) + ',' +
                   CsvField(RatingName(e->Rating)) + ',' + CsvField(e->Comment) + ',' +
                   CsvField(e->Verdict.Source) + "\r\n";
    } else if (format == Format::Json) {
        out += "[";
        for (size_t i = 0; i < rows.size(); ++i) {
            const TStartup* e = rows[i];
            out += i ? ",\n " : "\n ";
            out += "{\"title\": ";
            AppendJsonString(out, e->Title);
            AppendString(out, "programFile", e->FilePath);
            AppendString(out, "locationName", e->LocationText());
            AppendLiteral(out, "rating", std::to_string(e->Rating));
            AppendString(out, "ratingName", RatingName(e->Rating));
            AppendRatingFields(out, *e, false);
            out += '}';
        }
        out += rows.empty() ? "]\n" : "\n]\n";
    } else {
        for (const TStartup* e : rows) {
            std::string comment = e->Comment;
            for (char& c : comment)
                if (c == '\r' || c == '\n' || c == '\t')
                    c = ' ';
            out += e->Title + " (" + ExtractFileName(e->FilePath) + "): " + RatingName(e->Rating) +
                   (comment.empty() ? "" : " - " + comment) + "\n";
        }
        out += std::to_string(rows.size()) + (rows.size() == 1 ? " entry\n" : " entries\n");
    }
    return format == Format::Json ? out : WellFormedUtf8(out);
}

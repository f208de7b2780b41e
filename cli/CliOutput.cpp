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

std::string JsonOrNull(const std::string& s) {
    return s.empty() ? std::string("null") : JsonString(s);
}

// The JSON fields of who made the program, as its file proves it.
std::string SignatureFields(const TStartup& e) {
    const TFileSignature& s = e.Verdict.Signature;
    std::string out = ", \"publisher\": ";
    out += JsonOrNull(PublisherText(e));
    out += ", \"signature\": ";
    out += JsonString(SignatureStateName(s.State));
    out += ", \"signer\": ";
    out += JsonOrNull(s.Signer);
    out += ", \"company\": ";
    out += JsonOrNull(s.Company);
    out += ", \"fileVersion\": ";
    out += JsonOrNull(s.FileVersion);
    out += ", \"sha256\": ";
    out += JsonOrNull(s.Sha256);
    out += ", \"lookAlike\": ";
    out += e.Verdict.LookAlike ? "true" : "false";
    if (e.Verdict.LookAlike) {
        out += ", \"lookAlikeReason\": ";
        out += JsonString(e.Verdict.LookAlikeReason);
    }
    return out;
}

// The JSON fields of what is known of the program, after "rating"; the
// look-alike mark unless the signature fields follow with it.
std::string RatingFields(const TStartup& e, bool withSignature) {
    const TProgramVerdict& v = e.Verdict;
    std::string out = ", \"comment\": " + JsonString(e.Comment) + ", \"ratingSource\": " +
                      (v.Source.empty() ? std::string("null") : JsonString(v.Source));
    if (withSignature)
        out += SignatureFields(e);
    if (!v.TurnOff.empty())
        out += ", \"turnOff\": " + JsonString(v.TurnOff);
    if (!v.ScriptHost.empty())
        out += ", \"scriptHost\": " + JsonString(v.ScriptHost);
    if (v.LookAlike && !withSignature)
        out += ", \"lookAlike\": true, \"lookAlikeReason\": " + JsonString(v.LookAlikeReason);
    return out;
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
            out += "{\"title\": " + JsonString(e->Title) +
                   ", \"commandLine\": " + JsonString(e->CommandLine) +
                   ", \"programFile\": " + JsonString(e->FilePath) +
                   ", \"arguments\": " + JsonString(e->Arguments) +
                   ", \"location\": " + std::to_string(e->Location) +
                   ", \"locationName\": " + JsonString(e->LocationText()) +
                   ", \"kind\": " + JsonString(LocationKind(e->Location)) +
                   ", \"rating\": " + std::to_string(e->Rating) + RatingFields(*e, true) +
                   ", \"enabled\": " + (e->Enabled ? "true" : "false") +
                   ", \"locatedFile\": " + JsonString(file.Located) +
                   ", \"fileMissing\": " + (file.Missing ? "true" : "false") +
                   ", \"disabledBy\": " +
                   (e->Enabled ? std::string("null") : JsonString(DisabledBy(*e)));
            std::string alsoIn;
            for (const std::string& name : AlsoInNames(*e))
                alsoIn += (alsoIn.empty() ? "" : ", ") + JsonString(name);
            out += ", \"alsoIn\": [" + alsoIn + "]";
            if (!e->WindowsNote().empty())
                out += ", \"note\": " + JsonString(e->WindowsNote());
            out += std::string(", \"blockedAtSignIn\": ") + (e->BlockedAtSignIn ? "true" : "false");
            if (!e->PlaceKey.empty())
                out += ", \"placeKey\": " + JsonString(e->PlaceKey);
            if (e->SetByOrganisation)
                out += ", \"setByOrganisation\": true";
            if (!e->Warning.empty())
                out += ", \"warning\": " + JsonString(e->Warning);
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
            out += "{\"title\": " + JsonString(e->Title) +
                   ", \"programFile\": " + JsonString(e->FilePath) +
                   ", \"locationName\": " + JsonString(e->LocationText()) +
                   ", \"rating\": " + std::to_string(e->Rating) +
                   ", \"ratingName\": " + JsonString(RatingName(e->Rating)) +
                   RatingFields(*e, false) + "}";
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

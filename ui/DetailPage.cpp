// The detail page of one entry, built from the template and the entry.

#include "DetailPage.h"

#include "WebLinks.h"
#include "core/startupSignatures.h"
#include "core/startupUtil.h"
#include "core/system/Files.h"
#include "core/system/Folders.h"
#include "online/Consult.h"
#include "online/formencoder.h"
#include "template/HtmlText.h"
#include "template/TemplatePower.h"

const char* const DetailTemplateName = "mrvTemplate.tpl";
const char* const DetailPageName = "mrvComment.htm";

std::vector<std::pair<std::string, std::string>>
DetailPageVariables(const TStartup& entry, bool fileFound, const std::string& server) {
    std::string filename = HtmlEscape(entry.FilePath);
    if (!fileFound)
        filename += "<BR><font size=2 color=red>Warning: This file does not exists.</font>";
    const TProgramVerdict& verdict = entry.Verdict;
    // What Windows itself does with the entry: turned off in its Startup
    // settings, registered in more places, or a key it never reads; and
    // what the program is started through.
    std::string notes;
    const std::string host =
        verdict.ScriptHost.empty() ? "" : "Runs a script through " + verdict.ScriptHost + ".";
    for (const std::string& note :
         {entry.DisabledReason(), entry.AlsoInText(), entry.WindowsNote(), host}) {
        if (!note.empty())
            notes += "<div class=\"note\">" + HtmlEscape(note) + "</div>";
    }
    const std::string program = RequestFileName(entry);
    std::string comments;
    if (!entry.DetailComment.empty())
        comments = HtmlEscape(entry.DetailComment);
    else
        comments = "No information was retrieved about this program. If you know what this "
                   "program is please <a href=\"" +
                   ContributionAddress(entry.Title, program, server) +
                   "\">click here</a> to submit your information.";
    if (!verdict.TurnOff.empty())
        comments += "<div class=\"turnoff\">To stop it starting from inside the program: " +
                    HtmlEscape(verdict.TurnOff) + "</div>";
    const TFileSignature& signature = verdict.Signature;
    const std::string notKnown = "<span class=\"empty\">not known</span>";
    auto orNotKnown = [&notKnown](const std::string& value) {
        return value.empty() ? notKnown : HtmlEscape(value);
    };
    const bool checking = signature.State == TSignatureState::Unchecked;
    std::string publisher = PublisherText(entry);
    std::string signatureText = SignatureStateText(signature.State);
    if (!signature.Signer.empty()) {
        signatureText += " (";
        signatureText += signature.Signer;
        signatureText += ')';
    }
    const std::string lookAlike =
        verdict.LookAlike && !verdict.LookAlikeReason.empty()
            ? "<div class=\"warning\">" + HtmlEscape(verdict.LookAlikeReason) + "</div>"
            : std::string();
    const std::string source = verdict.Source.empty() ? std::string("No rating yet.")
                                                      : "Rating from " + verdict.Source + ".";
    return {
        {"title", HtmlEscape(entry.Title)},
        {"filename", filename},
        {"argument", HtmlEscape(entry.Arguments)},
        {"q_title", UrlEncode(entry.Title)},
        {"q_filename_only", UrlEncode(program)},
        {"required", RatingName(entry.Rating)}, // text of ours, never markup
        {"startuplocation", HtmlEscape(entry.LocationText())},
        {"comments", comments},
        {"publisher", checking && publisher.empty()
                          ? std::string("<span class=\"empty\">checking</span>")
                          : orNotKnown(publisher)},
        {"signature", HtmlEscape(signatureText)},
        {"company", orNotKnown(signature.Company)},
        {"fileversion", orNotKnown(signature.FileVersion)},
        {"sha256", orNotKnown(signature.Sha256)},
        {"lookalike", lookAlike},
        {"ratingsource", HtmlEscape(source)},
        {"notes", notes},
    };
}

std::vector<std::string> BuildDetailPage(const std::vector<std::string>& templateLines,
                                         const TStartup& entry, bool fileFound,
                                         const std::string& server) {
    TTemplatePower engine;
    engine.TemplateLines = templateLines;
    engine.Prepare();
    for (const auto& [name, value] : DetailPageVariables(entry, fileFound, server))
        engine.AssignVar(name, value);
    std::vector<std::string> page;
    engine.WriteOutput(page);
    return page;
}

std::string PerUserPageFolder() {
    std::string base = ShellFolderPath(csidlLocalAppData);
    if (base.empty())
        base = GetEnv("LOCALAPPDATA");
    if (base.empty())
        base = GetSpecialFolder(folderAppData);
    return PathJoin(base, "Morvane");
}

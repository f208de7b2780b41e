#pragma once
// The detail page of one entry: the template beside the program, filled with
// the entry's values, written to "mrvComment.htm" and shown in the detail pane.

#include "online/RatingProtocol.h"

#include <string>
#include <utility>
#include <vector>

class TStartup;

extern const char* const DetailTemplateName; // "mrvTemplate.tpl"
extern const char* const DetailPageName;     // "mrvComment.htm"

// The eight variables of the page, in the order they are assigned, then
// "publisher" (the signer, else the company the file claims, marked "not
// verified"), "signature" (its state and signer), "company", "fileversion",
// "sha256" (of the program file), "lookalike" (why the program is not the
// well-known one whose name it takes, or empty), "ratingsource" (where the
// rating comes from) and "notes":
// what Windows does with the entry (turned off in its Startup settings,
// registered in more places, a key it never reads, the script host that
// runs it). The invitation to contribute goes to `server`, the rating
// server the user chose, else to the maker's site. Every
// value taken from the entry is HTML-escaped (titles, file names and server
// comments come from the registry, shortcut files and the network, and the
// page runs script); the warning and the invitation keep their markup.
std::vector<std::pair<std::string, std::string>>
DetailPageVariables(const TStartup& entry, bool fileFound, const std::string& server = "");

// Fills the template's lines with the variables; the page's lines.
std::vector<std::string> BuildDetailPage(const std::vector<std::string>& templateLines,
                                         const TStartup& entry, bool fileFound,
                                         const std::string& server = "");

// Where the page goes when the program's folder cannot take it:
// "%LOCALAPPDATA%\Morvane".
std::string PerUserPageFolder();

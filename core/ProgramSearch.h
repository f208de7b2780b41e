#pragma once
// Finding a program file the way Windows finds it: the name itself with its
// environment variables expanded, else the first match in the folders of
// "PATH"; and whether what was found exists. The list's red line, the
// detail page and the command-line tool all ask LocateProgramFile, directly
// or through TProgramLookups, which answers many entries from one listing
// of each folder.

#include "system/StringList.h"

#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>

// The search path, split once from "PATH" at the first use.
TStringList& SearchFolders();
void SplitList(const std::string& text, char separator, TStringList& list);
// The name itself when it exists, else the first match in the search path,
// else the name unchanged. Environment variables in the name are expanded
// first, and the native System32 is looked in (NativeFilePath), so the
// answer names the file the way Windows starts it; nothing stored changes.
std::string FindOnPath(const std::string& name);
// The same search with the test of each candidate given (it is handed the
// candidate as FindOnPath writes it, before NativeFilePath), for a caller
// that answers many searches from what it already knows of the folders;
// found tells whether the answer exists.
std::string FindOnPath(const std::string& name,
                       const std::function<bool(const std::string&)>& exists, bool* found);
// Whether a FindOnPath answer names an existing file, seen as Windows sees it.
bool ProgramFileExists(const std::string& located);

// An entry's program file as found, and whether it is missing.
struct TProgramFile {
    std::string Located;
    bool Missing = false;
};
// FindOnPath of a program file (an entry's FilePath) and ProgramFileExists
// of the answer; with `exists`, that test stands in for ProgramFileExists.
TProgramFile LocateProgramFile(const std::string& filePath);
TProgramFile LocateProgramFile(const std::string& filePath,
                               const std::function<bool(const std::string&)>& exists);

// Whether a file exists, answered from one listing of its folder, taken at
// the first question about that folder and kept until Clear. A search for a
// program file that is nowhere to be found asks about every search-path
// folder, and each such question costs a look through the whole folder
// under Wine (its names are compared without regard to case); asked of a
// listing, the thousandth question about System32 costs no more than a
// lookup in a table. Names the listing cannot answer for exactly (short
// 8.3 names, names beyond ASCII, device and UNC paths, a folder that cannot
// be listed) are asked of the file system itself (FileListingKey). A folder
// is looked for in its parent's listing first: the programs of ten thousand
// uninstalled vendors under "Program Files" cost one listing, not ten
// thousand.
class TFolderListings {
public:
    // The answer of ProgramFileExists for a name as FindOnPath writes it.
    bool ProgramFileExists(const std::string& located);
    void Clear();
    // How many folders were listed since Clear.
    int Count() const { return listed_; }

private:
    struct TListing {
        bool Listed = false;                     // false: ask the file system
        bool OtherNames = false;                 // names beyond ASCII, not in Files
        std::unordered_set<std::string> Files;   // as FileListingKey writes them
        std::unordered_set<std::string> Folders; // the sub-folders, alike
    };
    const TListing& ListingOf(const std::string& folder);
    const TListing& Listed(const std::string& folder);

    std::unordered_map<std::string, TListing> byFolder_; // by FileListingKey's folder
    int listed_ = 0;
};

// LocateProgramFile once per program file until Clear, each search answered
// from the folders' listings.
class TProgramLookups {
public:
    const TProgramFile& Locate(const std::string& filePath);
    void Clear();
    // How many program files were looked up since Clear.
    int Count() const { return static_cast<int>(byPath_.size()); }

private:
    TFolderListings folders_;
    std::unordered_map<std::string, TProgramFile> byPath_;
};

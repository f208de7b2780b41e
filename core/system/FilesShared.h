#pragma once
// What each platform's file services give the shared search: one folder's
// listing. The walk itself (which names count, which folders are entered)
// is the same everywhere and lives in Files.cpp.

#include <string>
#include <vector>

namespace files_detail {

struct FolderItem {
    std::string Name;
    bool Folder = false;
    // A link or junction to a folder, which the search does not enter.
    bool Link = false;
};

// The items of a folder, "." and ".." included or not; nothing when it
// cannot be listed.
std::vector<FolderItem> ListFolder(const std::string& folder);

} // namespace files_detail

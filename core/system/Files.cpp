// The path helpers are pure string functions on backslash paths, the same
// on every platform; so is the safe writer, over the platform's services.
#include "Files.h"
#include "Errors.h"
#include "FilesShared.h"
#include "TempName.h"
#include "core/system/AsciiCase.h"

#include <algorithm>

namespace {

void findInto(const std::string& folder, const std::string& extensions, bool recurse,
              std::vector<std::string>& found) {
    // Entering the folder is part of the search: it is left the current one.
    if (!FolderExists(folder))
        return;
    std::vector<std::string> subFolders;
    for (const files_detail::FolderItem& item : files_detail::ListFolder(folder)) {
        if (item.Name.empty() || item.Name[0] == '.')
            continue;
        if (recurse && item.Folder) {
            // A linked folder may lead back up the tree; the search must end.
            if (!item.Link)
                subFolders.push_back(PathJoin(folder, item.Name));
        } else if (MatchesExtensionList(item.Name, extensions)) {
            found.push_back(PathJoin(folder, item.Name));
        }
    }
    for (const std::string& sub : subFolders)
        findInto(sub, extensions, recurse, found);
}

} // namespace

std::vector<std::string> FindFiles(const std::string& folder, const std::string& extensions,
                                   bool recurse) {
    std::vector<std::string> found;
    findInto(folder, extensions, recurse, found);
    return found;
}

bool MatchesExtensionList(const std::string& name, const std::string& extensions) {
    std::string::size_type dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    return asciiUpper(extensions).find(asciiUpper(name.substr(dot))) != std::string::npos;
}

std::string PathJoin(const std::string& folder, const std::string& name) {
    std::string::size_type skip = !name.empty() && name[0] == '\\' ? 1 : 0;
    std::string result = folder;
    if (!folder.empty() && folder.back() != '\\')
        result += '\\';
    result.append(name, skip, std::string::npos);
    return result;
}

std::string FileDir(const std::string& path) {
    std::string::size_type slash = path.rfind('\\');
    if (slash == std::string::npos) {
        std::string::size_type colon = path.rfind(':');
        return colon == std::string::npos ? std::string() : path.substr(0, colon + 1);
    }
    while (slash > 0 && path[slash - 1] == '\\')
        --slash;
    return path.substr(0, slash);
}

std::string ExtractFileName(const std::string& path) {
    std::string::size_type sep = path.find_last_of("\\:");
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string SysnativePath(const std::string& path, const std::string& windowsFolder) {
    std::string folder = windowsFolder;
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    if (folder.empty())
        return path;
    const std::string system = asciiUpper(folder + "\\System32");
    if (path.size() < system.size() || asciiUpper(path.substr(0, system.size())) != system)
        return path;
    if (path.size() > system.size() && path[system.size()] != '\\')
        return path;
    return folder + "\\Sysnative" + path.substr(system.size());
}

namespace {

std::string ReasonOf(int code) {
    return code ? SystemErrorText(code) : std::string("the system gave no reason");
}

} // namespace

bool ReplaceFileChecked(const std::string& path,
                        const std::function<bool(const std::string& temporary)>& write,
                        const std::function<bool(const std::string& temporary)>& check,
                        std::string* reason) {
    const std::string temporary = UniqueTemporaryName(path);
    int code = 0;
    std::string why;
    SetLastSystemError(0);
    if (!write(temporary)) {
        code = LastSystemError();
        why = ReasonOf(code);
    } else if (!check(temporary)) {
        why = "the file written does not read back as it was meant";
    } else {
        SetLastSystemError(0);
        if (ReplaceFileWith(path, temporary))
            return true;
        code = LastSystemError();
        why = ReasonOf(code);
    }
    DeleteFileAt(temporary);
    // The caller of a nested write finds the failing step's code.
    SetLastSystemError(code);
    if (reason)
        *reason = why;
    return false;
}

bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string* reason,
                        const std::function<bool(const std::string& readBack)>& accept) {
    return ReplaceFileChecked(
        path, [&bytes](const std::string& temporary) { return WriteWholeFile(temporary, bytes); },
        [&](const std::string& temporary) {
            std::string back;
            return ReadWholeFile(temporary, back) && back == bytes && (!accept || accept(back));
        },
        reason);
}

#include "ProgramSearch.h"

#include "system/Files.h"

void SplitList(const std::string& text, char separator, TStringList& list) {
    size_t pos = 0;
    while (pos < text.size()) {
        const bool quoted = text[pos] == '"';
        std::string token;
        size_t end = std::string::npos;
        for (size_t i = pos; i < text.size(); ++i) {
            const char c = text[i];
            if (c == separator) {
                end = i;
                break;
            }
            if (c == '"') {
                if (quoted && !token.empty()) {
                    end = i;
                    break;
                }
                continue;
            }
            token += c;
        }
        size_t first = 0;
        size_t last = token.size();
        while (first < last && static_cast<unsigned char>(token[first]) <= ' ')
            ++first;
        while (last > first && static_cast<unsigned char>(token[last - 1]) <= ' ')
            --last;
        list.Add(token.substr(first, last - first));
        pos = end == std::string::npos ? text.size() : end + 1;
    }
}

TStringList& SearchFolders() {
    static TStringList folders = [] {
        TStringList list;
        SplitList(GetEnv("PATH"), ';', list);
        return list;
    }();
    return folders;
}

bool ProgramFileExists(const std::string& located) {
    return FileExists(NativeFilePath(located));
}

std::string FindOnPath(const std::string& written) {
    return FindOnPath(written, ProgramFileExists, nullptr);
}

std::string FindOnPath(const std::string& written,
                       const std::function<bool(const std::string&)>& exists, bool* found) {
    if (found)
        *found = true;
    const std::string name = ExpandEnvironment(written);
    if (exists(name))
        return name;
    // A name with a drive ("C:\...", "C:app.exe") joined to a folder puts
    // the drive's colon inside a path, which names no file: such a name is
    // only ever found as itself, as Windows' own search finds it.
    if (name.size() >= 2 && name[1] == ':') {
        if (found)
            *found = false;
        return written;
    }
    static const std::string systemRoot = "%SystemRoot%";
    for (const std::string& entry : SearchFolders()) {
        std::string folder = entry;
        for (size_t at = folder.find(systemRoot); at != std::string::npos;
             at = folder.find(systemRoot, at)) {
            const std::string system = SystemFolder();
            folder.replace(at, systemRoot.size(), system);
            at += system.size();
        }
        const std::string candidate = PathJoin(ExpandEnvironment(folder), name);
        if (exists(candidate))
            return candidate;
    }
    if (found)
        *found = false;
    return written;
}

TProgramFile LocateProgramFile(const std::string& filePath) {
    return LocateProgramFile(filePath, ::ProgramFileExists);
}

TProgramFile LocateProgramFile(const std::string& filePath,
                               const std::function<bool(const std::string&)>& exists) {
    TProgramFile file;
    bool found = false;
    file.Located = FindOnPath(filePath, exists, &found);
    // Not found, the name comes back as written; that was asked already
    // unless the expansion of its variables changed it.
    file.Missing =
        !found && (file.Located == ExpandEnvironment(file.Located) || !exists(file.Located));
    return file;
}

// --- Listings of folders ------------------------------------------------------

bool TFolderListings::ProgramFileExists(const std::string& located) {
    const std::string native = NativeFilePath(located);
    std::string folder;
    std::string name;
    if (!FileListingKey(native, folder, name))
        return FileExists(native);
    const TListing& listing = ListingOf(folder);
    if (!listing.Listed)
        return FileExists(native);
    if (listing.Files.count(name))
        return true;
    return listing.OtherNames && FileExists(native);
}

const TFolderListings::TListing& TFolderListings::ListingOf(const std::string& folder) {
    auto it = byFolder_.find(folder);
    if (it != byFolder_.end())
        return it->second;
    // A folder its parent's listing does not hold is not there: no need to
    // ask the file system. A drive's or the file system's root has no parent
    // to ask.
    std::string parent;
    std::string name;
    if (FileListingKey(folder, parent, name) && parent.size() > 3 && parent != folder) {
        const TListing& above = Listed(parent);
        if (above.Listed && !above.OtherNames && !above.Folders.count(name)) {
            TListing missing;
            missing.Listed = true;
            return byFolder_.emplace(folder, std::move(missing)).first->second;
        }
    }
    return Listed(folder);
}

const TFolderListings::TListing& TFolderListings::Listed(const std::string& folder) {
    auto it = byFolder_.find(folder);
    if (it != byFolder_.end())
        return it->second;
    TListing listing;
    listing.Listed = ListFolderFiles(folder, listing.Files, listing.OtherNames, &listing.Folders);
    if (!listing.Listed) {
        listing.Files.clear();
        listing.Folders.clear();
    }
    ++listed_;
    return byFolder_.emplace(folder, std::move(listing)).first->second;
}

void TFolderListings::Clear() {
    byFolder_.clear();
    listed_ = 0;
}

const TProgramFile& TProgramLookups::Locate(const std::string& filePath) {
    auto it = byPath_.find(filePath);
    if (it != byPath_.end())
        return it->second;
    TProgramFile file = LocateProgramFile(
        filePath, [this](const std::string& name) { return folders_.ProgramFileExists(name); });
    return byPath_.emplace(filePath, std::move(file)).first->second;
}

void TProgramLookups::Clear() {
    folders_.Clear();
    byPath_.clear();
}

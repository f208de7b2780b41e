#pragma once
// Files, folders and paths. Paths use backslashes, as on Windows; the
// portable build maps them to the host's separator when it touches the disk.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

// True for files only, never for folders.
bool FileExists(const std::string& path);
// Deletes a file; true when it was deleted.
bool DeleteFileAt(const std::string& path);
// Copies a file, replacing the destination; true on success.
bool CopyFileTo(const std::string& from, const std::string& to);
// Moves a finished temporary file over the target in one step; true on success.
bool ReplaceFileWith(const std::string& target, const std::string& finished);

// Tests a folder by making it the process's current folder, which it stays.
bool FolderExists(const std::string& path);
// Creates each missing folder of the path from the root down. Always ends;
// false when a folder could not be created.
bool ForceFolders(const std::string& path);

// PathJoin(folder, name) for every item of the folder whose name does not
// begin with a dot and whose upper-cased extension (from its last dot) occurs
// within the upper-cased extension list. With recurse, sub-folders are
// searched after the folder itself; without it, a sub-folder is tested like a
// file.
std::vector<std::string> FindFiles(const std::string& folder, const std::string& extensions,
                                   bool recurse);
// FindFiles's test of one name: ".lnk" also admits ".L", ".LN" and a bare
// trailing dot, because the extension need only occur within the list.
bool MatchesExtensionList(const std::string& name, const std::string& extensions);

// Drops one leading backslash from the name and inserts a backslash unless
// the folder is empty or already ends with one.
std::string PathJoin(const std::string& folder, const std::string& name);
// The folder of a path, without a trailing backslash.
std::string FileDir(const std::string& path);
// The name after the last backslash or colon.
std::string ExtractFileName(const std::string& path);

std::string AppFolder();
std::string TempFolder();
std::string SystemFolder();
std::string CurrentFolder();

// A whole file as bytes; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& data);
// Creates or replaces a file with the bytes; false when it cannot be written.
bool WriteWholeFile(const std::string& path, const std::string& data);

// Writing a file so that a failure never loses the old one: the new file is
// written beside it under a unique temporary name (UniqueTemporaryName), then
// checked, and takes the old one's place in one move only when the check
// passes. On any failure the temporary file is deleted, the old file stays as
// it was, and `reason` (when given) says why in the system's words ("Access
// is denied") or names the check that failed.
// `write` writes the temporary file, false when it cannot; `check` reads it
// back, false when it does not hold what was meant.
bool ReplaceFileChecked(const std::string& path,
                        const std::function<bool(const std::string& temporary)>& write,
                        const std::function<bool(const std::string& temporary)>& check,
                        std::string* reason = nullptr);
// The same for bytes: the check reads them back and compares them, then
// hands what was read to `accept` when given.
bool WriteFileReplacing(const std::string& path, const std::string& bytes,
                        std::string* reason = nullptr,
                        const std::function<bool(const std::string& readBack)>& accept = {});

// Hands a file's bytes to `chunk` a piece at a time, so that a large file
// is never held whole; false when it cannot be read or `chunk` said stop.
bool ReadFileChunks(const std::string& path,
                    const std::function<bool(const char* data, std::size_t size)>& chunk);
// Up to `size` bytes from `offset` on (fewer where the file ends first, none
// past its end); false when it cannot be read. For formats read by their
// offsets, so that only the parts looked at are read.
bool ReadFilePart(const std::string& path, std::uint64_t offset, std::size_t size,
                  std::string& data);

// What tells one version of a file from another without reading it.
struct TFileStamp {
    std::uint64_t Size = 0;
    std::uint64_t WriteTime = 0; // in the file system's own units
    bool operator==(const TFileStamp&) const = default;
};
// False when the path names no file.
bool ReadFileStamp(const std::string& path, TFileStamp& stamp);

// For answering many questions of existence from one listing per folder:
// the path made whole as the file system makes it (the current folder, "."
// and "..", forward slashes; no disk access) and split into its folder and
// file name, both as the file system compares names (ASCII letters
// upper-cased on Windows). False when a listing cannot answer for the path
// exactly (short 8.3 names, names beyond ASCII, device and UNC paths): ask
// FileExists then.
bool FileListingKey(const std::string& path, std::string& folder, std::string& name);
// The names of a folder's files, as FileListingKey writes names, for a
// folder FileListingKey gave; with `folders`, the names of its sub-folders
// too. False when the folder could not be listed whole (then FileExists must
// answer); a folder that is not there is listed, empty. `otherNames`: it
// holds names beyond ASCII, which are left out (Windows may fold one onto an
// ASCII name).
bool ListFolderFiles(const std::string& folder, std::unordered_set<std::string>& names,
                     bool& otherNames, std::unordered_set<std::string>* folders = nullptr);

// An environment variable; empty when it is not set.
std::string GetEnv(const std::string& name);

// The text with every %NAME% of a set variable replaced by its value, as
// ExpandEnvironmentStringsW does it; unknown names stay as written. For
// looking files up only: what is stored keeps its variables.
std::string ExpandEnvironment(const std::string& text);

// The path under which a lookup sees the file that a 64-bit Windows means by
// `path`. A 32-bit program on 64-bit Windows has System32 redirected to
// SysWOW64; the "Sysnative" alias names the real System32 for it. Other
// programs and other paths get the path unchanged.
std::string NativeFilePath(const std::string& path);
// True in a 32-bit program on 64-bit Windows, whose System32 is SysWOW64.
bool SystemFolderRedirected();
// The rewrite behind NativeFilePath: `windowsFolder`\System32\... becomes
// `windowsFolder`\Sysnative\... (letter case ignored); other paths unchanged.
std::string SysnativePath(const std::string& path, const std::string& windowsFolder);

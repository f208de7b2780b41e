#include "Files.h"
#include "FilesShared.h"

#include "AsciiCase.h"

#include "UniqueHandle_win.h"
#include "WideText_win.h"
#include "FaultInjection.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

// A file that was just written may be open for a moment in another program
// (a virus scanner, the search indexer, Wine's menu builder for a new
// shortcut): the call is tried again for a while before it is given up.
// Replacing a file that is open is refused as access denied, which a
// read-only file gives too: that one is not waited for.
template <class Call> bool WhileInUseRetry(Call call, const wchar_t* file) {
    for (int attempt = 0;; ++attempt) {
        if (call())
            return true;
        const DWORD error = GetLastError();
        bool inUse = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
        if (error == ERROR_ACCESS_DENIED) {
            const DWORD attributes = GetFileAttributesW(file);
            inUse = attributes != INVALID_FILE_ATTRIBUTES &&
                    !(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
        }
        if (!inUse || attempt == 40) {
            SetLastError(error);
            return false;
        }
        Sleep(25);
    }
}

// A path that is not UTF-8 names no file; every call below fails on it.
bool widePath(const std::string& path, std::wstring& wide) {
    return ToWide(path, wide) && !wide.empty();
}

DWORD attributesOf(const std::string& path) {
    std::wstring wide;
    return widePath(path, wide) ? GetFileAttributesW(wide.c_str()) : INVALID_FILE_ATTRIBUTES;
}

bool isFolder(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Calls a Win32 function of the form f(buffer, size) -> length, which
// answers a larger size when the buffer is too small.
template <typename F> std::string bufferedText(F f, DWORD initial) {
    std::wstring buffer(initial, L'\0');
    for (int attempt = 0; attempt < 12; ++attempt) {
        DWORD n = f(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return FromWide(buffer);
        }
        // GetModuleFileNameW answers the buffer size when it truncates.
        buffer.assign(std::max<std::size_t>(n + 1, buffer.size() * 2), L'\0');
    }
    return {};
}

} // namespace

std::vector<files_detail::FolderItem> files_detail::ListFolder(const std::string& folder) {
    std::vector<FolderItem> items;
    WIN32_FIND_DATAW data;
    std::wstring pattern;
    if (!widePath(PathJoin(folder, "*.*"), pattern))
        return items;
    UniqueFind find(FindFirstFileW(pattern.c_str(), &data));
    if (!find)
        return items;
    do {
        FolderItem item;
        item.Name = FromWide(data.cFileName);
        item.Folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        item.Link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        items.push_back(std::move(item));
    } while (FindNextFileW(find.get(), &data));
    return items;
}

bool FileExists(const std::string& path) {
    DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DeleteFileAt(const std::string& path) {
    std::wstring wide;
    return widePath(path, wide) && fault_injection::AllowChange() &&
           WhileInUseRetry([&] { return DeleteFileW(wide.c_str()) != 0; }, wide.c_str());
}

bool CopyFileTo(const std::string& from, const std::string& to) {
    std::wstring wideFrom, wideTo;
    return widePath(from, wideFrom) && widePath(to, wideTo) && fault_injection::AllowChange() &&
           CopyFileW(wideFrom.c_str(), wideTo.c_str(), FALSE) != 0;
}

bool ReplaceFileWith(const std::string& target, const std::string& finished) {
    std::wstring wideTarget, wideFinished;
    return widePath(target, wideTarget) && widePath(finished, wideFinished) &&
           fault_injection::AllowChange() &&
           WhileInUseRetry(
               [&] {
                   return MoveFileExW(wideFinished.c_str(), wideTarget.c_str(),
                                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
               },
               wideTarget.c_str());
}

bool FolderExists(const std::string& path) {
    std::wstring wide;
    return widePath(path, wide) && SetCurrentDirectoryW(wide.c_str()) != 0;
}

bool ForceFolders(const std::string& path) {
    std::string target = path;
    while (!target.empty() && target.back() == '\\')
        target.pop_back();
    if (target.empty())
        return false;
    // The root ("C:\", "\\server\share" or "\") is never created; every
    // folder below it is, from the top down. Each step creates at most one
    // folder, so the walk ends after one pass over the path.
    std::string::size_type start = 1;
    if (target.rfind("\\\\", 0) == 0) {
        std::string::size_type share = target.find('\\', 2);
        start = share == std::string::npos ? share : target.find('\\', share + 1);
        if (start == std::string::npos)
            return isFolder(attributesOf(target));
    }
    for (std::string::size_type next = target.find('\\', start);;
         next = target.find('\\', next + 1)) {
        std::string prefix = target.substr(0, next);
        bool root = prefix.back() == '\\' || (prefix.size() == 2 && prefix[1] == ':');
        if (!root) {
            DWORD attributes = attributesOf(prefix);
            if (attributes == INVALID_FILE_ATTRIBUTES) {
                std::wstring wide;
                if (!(widePath(prefix, wide) && CreateDirectoryW(wide.c_str(), nullptr)) &&
                    !isFolder(attributesOf(prefix)))
                    return false;
            } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                return false;
            }
        }
        if (next == std::string::npos)
            break;
    }
    return isFolder(attributesOf(target));
}

bool ReadWholeFile(const std::string& path, std::string& data) {
    data.clear();
    return ReadFileChunks(path, [&data](const char* bytes, std::size_t size) {
        data.append(bytes, size);
        return true;
    });
}

bool ReadFileChunks(const std::string& path,
                    const std::function<bool(const char* data, std::size_t size)>& chunk) {
    std::wstring wide;
    if (!widePath(path, wide))
        return false;
    UniqueFile file(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return false;
    std::vector<char> buffer(1 << 16);
    DWORD got = 0;
    for (;;) {
        if (!ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            return false;
        if (got == 0)
            return true;
        if (!chunk(buffer.data(), got))
            return false;
    }
}

bool ReadFilePart(const std::string& path, std::uint64_t offset, std::size_t size,
                  std::string& data) {
    data.clear();
    std::wstring wide;
    if (!widePath(path, wide))
        return false;
    UniqueFile file(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (offset > static_cast<std::uint64_t>(INT64_MAX) ||
        !SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN))
        return false;
    data.resize(size);
    std::size_t filled = 0;
    while (filled < size) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - filled, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file.get(), data.data() + filled, want, &got, nullptr)) {
            data.clear();
            return false;
        }
        if (got == 0)
            break;
        filled += got;
    }
    data.resize(filled);
    return true;
}

bool ReadFileStamp(const std::string& path, TFileStamp& stamp) {
    std::wstring wide;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!widePath(path, wide) ||
        !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    stamp.Size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.WriteTime = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                      data.ftLastWriteTime.dwLowDateTime;
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& data) {
    std::wstring wide;
    if (!widePath(path, wide) || !fault_injection::AllowChange())
        return false;
    UniqueFile file(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    std::string::size_type done = 0;
    while (done < data.size()) {
        DWORD part =
            static_cast<DWORD>(std::min<std::string::size_type>(data.size() - done, 1 << 20));
        DWORD written = 0;
        if (!WriteFile(file.get(), data.data() + done, part, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

std::string AppFolder() {
    std::string exe = bufferedText(
        [](wchar_t* b, DWORD n) { return GetModuleFileNameW(nullptr, b, n); }, MAX_PATH);
    return FileDir(exe);
}

std::string TempFolder() {
    return bufferedText([](wchar_t* b, DWORD n) { return GetTempPathW(n, b); }, MAX_PATH + 1);
}

std::string SystemFolder() {
    return bufferedText([](wchar_t* b, DWORD n) { return GetSystemDirectoryW(b, n); },
                        MAX_PATH + 1);
}

std::string CurrentFolder() {
    return bufferedText([](wchar_t* b, DWORD n) { return GetCurrentDirectoryW(n, b); },
                        MAX_PATH + 1);
}

std::string GetEnv(const std::string& name) {
    std::wstring wideName;
    if (!ToWide(name, wideName))
        return {};
    return bufferedText(
        [&wideName](wchar_t* b, DWORD n) {
            return GetEnvironmentVariableW(wideName.c_str(), b, n);
        },
        256);
}

std::string ExpandEnvironment(const std::string& text) {
    if (text.find('%') == std::string::npos)
        return text;
    std::wstring wideText;
    if (!ToWide(text, wideText))
        return text;
    std::string expanded = bufferedText(
        [&wideText](wchar_t* b, DWORD n) {
            // The answer counts the terminating NUL, unlike the other calls.
            DWORD needed = ExpandEnvironmentStringsW(wideText.c_str(), b, n);
            return needed == 0 ? 0 : needed - 1 < n ? needed - 1 : needed;
        },
        MAX_PATH + 1);
    return expanded.empty() ? text : expanded;
}

bool SystemFolderRedirected() {
#ifdef _WIN64
    return false;
#else
    static const bool redirected = [] {
        BOOL wow64 = FALSE;
        return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
    }();
    return redirected;
#endif
}

std::string NativeFilePath(const std::string& path) {
    if (!SystemFolderRedirected())
        return path;
    static const std::string windows = bufferedText(
        [](wchar_t* b, DWORD n) { return GetSystemWindowsDirectoryW(b, n); }, MAX_PATH + 1);
    return SysnativePath(path, windows);
}

namespace {

// A full path "X:\a\b" of ASCII names that the listing of its folder can
// answer for: no short name (which a listing does not show), no wildcard or
// name the file system would refuse or rewrite.
bool ListablePath(const std::string& full) {
    if (full.size() < 4 || !std::isalpha(static_cast<unsigned char>(full[0])) || full[1] != ':' ||
        full[2] != '\\' || full.back() == '\\')
        return false;
    for (size_t i = 3; i < full.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(full[i]);
        if (c < 0x20 || c >= 0x80 || std::strchr("/:*?\"<>|~", c))
            return false;
        if (c == '\\' && (full[i - 1] == '\\' || full[i - 1] == '.' || full[i - 1] == ' '))
            return false;
    }
    const char last = full.back();
    return last != '.' && last != ' ';
}

} // namespace

bool FileListingKey(const std::string& path, std::string& folder, std::string& name) {
    // The file system's own way of making a name whole, which costs no
    // file-system access.
    std::string full(MAX_PATH, '\0');
    DWORD n = 0;
    if (!path.empty() && path.compare(0, 4, "\\\\?\\") != 0 && path.compare(0, 4, "\\\\.\\") != 0)
        n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0 || n >= full.size())
        return false;
    full.resize(n);
    if (!ListablePath(full))
        return false;
    full = asciiUpper(full);
    const size_t slash = full.rfind('\\');
    folder = full.substr(0, slash);
    name = full.substr(slash + 1);
    return true;
}

bool ListFolderFiles(const std::string& folder, std::unordered_set<std::string>& names,
                     bool& otherNames, std::unordered_set<std::string>* folders) {
    // The folder's name is ASCII (ListablePath): widened character by character.
    const std::string pattern = folder + "\\*";
    const std::wstring wide(pattern.begin(), pattern.end());
    WIN32_FIND_DATAW data;
    UniqueFind find(
        FindFirstFileExW(wide.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
    if (!find) {
        const DWORD error = GetLastError();
        // A folder that is not there holds no file; one that cannot be read
        // is left to the file system, file by file.
        return error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND;
    }
    do {
        const bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder && (!folders || wcscmp(data.cFileName, L".") == 0 ||
                         wcscmp(data.cFileName, L"..") == 0))
            continue;
        std::string name;
        for (const wchar_t* w = data.cFileName; *w; ++w) {
            if (*w >= 0x80) {
                // Windows may fold such a name onto an ASCII one.
                otherNames = true;
                name.clear();
                break;
            }
            name += asciiUpper(static_cast<char>(*w));
        }
        if (!name.empty())
            (isFolder ? *folders : names).insert(std::move(name));
    } while (FindNextFileW(find.get(), &data));
    // A listing cut short would call files missing that are there.
    return GetLastError() == ERROR_NO_MORE_FILES;
}

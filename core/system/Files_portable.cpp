// Files on a POSIX host. Callers speak in backslash paths; they become host
// paths only here, at the disk.
//
// What it cannot model: drive letters and UNC shares (a "C:" path names
// nothing here), case-insensitive names, the 8.3 names, files held open by
// another program (no sharing violations), and file system redirection
// beyond the one switch a test sets.
#include "Files.h"
#include "FilesShared.h"
#include "FaultInjection.h"

#include "Folders.h"
#include "PortableHost.h"
#include "UniqueStdFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <system_error>
#include <sys/types.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string hostPath(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string fromHost(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

bool isFolder(const std::string& host) {
    std::error_code ec;
    return fs::is_directory(host, ec);
}

} // namespace

std::vector<files_detail::FolderItem> files_detail::ListFolder(const std::string& folder) {
    std::vector<FolderItem> items;
    std::error_code ec;
    fs::directory_iterator it(hostPath(folder), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        FolderItem item;
        item.Name = it->path().filename().string();
        std::error_code kindError;
        item.Folder = it->is_directory(kindError);
        item.Link = it->is_symlink(kindError);
        items.push_back(std::move(item));
    }
    return items;
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    fs::file_status status = fs::status(hostPath(path), ec);
    return !ec && fs::exists(status) && !fs::is_directory(status);
}

bool DeleteFileAt(const std::string& path) {
    if (!fault_injection::AllowChange())
        return false;
    std::string host = hostPath(path);
    std::error_code ec;
    return !isFolder(host) && fs::remove(host, ec);
}

bool CopyFileTo(const std::string& from, const std::string& to) {
    if (!fault_injection::AllowChange())
        return false;
    std::string source = hostPath(from);
    if (isFolder(source))
        return false;
    std::error_code ec;
    return fs::copy_file(source, hostPath(to), fs::copy_options::overwrite_existing, ec);
}

bool ReplaceFileWith(const std::string& target, const std::string& finished) {
    if (!fault_injection::AllowChange())
        return false;
    std::string source = hostPath(finished);
    std::string host = hostPath(target);
    if (isFolder(source) || isFolder(host))
        return false;
    std::error_code ec;
    fs::rename(source, host, ec);
    // The caller tells the system's reason.
    if (ec)
        errno = ec.value();
    return !ec;
}

bool FolderExists(const std::string& path) {
    if (path.empty())
        return false;
    std::error_code ec;
    fs::current_path(hostPath(path), ec);
    return !ec;
}

bool ForceFolders(const std::string& path) {
    std::string target = hostPath(path);
    while (!target.empty() && target.back() == '/')
        target.pop_back();
    // A drive-qualified path names nothing on this host; taking "C:" as a
    // folder name would leave stray folders in the current one.
    if (target.empty() || (target.size() >= 2 && target[1] == ':'))
        return false;
    // Each step creates at most one folder, so the walk ends after one pass.
    for (std::string::size_type next = target.find('/', 1);; next = target.find('/', next + 1)) {
        std::string prefix = target.substr(0, next);
        if (prefix.back() != '/') {
            std::error_code ec;
            fs::file_status status = fs::status(prefix, ec);
            if (!fs::exists(status)) {
                std::error_code createError;
                fs::create_directory(prefix, createError);
                if (!isFolder(prefix))
                    return false;
            } else if (!fs::is_directory(status)) {
                return false;
            }
        }
        if (next == std::string::npos)
            break;
    }
    return isFolder(target);
}

bool ReadWholeFile(const std::string& path, std::string& data) {
    std::string host = hostPath(path);
    if (isFolder(host))
        return false;
    UniqueStdFile file(std::fopen(host.c_str(), "rb"));
    if (!file)
        return false;
    data.clear();
    char chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
        data.append(chunk, got);
    return std::ferror(file.get()) == 0;
}

bool ReadFileChunks(const std::string& path,
                    const std::function<bool(const char* data, std::size_t size)>& chunk) {
    if (isFolder(hostPath(path)))
        return false;
    UniqueStdFile file(std::fopen(hostPath(path).c_str(), "rb"));
    if (!file)
        return false;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
        if (got > 0 && !chunk(buffer.data(), got))
            return false;
        if (got < buffer.size())
            return !std::ferror(file.get());
    }
}

bool ReadFilePart(const std::string& path, std::uint64_t offset, std::size_t size,
                  std::string& data) {
    data.clear();
    const std::string host = hostPath(path);
    if (isFolder(host))
        return false;
    UniqueStdFile file(std::fopen(host.c_str(), "rb"));
    if (!file)
        return false;
    // fseeko takes an off_t; past the end it succeeds and the read gives nothing.
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) ||
        fseeko(file.get(), static_cast<off_t>(offset), SEEK_SET) != 0)
        return false;
    data.resize(size);
    const std::size_t got = std::fread(data.data(), 1, size, file.get());
    data.resize(got);
    if (std::ferror(file.get())) {
        data.clear();
        return false;
    }
    return true;
}

bool ReadFileStamp(const std::string& path, TFileStamp& stamp) {
    std::error_code ec;
    const fs::path host(hostPath(path));
    if (!fs::is_regular_file(host, ec))
        return false;
    const auto size = fs::file_size(host, ec);
    if (ec)
        return false;
    const auto time = fs::last_write_time(host, ec);
    if (ec)
        return false;
    stamp.Size = size;
    stamp.WriteTime = static_cast<std::uint64_t>(time.time_since_epoch().count());
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& data) {
    if (!fault_injection::AllowChange())
        return false;
    std::string host = hostPath(path);
    if (isFolder(host))
        return false;
    std::FILE* file = std::fopen(host.c_str(), "wb");
    if (!file)
        return false;
    bool written = std::fwrite(data.data(), 1, data.size(), file) == data.size();
    return std::fclose(file) == 0 && written;
}

std::string AppFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : FileDir(fromHost(exe.string()));
}

std::string TempFolder() {
    std::error_code ec;
    std::string temp = fs::temp_directory_path(ec).string();
    if (ec || temp.empty())
        temp = "/tmp";
    if (temp.back() != '/')
        temp += '/';
    return fromHost(temp);
}

std::string SystemFolder() {
    return ShellFolderPath(csidlSystem);
}

std::string CurrentFolder() {
    std::error_code ec;
    fs::path current = fs::current_path(ec);
    return ec ? std::string() : fromHost(current.string());
}

std::string GetEnv(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value ? value : "";
}

std::string ExpandEnvironment(const std::string& text) {
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t open = text.find('%', pos);
        const size_t close = open == std::string::npos ? open : text.find('%', open + 1);
        if (close == std::string::npos) {
            out.append(text, pos, std::string::npos);
            break;
        }
        const std::string name = text.substr(open + 1, close - open - 1);
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        if (!value && !name.empty()) {
            // Windows finds variables without regard to case.
            std::string upper = name;
            std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) {
                return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
            });
            value = std::getenv(upper.c_str());
        }
        out.append(text, pos, open - pos);
        if (value) {
            out += value;
            pos = close + 1;
        } else {
            // The second percent sign may open the next name.
            out += '%';
            out += name;
            pos = close;
        }
    }
    return out;
}

namespace portable_host {

bool& SystemFolderRedirected() {
    static bool redirected = false;
    return redirected;
}

} // namespace portable_host

bool SystemFolderRedirected() {
    return portable_host::SystemFolderRedirected();
}

std::string NativeFilePath(const std::string& path) {
    return SystemFolderRedirected() ? SysnativePath(path, FileDir(SystemFolder())) : path;
}

bool FileListingKey(const std::string& path, std::string& folder, std::string& name) {
    // Only a whole path of ASCII names: the host compares them exactly.
    const std::string host = hostPath(path);
    if (host.size() < 2 || host[0] != '/' || host.back() == '/')
        return false;
    for (size_t i = 0; i < host.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(host[i]);
        if (c < 0x20 || c >= 0x80)
            return false;
        if (c == '/' && i + 1 < host.size() &&
            (host[i + 1] == '/' || host.compare(i, 3, "/./") == 0 ||
             host.compare(i, 4, "/../") == 0))
            return false;
    }
    const size_t slash = host.rfind('/');
    name = host.substr(slash + 1);
    if (name == "." || name == "..")
        return false;
    folder = fromHost(slash == 0 ? std::string("/") : host.substr(0, slash));
    return true;
}

bool ListFolderFiles(const std::string& folder, std::unordered_set<std::string>& names,
                     bool& otherNames, std::unordered_set<std::string>* folders) {
    std::error_code ec;
    fs::directory_iterator it(hostPath(folder), ec);
    if (ec)
        return ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code kindError;
        // As FileExists sees it: what the name leads to, not a folder.
        const fs::file_status status = it->status(kindError);
        if (kindError || !fs::exists(status))
            continue;
        const bool isFolder = fs::is_directory(status);
        if (isFolder && !folders)
            continue;
        const std::string name = it->path().filename().string();
        if (std::any_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
            otherNames = true;
            continue;
        }
        (isFolder ? *folders : names).insert(name);
    }
    return !ec;
}

// Profile files read and written by the rules of the Windows profile
// functions. A parsed copy of each file is kept, so that reading or writing
// one key costs the same however large the file is: writes change the copy
// and reach the disk at IniFlush (or when the process ends). Every call
// first checks that the file on disk is still the one the copy was made
// from, so a change by anyone else is seen on the next call. Files are
// encoded as on Windows (TextCodec.h): ANSI, or UTF-16 LE once a text needs it.
//
// What it cannot model: the registry mapping of profile files (IniFileMapping)
// and the profile cache that Windows keeps across processes.
#include "Ini.h"
#include "core/system/AsciiCase.h"

#include "Errors.h"
#include "Files.h"
#include "ProfileFile.h"
#include "TextCodec.h"
#include "TextScan.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string_view trim(std::string_view s) {
    return TrimBlanks(s, ProfileBlankBytes);
}

struct Line {
    std::string raw; // as in the file, without its line end
    bool isKey = false;
    std::string key;
    std::string value;
};

struct Section {
    bool hasHeader = false; // false only for lines before the first section
    std::string header;
    std::vector<Line> lines;
    std::unordered_map<std::string, std::size_t> keys; // upper-cased name -> first line
    // New keys go after the last line that is not blank, so that blank lines
    // between sections stay between them.
    std::size_t insertAt = 0;
};

class Profile {
public:
    void parse(const std::string& text) {
        sections_.clear();
        index_.clear();
        std::string::size_type start = 0;
        while (start < text.size()) {
            std::string::size_type end = text.find('\n', start);
            std::string::size_type next = end == std::string::npos ? text.size() : end + 1;
            if (end == std::string::npos)
                end = text.size();
            if (end > start && text[end - 1] == '\r')
                --end;
            addLine(std::string_view(text).substr(start, end - start));
            start = next;
        }
    }

    std::string text() const {
        std::string out;
        for (const Section& section : sections_) {
            if (section.hasHeader)
                out.append(section.header).append("\r\n");
            for (const Line& line : section.lines)
                out.append(line.raw).append("\r\n");
        }
        return out;
    }

    const std::string* find(const std::string& section, const std::string& key) const {
        auto s = index_.find(asciiUpper(trim(section)));
        if (s == index_.end())
            return nullptr;
        const Section& found = sections_[s->second];
        auto k = found.keys.find(asciiUpper(trim(key)));
        return k == found.keys.end() ? nullptr : &found.lines[k->second].value;
    }

    // True when the text changed.
    bool set(const std::string& section, const std::string& key, std::string_view value) {
        std::string_view name = trim(section);
        auto s = index_.find(asciiUpper(name));
        if (s == index_.end()) {
            Section added;
            added.hasHeader = true;
            added.header.append(1, '[').append(name).append(1, ']');
            s = index_.emplace(asciiUpper(name), sections_.size()).first;
            sections_.push_back(std::move(added));
        }
        Section& target = sections_[s->second];
        // The profile functions drop the blanks around a value when they
        // write it, as they do when they read it.
        value = trim(value);
        std::string keyName(trim(key));
        auto k = target.keys.find(asciiUpper(keyName));
        if (k != target.keys.end()) {
            Line& line = target.lines[k->second];
            if (line.value == value)
                return false;
            line.value = value;
            line.raw = line.key + "=" + line.value;
            return true;
        }
        Line line;
        line.isKey = true;
        line.key = keyName;
        line.value = value;
        line.raw = line.key + "=" + line.value;
        target.lines.insert(target.lines.begin() + static_cast<std::ptrdiff_t>(target.insertAt),
                            std::move(line));
        target.keys.emplace(asciiUpper(keyName), target.insertAt);
        ++target.insertAt;
        return true;
    }

private:
    void addLine(std::string_view raw) {
        std::string_view text = trim(raw);
        if (!text.empty() && text.front() == '[') {
            std::string_view::size_type close = text.rfind(']');
            if (close != std::string_view::npos) {
                std::string_view name = trim(text.substr(1, close - 1));
                Section section;
                section.hasHeader = true;
                section.header = std::string(raw);
                // Only the first section of a name is ever read or written.
                index_.emplace(asciiUpper(name), sections_.size());
                sections_.push_back(std::move(section));
                return;
            }
        }
        if (sections_.empty())
            sections_.emplace_back();
        Section& section = sections_.back();
        Line line;
        line.raw = std::string(raw);
        std::string_view::size_type equals = text.find('=');
        if (equals != std::string_view::npos) {
            line.isKey = true;
            line.key = std::string(trim(text.substr(0, equals)));
            line.value = std::string(trim(text.substr(equals + 1)));
            section.keys.emplace(asciiUpper(line.key), section.lines.size());
        }
        section.lines.push_back(std::move(line));
        if (!text.empty())
            section.insertAt = section.lines.size();
    }

    std::vector<Section> sections_;
    std::unordered_map<std::string, std::size_t> index_; // upper-cased name -> first section
};

// What identifies one version of a file on disk.
struct Stamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const Stamp& other) const {
        return exists == other.exists && device == other.device && inode == other.inode &&
               size == other.size && modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec &&
               changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
    }
};

Stamp stampOf(const std::string& host) {
    Stamp stamp;
    struct stat info;
    if (::stat(host.c_str(), &info) != 0)
        return stamp;
    stamp.exists = true;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modified = info.st_mtim;
    stamp.changed = info.st_ctim;
    return stamp;
}

double secondsOf(const timespec& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double wallClock() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return secondsOf(now);
}

// A file's times advance in ticks of the kernel's coarse clock (a few
// milliseconds; whole seconds on some file systems), so a rewrite of the
// same size within the tick of the last change leaves the stamp as it was.
// Until a check made after that tick has compared the content itself, the
// stamp alone proves nothing.
bool stampProvesContent(const Stamp& stamp, double checkedAt) {
    if (!stamp.exists)
        return true;
    bool coarse = stamp.modified.tv_nsec == 0 && stamp.changed.tv_nsec == 0;
    double tick = coarse ? 2.5 : 0.1;
    double last = std::max(secondsOf(stamp.modified), secondsOf(stamp.changed));
    return checkedAt - last >= tick;
}

// Host paths hold no backslashes, so the shared reader takes them as they are.
bool readHostFile(const std::string& host, std::string& data) {
    return ReadWholeFile(host, data);
}

bool writeHostFile(const std::string& host, const std::string& data) {
    std::FILE* file = std::fopen(host.c_str(), "wb");
    if (!file)
        return false;
    bool written = std::fwrite(data.data(), 1, data.size(), file) == data.size();
    return std::fclose(file) == 0 && written;
}

std::size_t contentHash(const std::string& data) {
    return std::hash<std::string>()(data);
}

struct CachedProfile {
    Profile profile;
    Stamp stamp;          // of the file as last read or written here
    std::size_t hash = 0; // of its content then
    bool trusted = false; // the stamp alone shows whether the file changed
    bool dirty = false;   // the copy holds writes that the file lacks
    bool unicode = false; // the file is UTF-16 and stays so
};

// The bytes of the copy as the file is to hold them; false when a text
// cannot be encoded (IniWriteString lets only UTF-8 in).
bool encodedText(CachedProfile& cached, std::string& data) {
    if (!EncodeProfileText(cached.profile.text(), data, cached.unicode))
        return false;
    cached.unicode = data.rfind(kUtf16LeBom, 0) == 0;
    return true;
}

class ProfileCache {
public:
    ~ProfileCache() {
        // What was never flushed still reaches the disk; a failure can no
        // longer be reported to anyone.
        for (auto& [host, cached] : files_)
            if (std::string data; cached.dirty && encodedText(cached, data))
                writeHostFile(host, data);
    }

    // The up-to-date copy of a file, loaded again when the file changed;
    // a change on disk replaces writes not yet flushed, as it would have
    // replaced them on disk.
    CachedProfile& get(const std::string& host) {
        Stamp stamp = stampOf(host);
        auto it = files_.find(host);
        if (it == files_.end()) {
            dropClean();
            it = files_.emplace(host, CachedProfile()).first;
            load(it->second, host, stamp);
        } else if (!(it->second.stamp == stamp)) {
            load(it->second, host, stamp);
        } else if (!it->second.trusted) {
            double checkedAt = wallClock();
            std::string data;
            if (!readHostFile(host, data))
                data.clear();
            if (contentHash(data) != it->second.hash) {
                adopt(it->second, stamp, data, checkedAt);
            } else {
                it->second.trusted = stampProvesContent(stamp, checkedAt);
            }
        }
        return it->second;
    }

    // Writes a changed copy to its file; false when the file cannot be written.
    static bool flush(const std::string& host, CachedProfile& cached) {
        if (!cached.dirty)
            return true;
        std::string data;
        if (!encodedText(cached, data) || !writeHostFile(host, data))
            return false;
        cached.stamp = stampOf(host);
        cached.hash = contentHash(data);
        cached.trusted = false;
        cached.dirty = false;
        return true;
    }

private:
    static void load(CachedProfile& cached, const std::string& host, const Stamp& stamp) {
        double checkedAt = wallClock();
        std::string data;
        if (!readHostFile(host, data))
            data.clear();
        adopt(cached, stamp, data, checkedAt);
    }

    static void adopt(CachedProfile& cached, const Stamp& stamp, const std::string& data,
                      double checkedAt) {
        cached.profile.parse(DecodeProfileText(data, &cached.unicode));
        cached.stamp = stamp;
        cached.hash = contentHash(data);
        cached.trusted = stampProvesContent(stamp, checkedAt);
        cached.dirty = false;
    }

    // Keeps the cache small when many files pass through it.
    void dropClean() {
        if (files_.size() < 64)
            return;
        for (auto it = files_.begin(); it != files_.end();)
            it = it->second.dirty ? std::next(it) : files_.erase(it);
    }

    std::unordered_map<std::string, CachedProfile> files_; // by absolute host path
};

ProfileCache& cache() {
    static ProfileCache instance;
    return instance;
}

// The absolute host path, so that every spelling of a file shares one copy
// and a change of the current folder does not change the file meant.
std::string hostPath(const std::string& file) {
    std::string host = file;
    std::replace(host.begin(), host.end(), '\\', '/');
    bool absolute = !host.empty() && host[0] == '/';
    // An absolute name always means the same file, so its normal form is
    // worked out once; a profile is read key by key.
    static std::unordered_map<std::string, std::string> known;
    if (absolute) {
        auto it = known.find(host);
        if (it != known.end())
            return it->second;
    }
    std::error_code ec;
    fs::path full = fs::absolute(host, ec);
    std::string normal = ec ? host : full.lexically_normal().string();
    if (absolute) {
        if (known.size() >= 256)
            known.clear();
        known.emplace(std::move(host), normal);
    }
    return normal;
}

[[noreturn]] void raiseWrite(const std::string& file) {
    throw EIniError(FormatMessage1("Unable to write to %s", file));
}

std::string readLimit(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

} // namespace

std::string IniReadString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& def) {
    const std::string* stored = cache().get(hostPath(file)).profile.find(section, key);
    if (!stored) {
        // The default loses its trailing blanks, as with the Windows functions.
        std::string_view fallback = def;
        while (!fallback.empty() && fallback.back() == ' ')
            fallback.remove_suffix(1);
        return readLimit(fallback);
    }
    std::string_view value = trim(*stored);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return readLimit(value);
}

void IniWriteString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value) {
    if (!IniWritable(section, key, value) || !IsConvertibleUtf8(section) ||
        !IsConvertibleUtf8(key) || !IsConvertibleUtf8(value))
        raiseWrite(file);
    std::string host = hostPath(file);
    CachedProfile& cached = cache().get(host);
    if (!cached.dirty) {
        // The file must be writable now, not only at the flush: a profile in
        // a missing folder fails at its first key, as on Windows. Opening for
        // appending creates a missing file and changes nothing else.
        std::FILE* probe = std::fopen(host.c_str(), "ab");
        if (!probe)
            raiseWrite(file);
        std::fclose(probe);
        Stamp stamp = stampOf(host);
        if (!(stamp == cached.stamp)) {
            cached.stamp = stamp;
            cached.trusted = false;
        }
    }
    if (cached.profile.set(section, key, value))
        cached.dirty = true;
}

void IniFlush(const std::string& file) {
    std::string host = hostPath(file);
    if (!ProfileCache::flush(host, cache().get(host)))
        raiseWrite(file);
}

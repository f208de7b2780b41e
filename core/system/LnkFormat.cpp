#include "LnkFormat.h"

#include "TextCodec.h"

#include <cstring>
#include <utility>

namespace lnk {
namespace {

constexpr uint32_t kHeaderSize = 0x4C;
constexpr unsigned char kShellLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                               0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// {20D04FE0-3AEA-1069-A2D8-08002B30309D}, the shell's "My Computer".
constexpr unsigned char kMyComputerClsid[16] = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                                0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};

enum : uint32_t {
    kHasLinkTargetIdList = 0x001,
    kHasLinkInfo = 0x002,
    kHasName = 0x004,
    kHasRelativePath = 0x008,
    kHasWorkingDir = 0x010,
    kHasArguments = 0x020,
    kHasIconLocation = 0x040,
    kIsUnicode = 0x080,
    kForceNoLinkInfo = 0x100,
    kHasExpString = 0x200,
};

enum : uint32_t { kVolumeIdAndLocalBasePath = 1, kCommonNetworkRelativeLinkAndPathSuffix = 2 };

constexpr uint32_t kLinkInfoHeaderSize = 0x1C;
constexpr uint32_t kEnvironmentBlockSignature = 0xA0000001;
constexpr uint32_t kEnvironmentBlockSize = 0x314;
constexpr std::size_t kEnvironmentTargetChars = 260;
constexpr uint32_t kFileEntryExtensionSignature = 0xBEEF0004;
constexpr std::size_t kMaxCountedChars = 0xFFFF;

// Windows-1252 from 0x80 to 0x9F. The five bytes the code page leaves
// undefined map to the C1 controls of the same value, as Windows maps them,
// which keeps the conversion one to one.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// A bounded window on the file; every read is checked against it by the caller
// through Has(), and the string readers check on their own.
class View {
public:
    View(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t Size() const { return size_; }
    const unsigned char* Data() const { return data_; }
    bool Has(std::size_t offset, std::size_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    unsigned char Byte(std::size_t offset) const { return data_[offset]; }
    uint16_t U16(std::size_t offset) const {
        return static_cast<uint16_t>(data_[offset] | (data_[offset + 1] << 8));
    }
    uint32_t U32(std::size_t offset) const {
        return static_cast<uint32_t>(data_[offset]) |
               (static_cast<uint32_t>(data_[offset + 1]) << 8) |
               (static_cast<uint32_t>(data_[offset + 2]) << 16) |
               (static_cast<uint32_t>(data_[offset + 3]) << 24);
    }
    bool Equals(std::size_t offset, const unsigned char* bytes, std::size_t length) const {
        return Has(offset, length) && std::memcmp(data_ + offset, bytes, length) == 0;
    }
    View Sub(std::size_t offset, std::size_t length) const { return View(data_ + offset, length); }

    // A NUL-terminated 8-bit text; false when the window ends first.
    bool CString(std::size_t offset, std::string& out) const {
        if (offset >= size_)
            return false;
        const void* end = std::memchr(data_ + offset, 0, size_ - offset);
        if (end == nullptr)
            return false;
        out = ::AnsiToUtf8(
            std::string_view(reinterpret_cast<const char*>(data_ + offset),
                             static_cast<const unsigned char*>(end) - (data_ + offset)));
        return true;
    }
    // A NUL-terminated UTF-16 text, converted; false when the window ends first.
    bool WString(std::size_t offset, std::string& out) const {
        std::u16string wide;
        for (std::size_t at = offset; Has(at, 2); at += 2) {
            char16_t c = U16(at);
            if (c == 0) {
                out = Utf16ToUtf8(wide);
                return true;
            }
            wide.push_back(c);
        }
        return false;
    }

private:
    const unsigned char* data_;
    std::size_t size_;
};

std::string JoinSuffix(const std::string& base, const std::string& suffix) {
    if (suffix.empty() || base.empty())
        return base + suffix;
    if (base.back() == '\\')
        return base + suffix;
    return base + '\\' + suffix;
}

// The name of a file or folder item: the long name of its extension block
// when there is a sound one (the shell keeps only the short name in the item
// itself), else the item's own name.
bool FileEntryName(const View& item, std::string& name) {
    std::size_t size = item.Size();
    unsigned char type = item.Byte(2);
    if (size < 16 || (type & 0x70) != 0x30)
        return false;
    std::size_t ext = item.U16(size - 2);
    if (ext >= 14 && item.Has(ext, 8) && item.U32(ext + 4) == kFileEntryExtensionSignature &&
        ext + item.U16(ext) == size) {
        unsigned version = item.U16(ext + 2);
        std::size_t nameAt = version >= 9 ? 46 : version == 8 ? 42 : version == 7 ? 38 : 20;
        View block = item.Sub(ext, size - 2 - ext);
        if (version >= 3 && block.WString(nameAt, name) && !name.empty())
            return true;
    }
    View own = item.Sub(0, size - 2);
    return (type & 0x04) != 0 ? own.WString(14, name) : own.CString(14, name);
}

// The path of an item list that starts at My Computer and a drive; empty for
// any other list, which only the shell itself could name.
std::string PathFromItems(const std::vector<View>& items) {
    if (items.size() < 2)
        return {};
    const View& root = items[0];
    if (root.Size() < 20 || root.Byte(2) != 0x1F || !root.Equals(4, kMyComputerClsid, 16))
        return {};
    const View& drive = items[1];
    std::string path;
    if (drive.Size() < 4 || (drive.Byte(2) & 0x70) != 0x20 || !drive.CString(3, path) ||
        path.size() < 2 || path[1] != ':')
        return {};
    if (path.back() != '\\')
        path += '\\';
    for (std::size_t i = 2; i < items.size(); ++i) {
        std::string name;
        if (!FileEntryName(items[i], name) || name.empty())
            return {};
        if (path.back() != '\\')
            path += '\\';
        path += name;
    }
    return path;
}

bool ReadIdList(const View& list, std::string& path) {
    std::vector<View> items;
    std::size_t at = 0;
    for (;;) {
        if (!list.Has(at, 2))
            return false;
        std::size_t size = list.U16(at);
        if (size == 0)
            break;
        if (size < 3 || !list.Has(at, size))
            return false;
        items.push_back(list.Sub(at, size));
        at += size;
    }
    path = PathFromItems(items);
    return true;
}

// An offset inside the link information must point past its header.
bool InsideInfo(uint32_t offset, uint32_t headerSize, const View& info) {
    return offset >= headerSize && offset < info.Size();
}

bool ReadLinkInfo(const View& info, std::string& path) {
    if (info.Size() < kLinkInfoHeaderSize)
        return false;
    uint32_t headerSize = info.U32(4);
    if (headerSize < kLinkInfoHeaderSize || headerSize > info.Size())
        return false;
    bool unicodeOffsets = headerSize >= 0x24;
    uint32_t flags = info.U32(8);
    std::string local, network, suffix;

    if (flags & kVolumeIdAndLocalBasePath) {
        uint32_t volume = info.U32(12);
        if (!InsideInfo(volume, headerSize, info) || !info.Has(volume, 4) ||
            info.U32(volume) < 0x10 || !info.Has(volume, info.U32(volume)))
            return false;
        uint32_t localAt = info.U32(16);
        uint32_t localWideAt = unicodeOffsets ? info.U32(0x1C) : 0;
        if (localWideAt != 0) {
            if (!InsideInfo(localWideAt, headerSize, info) || !info.WString(localWideAt, local))
                return false;
        } else if (!InsideInfo(localAt, headerSize, info) || !info.CString(localAt, local)) {
            return false;
        }
    }

    if (flags & kCommonNetworkRelativeLinkAndPathSuffix) {
        uint32_t at = info.U32(20);
        if (!InsideInfo(at, headerSize, info) || !info.Has(at, 0x14) || info.U32(at) < 0x14 ||
            !info.Has(at, info.U32(at)))
            return false;
        View link = info.Sub(at, info.U32(at));
        uint32_t netNameAt = link.U32(8);
        if (netNameAt > 0x14) {
            if (link.Size() < 0x1C || !link.WString(link.U32(0x14), network))
                return false;
        } else if (!link.CString(netNameAt, network)) {
            return false;
        }
    }

    if (flags & (kVolumeIdAndLocalBasePath | kCommonNetworkRelativeLinkAndPathSuffix)) {
        uint32_t suffixAt = info.U32(24);
        uint32_t suffixWideAt = unicodeOffsets ? info.U32(0x20) : 0;
        if (suffixWideAt != 0) {
            if (!InsideInfo(suffixWideAt, headerSize, info) || !info.WString(suffixWideAt, suffix))
                return false;
        } else if (!InsideInfo(suffixAt, headerSize, info) || !info.CString(suffixAt, suffix)) {
            return false;
        }
    }

    // The network form comes first, as the shell gives it when asked for
    // the UNC path before the local one.
    if (!network.empty())
        path = JoinSuffix(network, suffix);
    else if (!local.empty())
        path = JoinSuffix(local, suffix);
    return true;
}

bool ReadStringData(const View& file, std::size_t& at, bool unicode, std::string& out) {
    if (!file.Has(at, 2))
        return false;
    std::size_t count = file.U16(at);
    std::size_t bytes = unicode ? count * 2 : count;
    if (!file.Has(at + 2, bytes))
        return false;
    // The text ends at its first NUL, as the shell hands it out: Wine, for
    // one, counts the terminating NUL among the characters.
    if (unicode) {
        std::u16string wide;
        for (std::size_t i = 0; i < count; ++i) {
            char16_t c = file.U16(at + 2 + i * 2);
            if (c == 0)
                break;
            wide.push_back(c);
        }
        out = Utf16ToUtf8(wide);
    } else {
        const char* text = reinterpret_cast<const char*>(file.Data() + at + 2);
        const void* nul = std::memchr(text, 0, count);
        out = ::AnsiToUtf8(
            std::string_view(text, nul != nullptr ? static_cast<const char*>(nul) - text : count));
    }
    at += 2 + bytes;
    return true;
}

std::string EnvironmentTarget(const View& block) {
    std::string wide, ansi;
    View ansiField = block.Sub(8, kEnvironmentTargetChars);
    View wideField = block.Sub(8 + kEnvironmentTargetChars, kEnvironmentTargetChars * 2);
    if (wideField.WString(0, wide) && !wide.empty())
        return wide;
    if (ansiField.CString(0, ansi))
        return ansi;
    return {};
}

class Writer {
public:
    explicit Writer(std::vector<unsigned char>& out) : out_(out) {}

    std::size_t Pos() const { return out_.size(); }
    void U8(unsigned v) { out_.push_back(static_cast<unsigned char>(v)); }
    void U16(unsigned v) {
        U8(v & 0xFF);
        U8((v >> 8) & 0xFF);
    }
    void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void Bytes(const void* data, std::size_t size) {
        const unsigned char* p = static_cast<const unsigned char*>(data);
        out_.insert(out_.end(), p, p + size);
    }
    void Zeros(std::size_t count) { out_.insert(out_.end(), count, 0); }
    void CString(const std::string& s) {
        Bytes(s.data(), s.size());
        U8(0);
    }
    void WideChars(const std::u16string& s) {
        for (char16_t c : s)
            U16(c);
    }
    void PatchU16(std::size_t at, unsigned v) {
        out_[at] = static_cast<unsigned char>(v & 0xFF);
        out_[at + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
    }
    void PatchU32(std::size_t at, uint32_t v) {
        PatchU16(at, v & 0xFFFF);
        PatchU16(at + 2, v >> 16);
    }

private:
    std::vector<unsigned char>& out_;
};

bool IsDrivePath(const std::string& path) {
    if (path.size() < 3 || path[1] != ':' || path[2] != '\\')
        return false;
    char d = path[0];
    return (d >= 'A' && d <= 'Z') || (d >= 'a' && d <= 'z');
}

std::vector<std::string> PathComponents(const std::string& path, std::size_t from) {
    std::vector<std::string> parts;
    std::size_t at = from;
    while (at < path.size()) {
        std::size_t end = path.find('\\', at);
        if (end == std::string::npos)
            end = path.size();
        if (end > at)
            parts.push_back(path.substr(at, end - at));
        at = end + 1;
    }
    return parts;
}

// One file or folder item in the form of Windows XP, which every later
// shell still reads: the name in the item, then the extension block with the
// long name in UTF-16. The name in the item is the long name too (the short
// name only a file system could give), as Wine writes it.
void WriteFileEntry(Writer& w, const std::string& name, bool folder) {
    std::size_t start = w.Pos();
    w.U16(0);
    w.U8(folder ? 0x31 : 0x32);
    w.U8(0);
    w.U32(0);                 // file size
    w.U32(0);                 // modification time
    w.U16(folder ? 0x10 : 0); // attributes
    // Only targets that fit the ANSI code page come this way (WriteLink).
    std::string ansi;
    Utf8ToAnsi(name, ansi);
    w.CString(ansi);
    if ((w.Pos() - start) % 2 != 0)
        w.U8(0);
    std::size_t ext = w.Pos();
    std::u16string wide;
    Utf8ToUtf16(name, wide);
    w.U16(0);
    w.U16(3);
    w.U32(kFileEntryExtensionSignature);
    w.U32(0);    // creation time
    w.U32(0);    // access time
    w.U16(0x14); // the identifier of version 3
    w.U16(0);    // no localised name
    w.WideChars(wide);
    w.U16(0);
    w.U16(static_cast<unsigned>(ext - start));
    w.PatchU16(ext, static_cast<unsigned>(w.Pos() - ext));
    w.PatchU16(start, static_cast<unsigned>(w.Pos() - start));
}

// My Computer, the drive, then one item per name of the path; empty when the
// list would outgrow its 16-bit size.
std::vector<unsigned char> BuildIdList(const std::string& path) {
    std::vector<unsigned char> list;
    Writer w(list);
    w.U16(0x14);
    w.U8(0x1F);
    w.U8(0x50); // My Computer's sort position among the desktop's items
    w.Bytes(kMyComputerClsid, sizeof kMyComputerClsid);

    w.U16(0x19);
    w.U8(0x2F);
    w.Bytes(path.data(), 2);
    w.U8('\\');
    w.Zeros(0x19 - 6);

    std::vector<std::string> parts = PathComponents(path, 3);
    bool lastIsFolder = path.back() == '\\';
    for (std::size_t i = 0; i < parts.size(); ++i)
        WriteFileEntry(w, parts[i], i + 1 < parts.size() || lastIsFolder);
    w.U16(0);
    if (list.size() > 0xFFFF)
        list.clear();
    return list;
}

void WriteLinkInfo(Writer& w, const std::string& target) {
    std::string path;
    Utf8ToAnsi(target, path);
    const uint32_t volumeSize = 0x11;
    uint32_t localAt = kLinkInfoHeaderSize + volumeSize;
    uint32_t suffixAt = localAt + static_cast<uint32_t>(path.size()) + 1;
    w.U32(suffixAt + 1);
    w.U32(kLinkInfoHeaderSize);
    w.U32(kVolumeIdAndLocalBasePath);
    w.U32(kLinkInfoHeaderSize);
    w.U32(localAt);
    w.U32(0); // no network link
    w.U32(suffixAt);
    // The volume: a fixed drive without serial number or label. The shell
    // uses it only to track a target that moved.
    w.U32(volumeSize);
    w.U32(3); // DRIVE_FIXED
    w.U32(0);
    w.U32(0x10);
    w.U8(0);
    w.CString(path);
    w.U8(0); // empty common path suffix
}

void WriteStringData(Writer& w, const std::string& text) {
    std::u16string wide;
    Utf8ToUtf16(text, wide);
    w.U16(static_cast<unsigned>(wide.size()));
    w.WideChars(wide);
}

void WriteEnvironmentBlock(Writer& w, const std::string& target) {
    w.U32(kEnvironmentBlockSize);
    w.U32(kEnvironmentBlockSignature);
    // The ANSI field is for readers that know nothing else; the shell reads
    // the UTF-16 one, which holds the target whole.
    std::u16string wide;
    Utf8ToUtf16(target, wide);
    std::string ansi = Utf16ToAnsi(wide);
    w.Bytes(ansi.data(), ansi.size());
    w.Zeros(kEnvironmentTargetChars - ansi.size());
    w.WideChars(wide);
    w.Zeros((kEnvironmentTargetChars - wide.size()) * 2);
}

} // namespace

std::u16string AnsiToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        out.push_back(c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : char16_t(c));
    }
    return out;
}

std::string Utf16ToAnsi(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        char mapped = '?';
        for (unsigned k = 0; k < 32; ++k) {
            if (kCp1252High[k] == c) {
                mapped = static_cast<char>(0x80 + k);
                break;
            }
        }
        // A surrogate pair is one character and so one '?'.
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000)
            ++i;
        out.push_back(mapped);
    }
    return out;
}

bool ReadLink(const unsigned char* data, std::size_t size, LinkData& link) {
    View file(data, size);
    if (!file.Has(0, kHeaderSize) || file.U32(0) != kHeaderSize ||
        !file.Equals(4, kShellLinkClsid, sizeof kShellLinkClsid))
        return false;
    LinkData result;
    uint32_t flags = file.U32(0x14);
    result.IconIndex = static_cast<int32_t>(file.U32(0x38));
    result.ShowCommand = file.U32(0x3C);
    result.HotKey = file.U16(0x40);
    std::size_t at = kHeaderSize;
    std::string listPath, infoPath, environmentPath;

    if (flags & kHasLinkTargetIdList) {
        if (!file.Has(at, 2))
            return false;
        std::size_t listSize = file.U16(at);
        at += 2;
        if (!file.Has(at, listSize) || !ReadIdList(file.Sub(at, listSize), listPath))
            return false;
        at += listSize;
    }
    if (flags & kHasLinkInfo) {
        if (!file.Has(at, 4))
            return false;
        std::size_t infoSize = file.U32(at);
        if (!file.Has(at, infoSize) || !ReadLinkInfo(file.Sub(at, infoSize), infoPath))
            return false;
        at += infoSize;
        if (flags & kForceNoLinkInfo)
            infoPath.clear();
    }

    bool unicode = (flags & kIsUnicode) != 0;
    const std::pair<uint32_t, std::string*> strings[] = {
        {kHasName, &result.Description},          {kHasRelativePath, &result.RelativePath},
        {kHasWorkingDir, &result.WorkingDir},     {kHasArguments, &result.Arguments},
        {kHasIconLocation, &result.IconLocation},
    };
    for (const auto& [flag, field] : strings) {
        if ((flags & flag) && !ReadStringData(file, at, unicode, *field))
            return false;
    }

    // Extra data: blocks that each give their size, up to a block smaller
    // than four bytes. Only the environment block matters here.
    for (;;) {
        if (!file.Has(at, 4))
            return false;
        std::size_t blockSize = file.U32(at);
        if (blockSize < 4)
            break;
        if (blockSize < 8 || !file.Has(at, blockSize))
            return false;
        if (file.U32(at + 4) == kEnvironmentBlockSignature && blockSize >= kEnvironmentBlockSize &&
            (flags & kHasExpString))
            environmentPath = EnvironmentTarget(file.Sub(at, blockSize));
        at += blockSize;
    }

    if (!infoPath.empty())
        result.Target = std::move(infoPath);
    else if (!listPath.empty())
        result.Target = std::move(listPath);
    else
        result.Target = std::move(environmentPath);
    link = std::move(result);
    return true;
}

bool WriteLink(const LinkData& link, std::vector<unsigned char>& out) {
    std::u16string wide;
    for (const std::string* text : {&link.Description, &link.RelativePath, &link.WorkingDir,
                                    &link.Arguments, &link.IconLocation, &link.Target}) {
        if (!Utf8ToUtf16(*text, wide) || wide.size() > kMaxCountedChars)
            return false;
    }
    const std::string& target = link.Target;
    // The link information and the item list hold the path in the ANSI code
    // page; a path outside it goes where the shell keeps it as UTF-16.
    bool drivePath = IsDrivePath(target) && FitsAnsi(target);
    bool environment = !drivePath && !target.empty();
    Utf8ToUtf16(target, wide);
    if (environment && wide.size() >= kEnvironmentTargetChars)
        return false;
    std::vector<unsigned char> idList;
    if (drivePath)
        idList = BuildIdList(target);

    uint32_t flags = kIsUnicode;
    if (!idList.empty())
        flags |= kHasLinkTargetIdList;
    if (drivePath)
        flags |= kHasLinkInfo;
    if (environment)
        flags |= kHasExpString;
    if (!link.Description.empty())
        flags |= kHasName;
    if (!link.RelativePath.empty())
        flags |= kHasRelativePath;
    if (!link.WorkingDir.empty())
        flags |= kHasWorkingDir;
    if (!link.Arguments.empty())
        flags |= kHasArguments;
    if (!link.IconLocation.empty())
        flags |= kHasIconLocation;

    std::vector<unsigned char> bytes;
    Writer w(bytes);
    w.U32(kHeaderSize);
    w.Bytes(kShellLinkClsid, sizeof kShellLinkClsid);
    w.U32(flags);
    w.U32(0);    // target attributes
    w.Zeros(24); // creation, access and write times
    w.U32(0);    // target size
    w.U32(static_cast<uint32_t>(link.IconIndex));
    w.U32(link.ShowCommand);
    w.U16(link.HotKey);
    w.Zeros(10); // reserved

    if (flags & kHasLinkTargetIdList) {
        w.U16(static_cast<unsigned>(idList.size()));
        w.Bytes(idList.data(), idList.size());
    }
    if (flags & kHasLinkInfo)
        WriteLinkInfo(w, target);
    if (flags & kHasName)
        WriteStringData(w, link.Description);
    if (flags & kHasRelativePath)
        WriteStringData(w, link.RelativePath);
    if (flags & kHasWorkingDir)
        WriteStringData(w, link.WorkingDir);
    if (flags & kHasArguments)
        WriteStringData(w, link.Arguments);
    if (flags & kHasIconLocation)
        WriteStringData(w, link.IconLocation);
    if (environment)
        WriteEnvironmentBlock(w, target);
    w.U32(0);
    out = std::move(bytes);
    return true;
}

} // namespace lnk

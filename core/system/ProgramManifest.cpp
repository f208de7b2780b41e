#include "ProgramManifest.h"

#include "Files.h"
#include "TextCodec.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// A resource directory is a few kilobytes; more than this is no program's.
constexpr std::uint64_t kMaxResourceDirectory = 64u << 20;
// Manifests are a few kilobytes too.
constexpr std::uint32_t kMaxManifest = 4u << 20;
// The DOS header, then the PE signature and the file header.
constexpr std::size_t kDosHeader = 64;
constexpr std::size_t kFileHeader = 24;
constexpr std::size_t kSectionHeader = 40;
constexpr std::uint32_t kManifestType = 24;
constexpr std::uint32_t kSubdirectory = 0x80000000u;

// Where the image's bytes come from. A view stays valid until the next Read.
class TImageSource {
public:
    virtual ~TImageSource() = default;
    // The `size` bytes at `offset`; false unless the image holds them all.
    virtual bool Read(std::uint64_t offset, std::size_t size, std::string_view& bytes) = 0;
};

class TMemoryImage final : public TImageSource {
public:
    explicit TMemoryImage(std::string_view image) : image_(image) {}
    bool Read(std::uint64_t offset, std::size_t size, std::string_view& bytes) override {
        if (offset > image_.size() || size > image_.size() - offset)
            return false;
        bytes = image_.substr(static_cast<std::size_t>(offset), size);
        return true;
    }

private:
    std::string_view image_;
};

// Reads only the parts asked for: a program can be hundreds of megabytes,
// its headers and manifest a few kilobytes.
class TFileImage final : public TImageSource {
public:
    explicit TFileImage(const std::string& path) : path_(path) {}
    bool Read(std::uint64_t offset, std::size_t size, std::string_view& bytes) override {
        if (!ReadFilePart(path_, offset, size, buffer_) || buffer_.size() != size)
            return false;
        bytes = buffer_;
        return true;
    }

private:
    const std::string& path_;
    std::string buffer_;
};

std::uint16_t u16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}

std::uint32_t u32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(u16(b, at)) | static_cast<std::uint32_t>(u16(b, at + 2))
                                                        << 16;
}

struct TSection {
    std::uint32_t VirtualAddress = 0;
    std::uint32_t RawSize = 0;
    std::uint32_t RawOffset = 0;
};

// The file offset of an address in the image and how many bytes of the
// section's file data follow it there; false for an address that no
// section's file data holds (the zero-filled tail of a section included).
bool fileOffsetOf(const std::vector<TSection>& sections, std::uint32_t rva, std::uint64_t& offset,
                  std::uint64_t& available) {
    for (const TSection& s : sections) {
        if (rva >= s.VirtualAddress && rva - s.VirtualAddress < s.RawSize) {
            offset = static_cast<std::uint64_t>(s.RawOffset) + (rva - s.VirtualAddress);
            available = s.RawSize - (rva - s.VirtualAddress);
            return true;
        }
    }
    return false;
}

// The entries of the resource directory at `at` within the resource data;
// false when the directory does not lie within it whole.
bool directoryEntries(std::string_view resources, std::uint32_t at, std::size_t& first,
                      std::size_t& count) {
    if (at > resources.size() || resources.size() - at < 16)
        return false;
    first = at + 16u;
    count = static_cast<std::size_t>(u16(resources, at + 12)) + u16(resources, at + 14);
    return count <= (resources.size() - first) / 8;
}

// Type 24, then its first name, then that one's first language: the three
// levels of the resource tree, each entry checked. A directory pointing back
// at itself ends at the third level, which must be a data entry.
bool manifestEntry(std::string_view resources, std::uint32_t& rva, std::uint32_t& size) {
    std::size_t first = 0, count = 0;
    if (!directoryEntries(resources, 0, first, count))
        return false;
    std::uint32_t next = 0;
    bool found = false;
    for (std::size_t k = 0; k < count && !found; ++k) {
        const std::size_t entry = first + k * 8;
        if (u32(resources, entry) == kManifestType) {
            next = u32(resources, entry + 4);
            found = true;
        }
    }
    if (!found)
        return false;
    for (int level = 0; level < 2; ++level) {
        if (!(next & kSubdirectory) ||
            !directoryEntries(resources, next & ~kSubdirectory, first, count) || count == 0)
            return false;
        next = u32(resources, first + 4);
    }
    if ((next & kSubdirectory) || next > resources.size() || resources.size() - next < 16)
        return false;
    rva = u32(resources, next);
    size = u32(resources, next + 4);
    return true;
}

// The manifest resource's bytes; false when the image holds none.
bool readManifest(TImageSource& image, std::string& manifest) {
    std::string_view b;
    if (!image.Read(0, kDosHeader, b) || b[0] != 'M' || b[1] != 'Z')
        return false;
    const std::uint64_t peAt = u32(b, 0x3c);
    if (!image.Read(peAt, kFileHeader, b) || b.substr(0, 4) != std::string_view("PE\0\0", 4))
        return false;
    const std::size_t sectionCount = u16(b, 6);
    const std::size_t optionalSize = u16(b, 20);

    if (!image.Read(peAt + kFileHeader, optionalSize, b) || optionalSize < 2)
        return false;
    // The data directories follow the fields of PE32 or of PE32+.
    std::size_t directories = 0;
    switch (u16(b, 0)) {
    case 0x10b:
        directories = 96;
        break;
    case 0x20b:
        directories = 112;
        break;
    default:
        return false;
    }
    constexpr std::size_t kResourceDirectory = 2;
    if (optionalSize < directories || u32(b, directories - 4) <= kResourceDirectory ||
        optionalSize - directories < (kResourceDirectory + 1) * 8)
        return false;
    const std::uint32_t resourceRva = u32(b, directories + kResourceDirectory * 8);
    const std::uint32_t resourceSize = u32(b, directories + kResourceDirectory * 8 + 4);
    if (resourceRva == 0 || resourceSize == 0)
        return false;

    if (!image.Read(peAt + kFileHeader + optionalSize, sectionCount * kSectionHeader, b))
        return false;
    std::vector<TSection> sections(sectionCount);
    for (std::size_t k = 0; k < sectionCount; ++k) {
        const std::size_t at = k * kSectionHeader;
        sections[k] = {u32(b, at + 12), u32(b, at + 16), u32(b, at + 20)};
    }

    std::uint64_t offset = 0, available = 0;
    if (!fileOffsetOf(sections, resourceRva, offset, available))
        return false;
    std::uint64_t length = resourceSize < available ? resourceSize : available;
    if (length > kMaxResourceDirectory)
        length = kMaxResourceDirectory;
    if (!image.Read(offset, static_cast<std::size_t>(length), b))
        return false;
    std::uint32_t dataRva = 0, dataSize = 0;
    if (!manifestEntry(b, dataRva, dataSize) || dataSize > kMaxManifest)
        return false;
    if (!fileOffsetOf(sections, dataRva, offset, available) || available < dataSize ||
        !image.Read(offset, dataSize, b))
        return false;
    manifest.assign(b);
    return true;
}

// Manifests are UTF-8, with or without a byte order mark; UTF-16 is allowed
// and marked.
std::string manifestText(const std::string& bytes) {
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return bytes.substr(3);
    if (bytes.compare(0, 2, "\xFF\xFE") == 0) {
        std::u16string units;
        for (std::size_t k = 2; k + 1 < bytes.size(); k += 2)
            units.push_back(static_cast<char16_t>(u16(bytes, k)));
        return Utf16ToUtf8(units);
    }
    return bytes;
}

std::string embeddedManifest(TImageSource& image) {
    std::string bytes;
    if (!readManifest(image, bytes))
        return {};
    return manifestText(bytes);
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool endsName(char c) {
    return isSpace(c) || c == '/' || c == '>' || c == '=';
}

// A scan of the markup rather than a document model: the manifest only has
// to be read as far as one element, and whatever follows it may be damaged.
class TTagScanner {
public:
    explicit TTagScanner(std::string_view text) : text_(text) {}

    // Moves to the next start tag and gives its name; false at the end.
    bool NextStartTag(std::string_view& name) {
        for (;;) {
            const std::size_t open = text_.find('<', at_);
            if (open == std::string_view::npos)
                return false;
            at_ = open + 1;
            if (skipPast(open, "<!--", "-->") || skipPast(open, "<![CDATA[", "]]>") ||
                skipPast(open, "<?", "?>") || skipPast(open, "<!", ">") ||
                skipPast(open, "</", ">"))
                continue;
            const std::size_t start = at_;
            while (at_ < text_.size() && !endsName(text_[at_]))
                ++at_;
            name = text_.substr(start, at_ - start);
            if (!name.empty())
                return true;
        }
    }

    // The tag's next attribute; false at the tag's end.
    bool NextAttribute(std::string_view& name, std::string_view& value) {
        skipSpace();
        if (at_ >= text_.size() || text_[at_] == '>' || text_[at_] == '/')
            return false;
        const std::size_t start = at_;
        while (at_ < text_.size() && !endsName(text_[at_]))
            ++at_;
        name = text_.substr(start, at_ - start);
        skipSpace();
        if (at_ >= text_.size() || text_[at_] != '=')
            return false;
        ++at_;
        skipSpace();
        if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\''))
            return false;
        const char quote = text_[at_++];
        const std::size_t end = text_.find(quote, at_);
        if (end == std::string_view::npos)
            return false;
        value = text_.substr(at_, end - at_);
        at_ = end + 1;
        return true;
    }

private:
    bool skipPast(std::size_t open, std::string_view begin, std::string_view end) {
        if (text_.compare(open, begin.size(), begin) != 0)
            return false;
        const std::size_t close = text_.find(end, open + begin.size());
        at_ = close == std::string_view::npos ? text_.size() : close + end.size();
        return true;
    }

    void skipSpace() {
        while (at_ < text_.size() && isSpace(text_[at_]))
            ++at_;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

std::string_view localName(std::string_view name) {
    const std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::string RequestedExecutionLevel(std::string_view manifest) {
    TTagScanner scanner(manifest);
    std::string_view tag, name, value;
    while (scanner.NextStartTag(tag)) {
        if (localName(tag) != "requestedExecutionLevel")
            continue;
        while (scanner.NextAttribute(name, value)) {
            if (name == "level")
                return std::string(trimmed(value));
        }
        return {};
    }
    return {};
}

std::string EmbeddedManifest(std::string_view peFile) {
    TMemoryImage image(peFile);
    return embeddedManifest(image);
}

bool AsksForAdministratorIn(std::string_view peFile) {
    return RequestedExecutionLevel(EmbeddedManifest(peFile)) == "requireAdministrator";
}

bool AsksForAdministrator(const std::string& path) {
    TFileImage image(path);
    return RequestedExecutionLevel(embeddedManifest(image)) == "requireAdministrator";
}

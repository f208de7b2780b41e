#pragma once
// Reader and writer of the shell link (.lnk) binary format, without any call
// into the system: the portable build keeps its shortcuts with it, and the
// Windows build checks the shell's own files against it.
//
// Texts are UTF-8, like everywhere else in the program (TextCodec.h). The
// file's UTF-16 texts convert whole; its 8-bit texts are in the ANSI code
// page, and a target that does not fit it is kept where the file holds it
// as UTF-16.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lnk {

struct LinkData {
    // The target path. Read from the link information (its network form
    // first), else from the item list, else from the environment block.
    std::string Target;
    std::string Description;
    std::string RelativePath;
    std::string WorkingDir;
    std::string Arguments;
    std::string IconLocation;
    int32_t IconIndex = 0;
    uint32_t ShowCommand = 1; // SW_SHOWNORMAL
    // Virtual key in the low byte, HOTKEYF_* modifiers in the high byte.
    uint16_t HotKey = 0;
};

// Parses a whole file. False when the data is not a complete, well-formed
// shell link: every structure the header announces must lie inside the data,
// up to and including the block that ends the extra data.
bool ReadLink(const unsigned char* data, std::size_t size, LinkData& link);

// The bytes of a file for `link`. A target of the form "X:\..." is stored as
// the shell stores it (an item list under My Computer and the link
// information with the local path); any other target goes into the
// environment block, which the shell expands when it loads the link. False
// when a text does not fit the format (more than 65535 characters, or a
// target other than a drive path longer than 259 characters).
bool WriteLink(const LinkData& link, std::vector<unsigned char>& out);

// Windows-1252 <-> UTF-16 for the 8-bit fields that only old readers use.
std::u16string AnsiToUtf16(std::string_view text);
// Characters outside the code page become '?'.
std::string Utf16ToAnsi(std::u16string_view text);

} // namespace lnk

#include "ProfileFile.h"

#include "Files.h"

#include <windows.h>

namespace {

std::string Utf8Of(const wchar_t* text, int length) {
    if (length <= 0)
        return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, &out[0], size, nullptr, nullptr);
    return out;
}

std::string Utf8OfCodePage(UINT codePage, const std::string& bytes) {
    if (bytes.empty())
        return std::string();
    const int length = static_cast<int>(bytes.size());
    const int size = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    if (size <= 0)
        return std::string();
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), length, &wide[0], size);
    return Utf8Of(wide.data(), size);
}

} // namespace

bool ReadProfileFileText(const std::string& path, std::string& text) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes))
        return false;
    // The profile functions read a file that begins with a byte order mark
    // as Unicode and any other in the ANSI code page.
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring wide((bytes.size() - 2) / 2, L'\0');
        for (size_t i = 0; i < wide.size(); ++i)
            wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                           static_cast<unsigned char>(bytes[3 + 2 * i]) << 8);
        text = Utf8Of(wide.data(), static_cast<int>(wide.size()));
        return true;
    }
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text = bytes.substr(3);
        return true;
    }
    text = Utf8OfCodePage(CP_ACP, bytes);
    return true;
}

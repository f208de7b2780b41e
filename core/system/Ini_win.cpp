#include "Ini.h"

#include "Errors.h"
#include "Files.h"
#include "TextCodec.h"
#include "WideText_win.h"

#include <windows.h>

namespace {

[[noreturn]] void raiseWrite(const std::string& file) {
    throw EIniError(FormatMessage1("Unable to write to %s", file));
}

// The profile functions keep a file in its encoding: one that is ANSI gets
// every later write converted to the ANSI code page, which would turn a
// character outside it into '?'. Such a write first makes the file UTF-16
// LE (with its byte order mark, which the functions read and keep), with
// its text unchanged.
bool makeUnicode(const std::string& file, const std::wstring& wideFile) {
    // Pending writes reach the file before it is read.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, wideFile.c_str());
    std::string bytes;
    if (!ReadWholeFile(file, bytes))
        bytes.clear();
    if (bytes.rfind(kUtf16LeBom, 0) == 0)
        return true;
    std::string encoded;
    return EncodeProfileText(DecodeProfileText(bytes), encoded, true) &&
           WriteWholeFile(file, encoded);
}

} // namespace

std::string IniReadString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& def) {
    std::wstring wideFile, wideSection, wideKey, wideDef;
    if (!ToWide(file, wideFile) || !ToWide(section, wideSection) || !ToWide(key, wideKey) ||
        !ToWide(def, wideDef))
        return def;
    // The answer is cut to the buffer without saying how long the value is:
    // an answer that fills the buffer is read again with a larger one.
    std::wstring buffer(2048, L'\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD n = GetPrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), wideDef.c_str(),
                                           buffer.data(), size, wideFile.c_str());
        if (n + 1 < size || size >= (1u << 30))
            return FromWide(std::wstring_view(buffer.data(), n < size ? n : size - 1));
        buffer.assign(static_cast<std::size_t>(size) * 4, L'\0');
    }
}

void IniWriteString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value) {
    std::wstring wideFile, wideSection, wideKey, wideValue;
    if (!IniWritable(section, key, value) || !ToWide(file, wideFile) ||
        !ToWide(section, wideSection) || !ToWide(key, wideKey) || !ToWide(value, wideValue))
        raiseWrite(file);
    if ((!FitsAnsi(section) || !FitsAnsi(key) || !FitsAnsi(value)) && !makeUnicode(file, wideFile))
        raiseWrite(file);
    if (!WritePrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), wideValue.c_str(),
                                    wideFile.c_str()))
        raiseWrite(file);
}

void IniFlush(const std::string& file) {
    // The documented flush: no section, key or value. Its result says nothing
    // about the writes (Wine answers FALSE always); each write has already
    // reported its own failure.
    std::wstring wideFile;
    if (ToWide(file, wideFile))
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, wideFile.c_str());
}

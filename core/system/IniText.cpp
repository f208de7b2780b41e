#include "IniText.h"

#include "Errors.h"
#include "Files.h"
#include "Ini.h"
#include "TextCodec.h"
#include "TextScan.h"

#include <string_view>

void TIniText::Section(const std::string& name) {
    section_ = name;
    inSection_ = true;
    text_.append(1, '[').append(TrimBlanks(name)).append("]\r\n");
}

bool TIniText::Add(const std::string& key, const std::string& value) {
    if (!inSection_ || !IniWritable(section_, key, value))
        return false;
    text_.append(TrimBlanks(key)).append(1, '=').append(TrimBlanks(value)).append("\r\n");
    return true;
}

bool TIniText::AddInteger(const std::string& key, int value) {
    return Add(key, std::to_string(value));
}

bool TIniText::AddBool(const std::string& key, bool value) {
    return Add(key, value ? "1" : "0");
}

void IniWriteText(const std::string& file, const TIniText& text) {
    std::string bytes;
    if (!EncodeProfileText(text.Text(), bytes) || !WriteWholeFile(file, bytes))
        throw EIniError(FormatMessage1("Unable to write to %s", file));
}

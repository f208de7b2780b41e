#include "ProfileData.h"
#include "core/system/AsciiCase.h"

#include "system/Ini.h"
#include "system/ProfileFile.h"
#include "system/TextScan.h"

#include <string_view>

namespace {

bool IsBlank(char c) {
    return ProfileBlankBytes.find(c) != std::string_view::npos;
}

std::string_view Trim(std::string_view s) {
    return TrimBlanks(s, ProfileBlankBytes);
}

} // namespace

bool TProfileData::Load(const std::string& path) {
    std::string text;
    if (!ReadProfileFileText(path, text))
        return false;
    Parse(text);
    return true;
}

void TProfileData::Parse(const std::string& text) {
    sections_.clear();
    first_.clear();
    counts_.clear();
    keys_.clear();
    stray_ = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const size_t next = end == std::string::npos ? text.size() : end + 1;
        if (end == std::string::npos)
            end = text.size();
        const std::string_view line = Trim(std::string_view(text).substr(start, end - start));
        start = next;
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const size_t close = line.rfind(']');
            if (close != std::string_view::npos) {
                const std::string name(Trim(line.substr(1, close - 1)));
                const std::string upper = asciiUpper(name);
                first_.emplace(upper, sections_.size());
                ++counts_[upper];
                sections_.push_back({name, {}});
                keys_.emplace_back();
                continue;
            }
        }
        const size_t equals = line.find('=');
        if (sections_.empty() || equals == std::string_view::npos) {
            ++stray_;
            continue;
        }
        const std::string key(Trim(line.substr(0, equals)));
        std::string_view value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        Section& section = sections_.back();
        keys_.back().emplace(asciiUpper(key), section.Keys.size());
        section.Keys.emplace_back(key, std::string(value));
    }
}

const std::string* TProfileData::Find(const std::string& section, const std::string& key) const {
    const auto s = first_.find(asciiUpper(Trim(section)));
    if (s == first_.end())
        return nullptr;
    const auto k = keys_[s->second].find(asciiUpper(Trim(key)));
    return k == keys_[s->second].end() ? nullptr : &sections_[s->second].Keys[k->second].second;
}

std::string TProfileData::Read(const std::string& section, const std::string& key,
                               const std::string& def) const {
    const std::string* found = Find(section, key);
    return found ? *found : def;
}

int TProfileData::ReadInteger(const std::string& section, const std::string& key, int def) const {
    const std::string* found = Find(section, key);
    int value = def;
    return found && ParseIniInteger(*found, value) ? value : def;
}

bool TProfileData::ReadBool(const std::string& section, const std::string& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

int TProfileData::SectionCount(const std::string& name) const {
    const auto found = counts_.find(asciiUpper(Trim(name)));
    return found == counts_.end() ? 0 : found->second;
}

std::string ProfileValue(const std::string& text) {
    std::string value = text;
    for (char& c : value)
        if (c == '\r' || c == '\n')
            c = ' ';
    if (value.empty())
        return value;
    const char first = value.front();
    const char last = value.back();
    if (IsBlank(first) || IsBlank(last) || first == '"' || first == '\'' || last == '"' ||
        last == '\'')
        return "\"" + value + "\"";
    return value;
}

#include "StringList.h"

#include "Errors.h"
#include "Files.h"
#include "TextCodec.h"

namespace {

[[noreturn]] void raiseIndex(std::size_t i) {
    throw EListError(FormatMessage1("List index out of bounds (%s)", std::to_string(i)));
}

} // namespace

const std::string& TStringList::Strings(std::size_t i) const {
    if (i >= items_.size())
        raiseIndex(i);
    return items_[i];
}

void TStringList::Insert(std::size_t i, const std::string& s) {
    if (i > items_.size())
        raiseIndex(i);
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(i), s);
}

void TStringList::Delete(std::size_t i) {
    if (i >= items_.size())
        raiseIndex(i);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
}

std::string TStringList::Text() const {
    std::size_t size = 0;
    for (const std::string& s : items_)
        size += s.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& s : items_)
        text.append(s).append("\r\n");
    return text;
}

void TStringList::SetText(const std::string& text) {
    items_.clear();
    std::size_t start = 0;
    const std::size_t n = text.size();
    while (start < n) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            items_.push_back(text.substr(start));
            break;
        }
        items_.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < n && text[start] == '\n')
            ++start;
    }
}

bool TStringList::LoadFromFile(const std::string& path) {
    std::string data;
    if (!ReadWholeFile(path, data))
        return false;
    SetText(data);
    return true;
}

bool TStringList::LoadTextFile(const std::string& path) {
    std::string data;
    if (!ReadWholeFile(path, data))
        return false;
    SetText(DecodeTextFile(data));
    return true;
}

bool TStringList::SaveToFile(const std::string& path) const {
    return WriteWholeFile(path, Text());
}

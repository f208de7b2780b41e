#include "Catalogue.h"

#include "core/system/AsciiCase.h"

#include <algorithm>
#include <charconv>

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// "a | b | c", blanks around each item dropped, empty items left out.
std::vector<std::string> splitList(std::string_view text) {
    std::vector<std::string> items;
    while (!text.empty()) {
        const std::size_t bar = text.find('|');
        const std::string_view item = trimmed(text.substr(0, bar));
        if (!item.empty())
            items.emplace_back(item);
        if (bar == std::string_view::npos)
            break;
        text.remove_prefix(bar + 1);
    }
    return items;
}

bool parseNumber(std::string_view text, int& value) {
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && at == end && !text.empty();
}

const std::vector<const TCatalogueRecord*> NoRecords;

// Reads one record's or the header's "field = value" lines.
class TReader {
public:
    explicit TReader(TCatalogue& catalogue, std::vector<TCatalogueProblem>& problems)
        : catalogue_(catalogue), problems_(problems) {}

    void Line(int number, std::string_view line) {
        line = trimmed(line);
        if (line.empty()) {
            Finish();
            return;
        }
        if (line.front() == '#')
            return;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            problem(number, "a line without \"=\"");
            return;
        }
        const std::string field = asciiLower(trimmed(line.substr(0, eq)));
        const std::string_view value = trimmed(line.substr(eq + 1));
        if (field == "program") {
            Finish();
            open_ = true;
            record_ = TCatalogueRecord();
            record_.Line = number;
            record_.Program = std::string(value);
            seen_.clear();
            seen_.push_back(field);
            if (value.empty())
                problem(number, "an empty program name");
            return;
        }
        if (!open_) {
            header(number, field, value);
            return;
        }
        for (const std::string& f : seen_)
            if (f == field) {
                problem(number, "\"" + field + "\" given twice");
                return;
            }
        seen_.push_back(field);
        if (field == "titles") {
            record_.Titles = splitList(value);
        } else if (field == "folders") {
            record_.Folders = splitList(value);
        } else if (field == "rating") {
            if (!parseNumber(value, record_.Rating) || record_.Rating < 0 || record_.Rating > 4) {
                problem(number, "a rating that is not 0 to 4: \"" + std::string(value) + "\"");
                bad_ = true;
            }
        } else if (field == "publisher") {
            record_.Publisher = std::string(value);
        } else if (field == "comment") {
            record_.Comment = std::string(value);
        } else if (field == "turn-off") {
            record_.TurnOff = std::string(value);
        } else {
            problem(number, "an unknown field \"" + field + "\"");
        }
    }

    // Ends the record being read, if any.
    void Finish() {
        if (!open_)
            return;
        open_ = false;
        bool complete = true;
        for (const char* required : {"rating", "comment"}) {
            bool found = false;
            for (const std::string& f : seen_)
                found = found || f == required;
            // An empty comment says nothing: the record has none.
            if (std::string_view(required) == "comment" && record_.Comment.empty())
                found = false;
            if (!found) {
                problem(record_.Line,
                        "the record of \"" + record_.Program + "\" has no \"" + required + "\"");
                complete = false;
            }
        }
        if (complete && !bad_ && !record_.Program.empty())
            catalogue_.Add(std::move(record_));
        bad_ = false;
    }

private:
    void header(int number, const std::string& field, std::string_view value) {
        if (field == "catalogue-version") {
            int version = 0;
            if (!parseNumber(value, version) || version < 0)
                problem(number, "a catalogue version that is not a whole number");
            catalogue_.SetVersion(version);
        } else if (field == "generic") {
            catalogue_.SetGeneric(splitList(value));
        } else {
            problem(number, "an unknown header key \"" + field + "\"");
        }
    }

    void problem(int line, std::string message) {
        problems_.push_back({line, "line " + std::to_string(line) + ": " + std::move(message)});
    }

    TCatalogue& catalogue_;
    std::vector<TCatalogueProblem>& problems_;
    TCatalogueRecord record_;
    std::vector<std::string> seen_;
    bool open_ = false;
    bool bad_ = false;
};

} // namespace

bool WildcardMatch(std::string_view pattern, std::string_view text) {
    // The classic greedy walk with one backtrack point: linear for the
    // patterns here, which hold few stars.
    std::size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && asciiLower(pattern[p]) == asciiLower(text[t])) {
            ++p;
            ++t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::string CatalogueKey(const TCatalogueRecord& record) {
    std::string key = asciiLower(record.Program);
    std::vector<std::string> folders;
    for (const std::string& folder : record.Folders)
        folders.push_back(asciiLower(folder));
    std::sort(folders.begin(), folders.end());
    for (const std::string& folder : folders) {
        // Piece by piece: GCC 12's -O3 sees a false "restrict" overlap in
        // "|" + text (GCC bug 105329).
        key += '|';
        key += folder;
    }
    return key;
}

TCatalogue TCatalogue::Parse(std::string_view text) {
    TCatalogue catalogue;
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    TReader reader(catalogue, catalogue.problems_);
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        reader.Line(++number, text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    reader.Finish();
    return catalogue;
}

const TCatalogue& TCatalogue::Builtin() {
    static const TCatalogue builtin =
        Parse(std::string_view(reinterpret_cast<const char*>(CatalogueText), CatalogueTextSize));
    return builtin;
}

void TCatalogue::Add(TCatalogueRecord record) {
    records_.push_back(std::move(record));
    index(records_.back());
}

void TCatalogue::index(const TCatalogueRecord& record) {
    byProgram_[asciiLower(record.Program)].push_back(&record);
    for (const std::string& title : record.Titles) {
        if (title.find('*') != std::string::npos)
            titlePatterns_.emplace_back(title, &record);
        else
            byTitle_[asciiLower(title)].push_back(&record);
    }
}

void TCatalogue::SetGeneric(const std::vector<std::string>& names) {
    generic_.clear();
    for (const std::string& name : names)
        generic_.push_back(asciiLower(name));
}

const std::vector<const TCatalogueRecord*>& TCatalogue::ByProgram(std::string_view fileName) const {
    auto it = byProgram_.find(asciiLower(fileName));
    return it == byProgram_.end() ? NoRecords : it->second;
}

std::vector<const TCatalogueRecord*> TCatalogue::ByTitle(std::string_view title) const {
    auto it = byTitle_.find(asciiLower(title));
    if (it != byTitle_.end())
        return it->second;
    std::vector<const TCatalogueRecord*> found;
    for (const auto& [pattern, record] : titlePatterns_)
        if (WildcardMatch(pattern, title))
            found.push_back(record);
    return found;
}

bool TCatalogue::IsGeneric(std::string_view fileName) const {
    const std::string lower = asciiLower(fileName);
    for (const std::string& name : generic_)
        if (name == lower)
            return true;
    return false;
}

// The records of disabled registry values and the copies of disabled
// shortcut files (see startupKept.h).

#include "startupKept.h"

#include "ShortcutLink.h"
#include "system/Files.h"
#include "system/StringList.h"
#include "system/TempName.h"
#include "system/TextCodec.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <utility>

namespace {

// --- What is kept of disabled registry values -----------------------------------
// One line per value: code, view, type, title and command line, separated by
// tabs, with backslash escapes so that any text survives a line.

std::string Escape(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Unescape(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        out += c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    }
    return out;
}

std::vector<KeptValue> ParseKeptValues(const std::string& text) {
    std::vector<KeptValue> values;
    TStringList lines;
    lines.SetText(text);
    for (const std::string& line : lines) {
        std::vector<std::string> fields;
        size_t start = 0;
        for (;;) {
            const size_t tab = line.find('\t', start);
            fields.push_back(
                line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
            if (tab == std::string::npos)
                break;
            start = tab + 1;
        }
        if (fields.size() != 5 && fields.size() != 6)
            continue;
        KeptValue v;
        v.Code = std::atoi(fields[0].c_str());
        const int view = std::atoi(fields[1].c_str());
        v.View = view == 1 ? RegView::Native : view == 2 ? RegView::Wow32 : RegView::Default;
        v.Type = std::atoi(fields[2].c_str()) == regExpandSz ? regExpandSz : regSz;
        v.Title = Unescape(fields[3]);
        v.CommandLine = Unescape(fields[4]);
        v.Name = fields.size() == 6 ? Unescape(fields[5]) : v.Title;
        values.push_back(std::move(v));
    }
    return values;
}

std::string KeptValuesText(const std::vector<KeptValue>& values) {
    std::string text;
    for (const KeptValue& v : values) {
        const int view = v.View == RegView::Native ? 1 : v.View == RegView::Wow32 ? 2 : 0;
        text += std::to_string(v.Code) + '\t' + std::to_string(view) + '\t' +
                std::to_string(v.Type) + '\t' + Escape(v.Title) + '\t' + Escape(v.CommandLine) +
                '\t' + Escape(v.Name) + "\r\n";
    }
    return text;
}

bool SameKept(const KeptValue& a, const KeptValue& b) {
    return a.Code == b.Code && a.View == b.View && a.Type == b.Type && a.Title == b.Title &&
           a.CommandLine == b.CommandLine && a.Name == b.Name;
}

} // namespace

std::vector<KeptValue> LoadKeptValues() {
    const std::string path = KeptValuesPath();
    std::string text;
    if (path.empty() || !ReadWholeFile(path, text))
        return {};
    // Older versions wrote this file in the ANSI code page.
    return ParseKeptValues(DecodeTextFile(text));
}

bool SaveKeptValues(const std::vector<KeptValue>& values) {
    const std::string path = KeptValuesPath();
    if (path.empty())
        return values.empty();
    if (values.empty())
        return !FileExists(path) || DeleteFileAt(path);
    const std::string text = KeptValuesText(values);
    if (!ForceFolders(FileDir(path)))
        return false;
    const std::string temporary = UniqueTemporaryName(path);
    std::string back;
    bool ok = WriteWholeFile(temporary, text) && ReadWholeFile(temporary, back) && back == text;
    if (ok) {
        const std::vector<KeptValue> parsed = ParseKeptValues(back);
        ok = parsed.size() == values.size();
        for (size_t i = 0; ok && i < values.size(); ++i)
            ok = SameKept(parsed[i], values[i]);
    }
    if (ok && ReplaceFileWith(path, temporary))
        return true;
    DeleteFileAt(temporary);
    return false;
}

bool SameView(RegView a, RegView b) {
    return a == RegView::Default || b == RegView::Default || a == b;
}

const KeptValue* FindKept(const std::vector<KeptValue>& values, int code,
                          const std::string& commandLine, RegView view, const std::string* name) {
    const KeptValue* loose = nullptr;
    for (const KeptValue& v : values) {
        if (v.Code != code || v.CommandLine != commandLine || !SameView(v.View, view))
            continue;
        if (!name || v.Name == *name)
            return &v;
        if (!loose)
            loose = &v;
    }
    return loose;
}

// --- Copies of disabled shortcuts ----------------------------------------------

namespace {

// Every kept copy of both startup folders, with its location code and the
// title its file name gives.
template <class Visit> void ForEachKeptCopy(Visit visit) {
    for (int code : {int(slCUStartup), int(slLMStartupFolder)}) {
        const std::string folder = KeptShortcutFolder(code);
        if (folder.empty())
            continue;
        for (const std::string& file : FindFiles(folder, ".lnk", false)) {
            std::string title = ExtractFileName(file);
            title = title.substr(0, title.rfind('.'));
            visit(code, file, title);
        }
    }
}

} // namespace

std::vector<KeptCopy> LoadKeptCopies(void* owner) {
    std::vector<KeptCopy> copies;
    ForEachKeptCopy([&](int code, const std::string& file, const std::string& title) {
        const std::string commandLine = ReadShortcutCommandLine(file, owner);
        if (!commandLine.empty())
            copies.push_back({code, title, commandLine});
    });
    return copies;
}

bool CopyVerified(const std::string& from, const std::string& to) {
    std::string original;
    std::string copied;
    return ReadWholeFile(from, original) && CopyFileTo(from, to) && ReadWholeFile(to, copied) &&
           copied == original;
}

void PruneKept(const TStartups& startups) {
    std::set<std::pair<int, std::string>> titles;
    std::set<std::pair<int, std::string>> commandLines;
    for (int i = 0; i < startups.Count(); ++i) {
        const TStartup* e = startups.Items(i);
        titles.insert({e->Location, e->Title});
        commandLines.insert({e->Location, e->CommandLine});
        for (const TStartupPlace& place : e->AlsoIn) {
            titles.insert({place.Location, place.Title});
            commandLines.insert({place.Location, e->CommandLine});
        }
    }
    ForEachKeptCopy([&](int code, const std::string& file, const std::string& title) {
        if (titles.count({code, title}) == 0)
            DeleteFileAt(file);
    });
    std::vector<KeptValue> kept = LoadKeptValues();
    const size_t before = kept.size();
    std::erase_if(kept, [&](const KeptValue& v) {
        return commandLines.count({v.Code, v.CommandLine}) == 0;
    });
    if (kept.size() != before)
        SaveKeptValues(kept);
}

// The records of disabled registry values and the copies of disabled
// shortcut files (see startupKept.h).

#include "startupKept.h"

#include "CommandLine.h"
#include "StartupPaths.h"
#include "system/Files.h"
#include "system/LineFields.h"
#include "system/TextCodec.h"
#include "system/TextScan.h"

#include <algorithm>
#include <set>
#include <utility>

namespace {

// --- What is kept of disabled registry values -----------------------------------
// One line per value: code, view, type, title, command line, name and, when
// the value holds more than its command line, its data, separated by tabs,
// with backslash escapes so that any text survives a line. The data field is
// written only when needed, so that older versions, which skip a line of
// seven fields, still read every other record.

// One digit of a closed set: the view (0 to 2), the type (1 or 2).
bool Digit(const std::string& field, char low, char high, int& value) {
    if (field.size() != 1 || field[0] < low || field[0] > high)
        return false;
    value = field[0] - '0';
    return true;
}

// A line as Morvane writes it; false for anything else.
bool ParseRecord(const std::string& line, KeptValue& v) {
    const std::vector<std::string> fields = SplitFields(line);
    if (fields.size() < 5 || fields.size() > 7)
        return false;
    if (!ParseDigits(fields[0], 2, v.Code))
        return false;
    int view = 0;
    int type = 0;
    if (!IsRegistryLocation(static_cast<unsigned>(v.Code)) || !Digit(fields[1], '0', '2', view) ||
        !Digit(fields[2], '1', '2', type))
        return false;
    v.View = view == 1 ? RegView::Native : view == 2 ? RegView::Wow32 : RegView::Default;
    v.Type = static_cast<uint32_t>(type);
    // A title may be empty: a default value whose command line ends in a
    // backslash names no program file to take one from.
    if (!UnescapeField(fields[3], v.Title) || !UnescapeField(fields[4], v.CommandLine) ||
        v.CommandLine.empty() || v.CommandLine.find('\0') != std::string::npos)
        return false;
    v.Name = v.Title;
    if (fields.size() >= 6 && !UnescapeField(fields[5], v.Name))
        return false;
    v.Data.clear();
    // The data begins with the command line, which ends at its first NUL.
    if (fields.size() == 7 &&
        (!UnescapeField(fields[6], v.Data) ||
         v.Data.compare(0, v.CommandLine.size(), v.CommandLine) != 0 ||
         (v.Data.size() > v.CommandLine.size() && v.Data[v.CommandLine.size()] != '\0')))
        return false;
    return true;
}

} // namespace

// Every line must end with its line break: a file cut inside a line has a
// last line that reads as a shorter command line, name or data.
KeptValuesFile ParseKeptValues(const std::string& text) {
    KeptValuesFile file;
    file.Damaged = text.empty() || text.back() != '\n';
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos)
            break;
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        KeptValue v;
        if (ParseRecord(line, v))
            file.Values.push_back(std::move(v));
        else
            file.Damaged = true;
    }
    return file;
}

std::string KeptValuesText(const std::vector<KeptValue>& values) {
    std::string text;
    for (const KeptValue& v : values) {
        const int view = v.View == RegView::Native ? 1 : v.View == RegView::Wow32 ? 2 : 0;
        text += std::to_string(v.Code) + '\t' + std::to_string(view) + '\t' +
                std::to_string(v.Type) + '\t' + EscapeField(v.Title) + '\t' +
                EscapeField(v.CommandLine) + '\t' + EscapeField(v.Name);
        if (!v.Data.empty())
            text += '\t' + EscapeField(v.Data);
        text += "\r\n";
    }
    return text;
}

namespace {

bool SameKept(const KeptValue& a, const KeptValue& b) {
    return a.Code == b.Code && a.View == b.View && a.Type == b.Type && a.Title == b.Title &&
           a.CommandLine == b.CommandLine && a.Name == b.Name && a.Data == b.Data;
}

// The text of the records file. Older versions wrote it in the ANSI code
// page; one saved again as UTF-16 (with its byte order mark, as Notepad
// does) is read as the profile functions read such a file.
std::string KeptValuesTextOf(const std::string& bytes) {
    if (bytes.compare(0, kUtf16LeBom.size(), kUtf16LeBom) == 0)
        return DecodeProfileText(bytes);
    return DecodeTextFile(bytes);
}

bool Damaged(const std::string& path) {
    std::string bytes;
    return FileExists(path) &&
           (!ReadWholeFile(path, bytes) || ParseKeptValues(KeptValuesTextOf(bytes)).Damaged);
}

} // namespace

KeptValuesFile ReadKeptValues() {
    const std::string path = KeptValuesPath();
    std::string bytes;
    if (path.empty() || !FileExists(path))
        return {};
    if (!ReadWholeFile(path, bytes))
        return {{}, true};
    return ParseKeptValues(KeptValuesTextOf(bytes));
}

std::vector<KeptValue> LoadKeptValues() {
    return ReadKeptValues().Values;
}

bool SaveKeptValues(const std::vector<KeptValue>& values) {
    const std::string path = KeptValuesPath();
    if (path.empty())
        return values.empty();
    if (Damaged(path))
        return false;
    if (values.empty())
        return !FileExists(path) || DeleteFileAt(path);
    const std::string text = KeptValuesText(values);
    if (!ForceFolders(FileDir(path)))
        return false;
    return WriteFileReplacing(path, text, nullptr, [&values](const std::string& back) {
        const KeptValuesFile readBack = ParseKeptValues(KeptValuesTextOf(back));
        const std::vector<KeptValue>& parsed = readBack.Values;
        bool same = !readBack.Damaged && parsed.size() == values.size();
        for (size_t i = 0; same && i < values.size(); ++i)
            same = SameKept(parsed[i], values[i]);
        return same;
    });
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

std::vector<KeptCopy> LoadKeptCopies() {
    std::vector<KeptCopy> copies;
    ForEachKeptCopy([&](int code, const std::string& file, const std::string& title) {
        const std::string commandLine = ReadShortcutCommandLine(file);
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

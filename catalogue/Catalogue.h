#pragma once
// Morvane's catalogue of startup programs: the records of
// catalogue/startup-programs.txt, read from the copy built into the program
// or from any text in that format, with the indexes the matcher asks.

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct TCatalogueRecord {
    std::string Program; // file name, as written
    std::vector<std::string> Titles;
    std::vector<std::string> Folders;
    int Rating = 0;
    std::string Publisher;
    std::string Comment;
    std::string TurnOff;
    int Line = 0; // where the record starts in its text
};

// A text that is not a catalogue; the message names the line.
struct TCatalogueProblem {
    int Line;
    std::string Message;
};

class TCatalogue {
public:
    // The longest comment or turn-off text a record may have.
    static constexpr std::size_t MaxTextLength = 240;

    TCatalogue() = default;
    // The indexes point into the records: a move keeps them, a copy would not.
    TCatalogue(TCatalogue&&) = default;
    TCatalogue& operator=(TCatalogue&&) = default;
    TCatalogue(const TCatalogue&) = delete;
    TCatalogue& operator=(const TCatalogue&) = delete;

    // Reads a catalogue text. What cannot be read is listed in Problems();
    // the records that could be read are kept.
    static TCatalogue Parse(std::string_view text);
    // The catalogue built into the program, read once at the first use.
    static const TCatalogue& Builtin();

    int Version() const { return version_; }
    const std::deque<TCatalogueRecord>& Records() const { return records_; }
    const std::vector<TCatalogueProblem>& Problems() const { return problems_; }

    // The records of a program file name (letter case ignored), in file order.
    const std::vector<const TCatalogueRecord*>& ByProgram(std::string_view fileName) const;
    // The records that name a title: exactly (letter case ignored), else by
    // one of their patterns.
    std::vector<const TCatalogueRecord*> ByTitle(std::string_view title) const;
    // A file name too common to tell a program by itself (update.exe).
    bool IsGeneric(std::string_view fileName) const;
    const std::vector<std::string>& GenericNames() const { return generic_; }

    // Adds a record as if it had been read (for catalogues made of other
    // data, such as a rating server's database rows).
    void Add(TCatalogueRecord record);
    void SetVersion(int version) { version_ = version; }
    void SetGeneric(const std::vector<std::string>& names);

private:
    void index(const TCatalogueRecord& record);

    int version_ = 0;
    // A deque, so that the indexes' pointers stay valid as records are added.
    std::deque<TCatalogueRecord> records_;
    std::vector<TCatalogueProblem> problems_;
    std::unordered_map<std::string, std::vector<const TCatalogueRecord*>> byProgram_;
    std::unordered_map<std::string, std::vector<const TCatalogueRecord*>> byTitle_;
    std::vector<std::pair<std::string, const TCatalogueRecord*>> titlePatterns_;
    std::vector<std::string> generic_;
};

// Whether `text` matches `pattern`, letter case ignored; "*" in the pattern
// stands for any run of characters.
bool WildcardMatch(std::string_view pattern, std::string_view text);

// A record's key, as no two records may share it: its program with its
// folders, in lower case, the folders in order.
std::string CatalogueKey(const TCatalogueRecord& record);

// The catalogue text that the build turned into a source file.
extern const unsigned char CatalogueText[];
extern const std::size_t CatalogueTextSize;

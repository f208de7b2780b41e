#pragma once
// A profile file parsed in one pass, by the reading rules of the profile
// functions: section and key names without regard to letter case, blanks
// around names and values dropped, the quotes of a value in matching quotes
// dropped, the first section of a name and the first key of a name in it
// the ones that count. Nothing is cut: values of any length come back whole.

#include <string>
#include <unordered_map>
#include <vector>

class TProfileData {
public:
    struct Section {
        std::string Name;
        std::vector<std::pair<std::string, std::string>> Keys; // as read, every one
    };

    // False when the file cannot be read.
    bool Load(const std::string& path);
    void Parse(const std::string& text);

    // The value of the first such key in the first such section; null when absent.
    const std::string* Find(const std::string& section, const std::string& key) const;
    std::string Read(const std::string& section, const std::string& key,
                     const std::string& def) const;
    // Integer by the profile rules ("$"/"0x" hexadecimal too); the default
    // when absent or unreadable.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;

    // Every section in file order, repeated names included.
    const std::vector<Section>& Sections() const { return sections_; }
    // How many sections carry this name.
    int SectionCount(const std::string& name) const;
    // Lines before the first section, and lines that are neither a section
    // nor a key (blank lines and ";" comments are not counted).
    int StrayLines() const { return stray_; }

private:
    std::vector<Section> sections_;
    std::unordered_map<std::string, size_t> first_;  // upper-cased name -> first section
    std::unordered_map<std::string, int> counts_;    // upper-cased name -> sections so named
    std::vector<std::unordered_map<std::string, size_t>> keys_; // per section: upper name -> first key
    int stray_ = 0;
};

// A value as the profile functions would give it back once written: a value
// that begins or ends with a blank or a quote is written inside one more pair
// of double quotes, which the reader drops again. Line breaks become blanks
// (they would start a new line of the file).
std::string ProfileValue(const std::string& text);

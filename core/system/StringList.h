#pragma once
// An ordered list of texts that loads from and saves to a text file (lines
// ended by CR LF) and can be set from one text split at CR LF, LF or CR.

#include <cstddef>
#include <string>
#include <vector>

class TStringList {
public:
    std::size_t Count() const { return items_.size(); }
    const std::string& operator[](std::size_t i) const { return items_[i]; }
    std::string& operator[](std::size_t i) { return items_[i]; }
    const std::string& Strings(std::size_t i) const; // raises EListError out of range

    void Add(const std::string& s) { items_.push_back(s); }
    void Insert(std::size_t i, const std::string& s);
    void Delete(std::size_t i);
    void Clear() { items_.clear(); }

    // Every item followed by CR LF.
    std::string Text() const;
    void SetText(const std::string& text);

    // False when the file cannot be read or written.
    bool LoadFromFile(const std::string& path);
    bool SaveToFile(const std::string& path) const;
    // A file of the program's own that is written as UTF-8 and that older
    // versions wrote in the ANSI code page: read as UTF-8 when it is valid
    // UTF-8, else converted from ANSI (see DecodeTextFile).
    bool LoadTextFile(const std::string& path);

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<std::string> items_;
};

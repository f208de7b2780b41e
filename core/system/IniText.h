#pragma once
// A profile (INI) file made in memory in one pass, laid out the way the
// profile functions lay out a new file written key by key: each section
// its name in brackets, then one key=value line per key, every line ended
// by CR LF. Writing a whole profile key by key costs a rewrite of the file
// per key; this costs one write. Reading stays with the profile functions.

#include <string>

class TIniText {
public:
    // Starts a section; the keys added after it belong to it. Each section
    // name is given once.
    void Section(const std::string& name);
    // One key of the current section, each key name once per section.
    // False, and nothing added, when the texts could not be read back as
    // written (see IniWritable) or when no section was started.
    bool Add(const std::string& key, const std::string& value);
    bool AddInteger(const std::string& key, int value);
    bool AddBool(const std::string& key, bool value);

    const std::string& Text() const { return text_; }

private:
    std::string section_;
    bool inSection_ = false;
    std::string text_;
};

// Writes the text to the file, replacing it: in the ANSI code page when
// every character fits, else as UTF-16 LE with its byte order mark (see
// Ini.h), as the profile functions read either. Raises EIniError "Unable to
// write to %s" (the file name) when it cannot.
void IniWriteText(const std::string& file, const TIniText& text);

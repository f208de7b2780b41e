#pragma once
// Profile (INI) files, read and written the way the Windows profile
// functions do it: section and key names without regard to case, blanks
// around a value dropped, the quotes of a value in matching quotes dropped,
// values cut to 2047 characters on reading.

#include <string>

std::string IniReadString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& def);
// Raises EIniError "Unable to write to %s" (the file name).
void IniWriteString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value);

// Decimal, "$" hexadecimal or "0x" hexadecimal; the default when unreadable.
int IniReadInteger(const std::string& file, const std::string& section, const std::string& key,
                   int def);
void IniWriteInteger(const std::string& file, const std::string& section, const std::string& key,
                     int value);

// Written "1" or "0"; read as any integer other than 0.
bool IniReadBool(const std::string& file, const std::string& section, const std::string& key,
                 bool def);
void IniWriteBool(const std::string& file, const std::string& section, const std::string& key,
                  bool value);

// Makes every write to the file reach the disk; raises "Unable to write to %s".
void IniFlush(const std::string& file);

// False when writing the texts would change the file's layout (a line
// break or NUL anywhere, an "=" in the key or a key that begins with "["),
// so that the written key could not be read back; IniWriteString then
// raises "Unable to write to %s" and writes nothing.
bool IniWritable(const std::string& section, const std::string& key, const std::string& value);

// Text -> integer by the reading rules above; false when unreadable.
bool ParseIniInteger(const std::string& text, int& value);

#pragma once
// Profile (INI) files, read and written the way the Windows profile
// functions do it: section and key names without regard to case, blanks
// around a value dropped, the quotes of a value in matching quotes dropped.
// Values are read whole, however long. Texts are UTF-8; a file is in the
// ANSI code page while every text fits it, and becomes UTF-16 LE (with its
// byte order mark, which the profile functions read) at the first text
// that does not, so that nothing is turned into '?'.

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
// so that the written key could not be read back, or a text that is not
// UTF-8, so that it could not be encoded; IniWriteString then
// raises "Unable to write to %s" and writes nothing.
bool IniWritable(const std::string& section, const std::string& key, const std::string& value);

// Text -> integer by the reading rules above; false when unreadable.
bool ParseIniInteger(const std::string& text, int& value);

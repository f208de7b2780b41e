#pragma once
// Profile (".mvp") files, an INI snapshot of the whole collection, read and
// written by TStartups::LoadFromFile and SaveToFile; the store of disabled
// entries is one too.

#include <string>

class TProfileData;
class TStartup;
class TStartups;

// Whether a file reads as a profile: a [General] section whose
// "ProgramCount", when present, is a count. `why` says what is wrong.
bool IsProfileFile(const std::string& path, std::string& why);

// Adds the entry of one section of a profile or store: its title, command
// line, location, rating, state and what it says of the registry value
// (name, view, type). Null when the section names no command line or one
// that is listed already.
TStartup* AddProfileSection(TStartups& startups, const TProfileData& data,
                            const std::string& section);

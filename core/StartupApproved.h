#pragma once
// The marks that Windows' own Startup settings (Task Manager's Startup tab,
// Settings > Apps > Startup) keep for the entries they turn off. They do not
// delete an entry: they write a value named after it under
// Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved, in the
// subkey "Run" (HKCU Run, and HKLM Run in the native view), "Run32" (HKLM Run
// in the 32-bit view) or "StartupFolder" (HKCU for the user's folder, HKLM
// for the all-users one, named by the shortcut's file name with ".lnk").
//
// A mark is REG_BINARY, 12 bytes: a little-endian DWORD of flags whose bit 0
// set means turned off (Windows writes 03 or 07; 02 and 06 are on), then the
// FILETIME of the moment it was turned off (zero when on). No mark means on;
// a mark outlives its entry, so a program registered again under the same
// name stays off.

#include "system/Registry.h"

#include <set>
#include <string>

// Where the mark of an entry lives; false for the locations Windows keeps
// no marks for (RunOnce, RunServices, ...).
struct TApprovedPlace {
    RegRoot Root = RegRoot::CurrentUser;
    RegView View = RegView::Default;
    std::string Key;
    std::string ValueName;
};
bool ApprovedPlaceOf(unsigned code, RegView view, const std::string& title, TApprovedPlace& place);

// True for a mark that turns its entry off. A mark of another type than
// REG_BINARY or shorter than 4 bytes is not one Windows wrote: it counts as on.
bool MarkTurnsOff(uint32_t type, const std::string& data);
// The mark of an entry turned on again, as Windows writes it: the flags with
// bit 0 cleared and a zero time, 12 bytes.
std::string MarkTurnedOn(const std::string& data);

// Every mark that turns an entry off, read once for a whole scan.
class TApprovedMarks {
public:
    void Load();
    bool TurnsOff(unsigned code, RegView view, const std::string& title) const;

private:
    std::set<std::string> off_; // key path and upper-cased value name
};

// Reads the one mark of an entry.
bool WindowsTurnsOff(unsigned code, RegView view, const std::string& title);
// Turns a mark that turns the entry off on again; everything else is left
// alone. False when such a mark could not be changed.
bool ClearWindowsMark(unsigned code, RegView view, const std::string& title);

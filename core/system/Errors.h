#pragma once
// The exceptions that the services layer and the core raise. Every one
// carries the message that the window shows to the user as it is.

#include <stdexcept>
#include <string>

class EMorvaneError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Registry reads and writes: "Invalid data type for '%s'", ...
class ERegistryError : public EMorvaneError {
public:
    using EMorvaneError::EMorvaneError;
};

// Profile (INI) writes: "Unable to write to %s".
class EIniError : public EMorvaneError {
public:
    using EMorvaneError::EMorvaneError;
};

// An index outside a list.
class EListError : public EMorvaneError {
public:
    using EMorvaneError::EMorvaneError;
};

// Reading or writing a shortcut (.lnk) file failed.
class EShortcutError : public EMorvaneError {
public:
    using EMorvaneError::EMorvaneError;
};

// Replaces the first "%s" of fmt by arg (the only formatting the messages need).
std::string FormatMessage1(const std::string& fmt, const std::string& arg);

// The system's own words for an error code (FormatMessage's on Windows,
// strerror's elsewhere), without a closing full stop or line break; "error
// N" where the system has none.
std::string SystemErrorText(int code);
// The code of the last failed system call of this thread (GetLastError,
// errno); 0 when none failed since it was set to 0.
int LastSystemError();
void SetLastSystemError(int code);

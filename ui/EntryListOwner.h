#pragma once
// What the entry list (TEntryList) asks of the window that holds it.

#include <windows.h>

#include <functional>

class TEntryListOwner {
public:
    // Runs one of the list's handlers under the window's error handler.
    virtual void Guard(const std::function<void()>& handler) = 0;
    // Whether a command may run now (the window decides for all of them).
    virtual bool CommandEnabled(UINT command) const = 0;
    // A mouse click on a row: the window shows the selected entry's page.
    virtual void RowClicked() = 0;
    // The command chosen on the context menu.
    virtual void ListCommand(UINT command) = 0;

protected:
    ~TEntryListOwner() = default;
};

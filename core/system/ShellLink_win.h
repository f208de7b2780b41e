#pragma once
// What the window gives the shell-link service once, when it starts: the
// window that the shell's link object may show its questions over. Until
// then (and in the command-line tool) the shell calls have no owner.

#include <windows.h>

void SetShellLinkOwner(HWND owner);

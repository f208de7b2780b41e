#pragma once
// What a program's embedded manifest asks of Windows, read from the program
// file itself: the PE headers, the resource directory and the manifest
// resource (type 24, RT_MANIFEST), every offset checked against the file, so
// that any bytes at all give an answer and never a read outside them.

#include <string>
#include <string_view>

// The program's embedded manifest (the first RT_MANIFEST resource found)
// asks for administrator rights: requestedExecutionLevel
// level="requireAdministrator". False for anything that is not a readable PE
// file.
bool AsksForAdministrator(const std::string& path);
// The same test on the bytes of a PE file.
bool AsksForAdministratorIn(std::string_view peFile);
// The embedded manifest's text (UTF-8, without a byte order mark); empty
// when there is none or the file is no PE file.
std::string EmbeddedManifest(std::string_view peFile);
// The level attribute of the manifest's first requestedExecutionLevel
// element, whatever its namespace prefix; empty when there is none.
std::string RequestedExecutionLevel(std::string_view manifest);

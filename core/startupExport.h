#pragma once
// The entries as an XML document: the window's "Export > XML" and
// "morvane-cli list --xml" write the same shape.
//
//   <startups count="N">
//     <startup>
//       <title/> <commandLine/> <programFile/> <arguments/>
//       <location code="8">CU Run</location> <view>default|native|32-bit</view>
//       <rating/> <comment/> <enabled>true|false</enabled>
//       <fileMissing>true|false</fileMissing>
//     </startup> ...
//   </startups>

#include <string>
#include <vector>

class TStartup;

// The texts are bytes of the system's ANSI code page; the declaration names
// that code page (e.g. "windows-1252").
std::string StartupsToXml(const std::vector<const TStartup*>& entries,
                          const std::string& encoding = "windows-1252");

// Writes the document to a file, replacing it; raises EMorvaneError with the
// file's name when it cannot be written.
void ExportStartupsXml(const std::vector<const TStartup*>& entries, const std::string& path,
                       const std::string& encoding = "windows-1252");

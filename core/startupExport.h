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
//
// The document is UTF-8 and says so. A text may hold characters XML 1.0
// cannot carry (control characters, a lone surrogate of a registry name):
// each becomes U+FFFD, and the element says how many in its "replaced"
// attribute (<title replaced="1">).

#include <string>
#include <vector>

class TStartup;

std::string StartupsToXml(const std::vector<const TStartup*>& entries);

// Writes the document to a file, replacing it; raises EMorvaneError with the
// file's name when it cannot be written.
void ExportStartupsXml(const std::vector<const TStartup*>& entries, const std::string& path);

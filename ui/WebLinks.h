#pragma once
// The addresses of the maker's web site that the program opens or links to.
// The site's address is set here and nowhere else; the paths are fixed.

#include <string>

// The maker's web site, without a trailing slash.
inline constexpr const char* MorvaneSiteUrl = "https://morvane.org";
inline constexpr const char* OnlinePath = "/mvo";
inline constexpr const char* ContributePath = "/mvo/contribute1.php";
inline constexpr const char* DonationPath = "/donate";
// The script of the side pane's advertisement page. Empty: the pane shows a
// page of ours and loads nothing from a third party.
inline constexpr const char* AdsScriptUrl = "";

// The site's address followed by the path ("" for the root page).
std::string SiteAddress(const std::string& path);
// The contribution page for one entry: "/contribute2.php?t=<title>&e=<file
// name>", both escaped with UrlEncode, on the rating server the user chose
// (its address), else on the maker's site.
std::string ContributionAddress(const std::string& title, const std::string& fileName,
                                const std::string& server = "");

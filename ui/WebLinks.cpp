#include "WebLinks.h"

#include "online/formencoder.h"

std::string SiteAddress(const std::string& path) {
    return std::string(MorvaneSiteUrl) + path;
}

std::string ContributionAddress(const std::string& title, const std::string& fileName) {
    return SiteAddress("/contribute2.php?t=") + UrlEncode(title) + "&e=" + UrlEncode(fileName);
}

#include "WebLinks.h"

#include "online/formencoder.h"

std::string SiteAddress(const std::string& path) {
    return std::string(MorvaneSiteUrl) + path;
}

std::string ContributionAddress(const std::string& title, const std::string& fileName,
                                const std::string& server) {
    std::string base = server.empty() ? std::string(MorvaneSiteUrl) : server;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    return base + "/contribute2.php?t=" + UrlEncode(title) + "&e=" + UrlEncode(fileName);
}

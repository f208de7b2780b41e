// The table of startup locations and the location tree: checked as a whole,
// so that a code added without its name, key, kind or node, or a node put
// under the wrong parent, is caught.

#include "core/StartupLocations.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

namespace {

// The codes of a node's children together; 0 for a node without any.
uint32_t CodesOfChildren(int node) {
    uint32_t codes = 0;
    for (int i = 0; i < LocationGroupCount; ++i)
        if (LocationTree[i].Parent == node)
            codes |= LocationTree[i].Codes;
    return codes;
}

int TopOf(int node) {
    while (LocationTree[node].Parent >= 0)
        node = LocationTree[node].Parent;
    return node;
}

TEST(StartupLocations, EveryCodeHasItsOwnNameKindAndNode) {
    std::set<std::string> names;
    for (unsigned code = 0; code < LocationCodeCount; ++code) {
        const std::string name = LocationName(code);
        EXPECT_FALSE(name.empty()) << code;
        EXPECT_TRUE(names.insert(name).second) << name << " names two codes";
        EXPECT_STRNE(LocationKind(code), "") << name;
        if (IsRegistryLocation(code) || IsSwitchedInPlace(code)) {
            EXPECT_EQ(LocationKey(code)[0], '\\') << name << " has no key";
        }
        if (IsFolderLocation(code)) {
            EXPECT_STREQ(LocationKey(code), "") << name;
        }
        // The ini files of old Windows are never read; every other code has
        // a node that shows it, and the node named like its side holds it.
        bool shown = false;
        for (int g = 0; g < LocationGroupCount; ++g)
            shown |= InLocationGroup(code, g);
        const bool iniFile = code == slWinIniRun || code == slWinIniLoad || code == slSystemIni;
        EXPECT_EQ(shown, !iniFile) << name;
        const char* side = IsMachineWideLocation(code) ? "local machine" : "current user";
        EXPECT_TRUE(iniFile || InLocationGroup(code, LocationNodeByPath(side))) << name;
    }
    for (unsigned code : {unsigned(LocationCodeCount), 200u}) {
        EXPECT_STREQ(LocationName(code), "");
        EXPECT_STREQ(LocationKey(code), "");
        EXPECT_STREQ(LocationKind(code), "");
        for (int g = 0; g < LocationGroupCount; ++g)
            EXPECT_FALSE(InLocationGroup(code, g));
    }
    EXPECT_FALSE(InLocationGroup(slCURun, -1));
    EXPECT_FALSE(InLocationGroup(slCURun, LocationGroupCount));
}

TEST(StartupLocations, TheTreeShowsWhatItsNodesHoldAndFindsThemByPath) {
    std::set<std::string> paths;
    for (int node = 0; node < LocationGroupCount; ++node) {
        const TLocationNode& n = LocationTree[node];
        EXPECT_TRUE(paths.insert(n.Path).second) << n.Path;
        // The command-line tool's --group names the node by path, any case.
        EXPECT_EQ(LocationNodeByPath(n.Path), node);
        std::string upper = n.Path;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(LocationNodeByPath(upper), node);
        // A node with children shows exactly what they show together, and
        // a node is named under its top node.
        const uint32_t children = CodesOfChildren(node);
        EXPECT_TRUE(children == 0 || n.Codes == children) << n.Path;
        if (n.Parent < 0)
            continue;
        ASSERT_LT(n.Parent, node) << n.Path << ": a parent comes first";
        EXPECT_EQ(n.Codes & ~LocationTree[n.Parent].Codes, 0u)
            << n.Path << " shows what its parent does not";
        const std::string prefix = std::string(LocationTree[TopOf(node)].Path) + "/";
        EXPECT_EQ(std::string(n.Path).compare(0, prefix.size(), prefix), 0) << n.Path;
    }
    // The top node shows every entry the scan can list.
    for (int node = 0; node < LocationGroupCount; ++node)
        EXPECT_EQ(LocationTree[node].Codes & ~LocationTree[0].Codes, 0u);
    EXPECT_EQ(LocationNodeByPath("local machine/nowhere"), -1);
    EXPECT_EQ(LocationNodeByPath(""), -1);
}

TEST(StartupLocations, TextNamesTheThirtyTwoBitView) {
    EXPECT_EQ(LocationText(slLMRun, RegView::Wow32), "LM Run (32-bit)");
    EXPECT_EQ(LocationText(slLMRun, RegView::Native), "LM Run");
    EXPECT_EQ(LocationText(slCUStartup, RegView::Default), "CU Startup");
}

} // namespace

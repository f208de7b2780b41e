// The package names, and the package list of a system without packages.
#include "core/system/Packages.h"

#include "support/Seed.h"

#include <gtest/gtest.h>

namespace {

TEST(PackageFamilyOf, KeepsTheNameAndThePublisher) {
    EXPECT_EQ(PackageFamilyOf("Name_1.2.3.4_x64__8wekyb3d8bbwe"), "Name_8wekyb3d8bbwe");
    EXPECT_EQ(PackageFamilyOf("Microsoft.Lang.Name_1.0.0.0_neutral_split.scale-100_8wekyb3d8bbwe"),
              "Microsoft.Lang.Name_8wekyb3d8bbwe")
        << "a resource id between architecture and publisher";
}

TEST(PackageFamilyOf, MalformedNamesHaveNoFamily) {
    EXPECT_EQ(PackageFamilyOf(""), "");
    EXPECT_EQ(PackageFamilyOf("Name_8wekyb3d8bbwe"), "") << "a family name is no full name";
    EXPECT_EQ(PackageFamilyOf("Name_1.2.3.4_x64_"), "") << "four fields";
    EXPECT_EQ(PackageFamilyOf("Name_1.2.3.4_x64__"), "") << "no publisher";
    EXPECT_EQ(PackageFamilyOf("_1.2.3.4_x64__8wekyb3d8bbwe"), "") << "no name";
    EXPECT_EQ(PackageFamilyOf("Name__x64__8wekyb3d8bbwe"), "") << "no version";
    EXPECT_EQ(PackageFamilyOf("Name_1.2.3.4___8wekyb3d8bbwe"), "") << "no architecture";
    EXPECT_EQ(PackageFamilyOf("Name_1.2.3.4_x64__8wekyb3d8bbwe_more"), "") << "six fields";
}

TEST(InstalledPackages, NoneWithoutAPackageSystem) {
    if (seed::kWindows)
        GTEST_SKIP() << "the packaged apps' suite reads a seeded repository under Wine";
    EXPECT_TRUE(InstalledPackages().empty());
}

} // namespace

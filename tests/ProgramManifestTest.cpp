// The embedded manifest of PE files: hand-made images natively, damaged in
// every way the reader checks, and under Wine real programs linked with a
// manifest.
#include "core/system/ProgramManifest.h"

#include "core/system/Files.h"
#include "support/Seed.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

const std::string AdminManifest =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
    "  <trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\"><security><requestedPrivileges>\n"
    "    <requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>\n"
    "  </requestedPrivileges></security></trustInfo>\n"
    "</assembly>\n";

void put16(std::string& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<char>(v & 0xff);
    b[at + 1] = static_cast<char>((v >> 8) & 0xff);
}

void put32(std::string& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v & 0xffff);
    put16(b, at + 2, v >> 16);
}

// Where the parts of the image built below lie, for the tests that damage them.
struct Layout {
    static constexpr std::size_t PeAt = 0x40;
    static constexpr std::size_t OptionalAt = PeAt + 24;
    std::size_t OptionalSize = 0;
    std::size_t DirectoriesAt = 0;
    std::size_t SectionAt = 0;
    static constexpr std::size_t ResourcesAt = 0x400; // file offset of .rsrc
    static constexpr std::uint32_t ResourcesRva = 0x2000;
    // Offsets within .rsrc: the root, the name level, the language level,
    // the data entry and the manifest.
    static constexpr std::size_t NameDirAt = 0x18, LanguageDirAt = 0x30, DataEntryAt = 0x48,
                                 ManifestAt = 0x58;
};

// A PE image as a linker lays it out: headers, one .rsrc section whose
// resource tree holds the manifest as type 24, name 1, language 0x409.
std::string PeImage(const std::string& manifest, bool pe32Plus = true, Layout* layout = nullptr) {
    Layout l;
    l.OptionalSize = pe32Plus ? 240 : 224;
    l.DirectoriesAt = Layout::OptionalAt + (pe32Plus ? 112 : 96);
    l.SectionAt = Layout::OptionalAt + l.OptionalSize;
    const std::size_t rawSize =
        (Layout::ManifestAt + manifest.size() + 0x1ff) & ~std::size_t(0x1ff);
    std::string b(Layout::ResourcesAt + rawSize, '\0');
    b[0] = 'M';
    b[1] = 'Z';
    put32(b, 0x3c, Layout::PeAt);
    b.replace(Layout::PeAt, 4, std::string("PE\0\0", 4));
    put16(b, Layout::PeAt + 4, pe32Plus ? 0x8664 : 0x14c);
    put16(b, Layout::PeAt + 6, 1);
    put16(b, Layout::PeAt + 20, static_cast<std::uint32_t>(l.OptionalSize));
    put16(b, Layout::OptionalAt, pe32Plus ? 0x20b : 0x10b);
    put32(b, l.DirectoriesAt - 4, 16);
    put32(b, l.DirectoriesAt + 16, Layout::ResourcesRva);
    put32(b, l.DirectoriesAt + 20,
          static_cast<std::uint32_t>(Layout::ManifestAt + manifest.size()));
    b.replace(l.SectionAt, 5, ".rsrc");
    put32(b, l.SectionAt + 8, static_cast<std::uint32_t>(rawSize));
    put32(b, l.SectionAt + 12, Layout::ResourcesRva);
    put32(b, l.SectionAt + 16, static_cast<std::uint32_t>(rawSize));
    put32(b, l.SectionAt + 20, Layout::ResourcesAt);
    const std::size_t r = Layout::ResourcesAt;
    put16(b, r + 14, 1);
    put32(b, r + 16, 24);
    put32(b, r + 20, 0x80000000u | Layout::NameDirAt);
    put16(b, r + Layout::NameDirAt + 14, 1);
    put32(b, r + Layout::NameDirAt + 16, 1);
    put32(b, r + Layout::NameDirAt + 20, 0x80000000u | Layout::LanguageDirAt);
    put16(b, r + Layout::LanguageDirAt + 14, 1);
    put32(b, r + Layout::LanguageDirAt + 16, 0x409);
    put32(b, r + Layout::LanguageDirAt + 20, Layout::DataEntryAt);
    put32(b, r + Layout::DataEntryAt, Layout::ResourcesRva + Layout::ManifestAt);
    put32(b, r + Layout::DataEntryAt + 4, static_cast<std::uint32_t>(manifest.size()));
    b.replace(r + Layout::ManifestAt, manifest.size(), manifest);
    if (layout)
        *layout = l;
    return b;
}

TEST(EmbeddedManifest, ReadsTheManifestOfPe32AndPe32Plus) {
    EXPECT_EQ(EmbeddedManifest(PeImage(AdminManifest, true)), AdminManifest);
    EXPECT_EQ(EmbeddedManifest(PeImage(AdminManifest, false)), AdminManifest);
    EXPECT_TRUE(AsksForAdministratorIn(PeImage(AdminManifest, true)));
    EXPECT_TRUE(AsksForAdministratorIn(PeImage(AdminManifest, false)));
    EXPECT_EQ(EmbeddedManifest(PeImage("\xEF\xBB\xBF<a/>")), "<a/>")
        << "the byte order mark is dropped";
    EXPECT_EQ(EmbeddedManifest(PeImage(std::string("\xFF\xFE<\0a\0/\0>\0", 10))), "<a/>")
        << "UTF-16 comes back as UTF-8";
}

TEST(EmbeddedManifest, OtherLevelsAndNoManifestAreNoAdministrator) {
    std::string invoker = AdminManifest;
    invoker.replace(invoker.find("requireAdministrator"), 20, "asInvoker");
    EXPECT_FALSE(AsksForAdministratorIn(PeImage(invoker)));
    std::string highest = AdminManifest;
    highest.replace(highest.find("requireAdministrator"), 20, "highestAvailable");
    EXPECT_FALSE(AsksForAdministratorIn(PeImage(highest)));
    EXPECT_FALSE(AsksForAdministratorIn(PeImage("<assembly/>")));
    EXPECT_EQ(EmbeddedManifest(PeImage("")), "");
    EXPECT_FALSE(AsksForAdministratorIn(""));
    EXPECT_FALSE(AsksForAdministratorIn(AdminManifest)) << "a manifest alone is no PE file";
}

TEST(EmbeddedManifest, EveryTruncationGivesNoManifest) {
    const std::string image = PeImage(AdminManifest);
    const std::size_t end = Layout::ResourcesAt + Layout::ManifestAt + AdminManifest.size();
    for (std::size_t size = 0; size < end; ++size) {
        EXPECT_FALSE(AsksForAdministratorIn(std::string_view(image).substr(0, size))) << size;
    }
    EXPECT_TRUE(AsksForAdministratorIn(std::string_view(image).substr(0, end)))
        << "the padding of the section is not needed";
}

TEST(EmbeddedManifest, DamagedHeadersGiveNoManifest) {
    Layout l;
    const std::string good = PeImage(AdminManifest, true, &l);
    auto damaged = [&good](std::size_t at, std::uint32_t value, bool wide = true) {
        std::string b = good;
        if (wide)
            put32(b, at, value);
        else
            put16(b, at, value);
        return AsksForAdministratorIn(b);
    };
    EXPECT_FALSE(damaged(0, 'M' | 'X' << 8, false)) << "no MZ";
    EXPECT_FALSE(damaged(0x3c, 0xfffffff0u)) << "e_lfanew outside the file";
    EXPECT_FALSE(damaged(0x3c, static_cast<std::uint32_t>(good.size() - 8)))
        << "e_lfanew near the end";
    EXPECT_FALSE(damaged(Layout::PeAt, 0x4550 | 1u << 16)) << "no PE signature";
    EXPECT_FALSE(damaged(Layout::OptionalAt, 0x107, false)) << "an unknown optional header";
    EXPECT_FALSE(damaged(Layout::PeAt + 20, 100, false))
        << "an optional header without directories";
    EXPECT_FALSE(damaged(Layout::PeAt + 20, 0xffff, false)) << "an optional header past the end";
    EXPECT_FALSE(damaged(l.DirectoriesAt - 4, 2)) << "no resource directory among the directories";
    EXPECT_FALSE(damaged(l.DirectoriesAt + 16, 0)) << "no resources";
    EXPECT_FALSE(damaged(l.DirectoriesAt + 16, 0x9000)) << "resources in no section";
    EXPECT_FALSE(damaged(Layout::PeAt + 6, 0xffff, false)) << "a section table past the end";
    EXPECT_FALSE(damaged(Layout::PeAt + 6, 0, false)) << "no sections";
    EXPECT_FALSE(damaged(l.SectionAt + 20, 0xfffffe00u)) << "section data outside the file";
    EXPECT_FALSE(damaged(l.SectionAt + 16, 0x20)) << "section data shorter than the tree";
}

TEST(EmbeddedManifest, DamagedResourceTreeGivesNoManifest) {
    const std::string good = PeImage(AdminManifest);
    auto damaged = [&good](std::size_t at, std::uint32_t value, bool wide = true) {
        std::string b = good;
        if (wide)
            put32(b, Layout::ResourcesAt + at, value);
        else
            put16(b, Layout::ResourcesAt + at, value);
        return AsksForAdministratorIn(b);
    };
    EXPECT_FALSE(damaged(16, 16)) << "no type 24";
    EXPECT_FALSE(damaged(14, 0xffff, false)) << "more entries than the section holds";
    EXPECT_FALSE(damaged(20, Layout::NameDirAt)) << "type 24 is data, not a directory";
    EXPECT_FALSE(damaged(20, 0x80000000u | 0xfffff0u)) << "a directory outside the section";
    EXPECT_FALSE(damaged(Layout::NameDirAt + 14, 0, false)) << "no names";
    EXPECT_FALSE(damaged(Layout::LanguageDirAt + 14, 0, false)) << "no languages";
    EXPECT_FALSE(damaged(Layout::LanguageDirAt + 20, 0x80000000u | Layout::LanguageDirAt))
        << "a language level that loops on itself";
    EXPECT_FALSE(damaged(Layout::NameDirAt + 20, 0x80000000u))
        << "a name level that loops to the root";
    EXPECT_FALSE(damaged(Layout::LanguageDirAt + 20, 0xfffff0u))
        << "a data entry outside the section";
    EXPECT_FALSE(damaged(Layout::DataEntryAt, 0x100)) << "manifest data in no section";
    EXPECT_FALSE(damaged(Layout::DataEntryAt + 4, 0x10000)) << "manifest data past the section";
    EXPECT_FALSE(damaged(Layout::DataEntryAt + 4, 0xffffffffu)) << "a manifest of 4 GB";
}

TEST(EmbeddedManifest, NamedEntriesBeforeTheTypeArePassedOver) {
    std::string b = PeImage(AdminManifest);
    // The root lists a named entry first (its name's high bit set), then type 24.
    const std::size_t r = Layout::ResourcesAt;
    put16(b, r + 12, 1);
    put16(b, r + 14, 0);
    put32(b, r + 16, 0x80000000u | 0x100);
    put32(b, r + 20, 0x80000000u | Layout::NameDirAt);
    EXPECT_FALSE(AsksForAdministratorIn(b)) << "a name is no type";
    put16(b, r + 14, 1);
    put32(b, r + 24, 24);
    put32(b, r + 28, 0x80000000u | Layout::NameDirAt);
    // The second entry lies where the name level keeps fields nobody reads.
    EXPECT_TRUE(AsksForAdministratorIn(b)) << "type 24 after a named entry";
}

TEST(RequestedExecutionLevel, FindsTheElementWhateverItsPrefix) {
    EXPECT_EQ(RequestedExecutionLevel(AdminManifest), "requireAdministrator");
    EXPECT_EQ(RequestedExecutionLevel(
                  "<ms_asmv2:requestedExecutionLevel level=\"requireAdministrator\"/>"),
              "requireAdministrator");
    EXPECT_EQ(RequestedExecutionLevel(
                  "<a><requestedExecutionLevel uiAccess='false'\n level = ' asInvoker '/>"),
              "asInvoker")
        << "single quotes, spaces around = and in the value, other attributes first";
    EXPECT_EQ(
        RequestedExecutionLevel("<r><x:requestedExecutionLevel "
                                "level=\"highestAvailable\"></x:requestedExecutionLevel></r>"),
        "highestAvailable");
}

TEST(RequestedExecutionLevel, CommentsAndOtherElementsDoNotCount) {
    EXPECT_EQ(
        RequestedExecutionLevel("<!-- <requestedExecutionLevel level=\"requireAdministrator\"/> -->"
                                "<requestedExecutionLevel level=\"asInvoker\"/>"),
        "asInvoker");
    EXPECT_EQ(RequestedExecutionLevel(
                  "<![CDATA[<requestedExecutionLevel level='requireAdministrator'/>]]>"),
              "");
    EXPECT_EQ(RequestedExecutionLevel("<requestedExecutionLevels level='requireAdministrator'/>"),
              "");
    EXPECT_EQ(RequestedExecutionLevel("<requestedExecutionLevel mylevel='requireAdministrator'/>"),
              "");
    EXPECT_EQ(
        RequestedExecutionLevel("<a x='<requestedExecutionLevel level=\"requireAdministrator\"'/>"),
        "requireAdministrator")
        << "a '<' inside a value is no XML; the scan takes it as a tag, which is harmless";
}

TEST(RequestedExecutionLevel, DamagedManifestsEndTheScan) {
    EXPECT_EQ(RequestedExecutionLevel(""), "");
    EXPECT_EQ(RequestedExecutionLevel("<"), "");
    EXPECT_EQ(RequestedExecutionLevel("<requestedExecutionLevel"), "");
    EXPECT_EQ(RequestedExecutionLevel("<requestedExecutionLevel level"), "");
    EXPECT_EQ(RequestedExecutionLevel("<requestedExecutionLevel level="), "");
    EXPECT_EQ(RequestedExecutionLevel("<requestedExecutionLevel level=requireAdministrator/>"), "")
        << "an unquoted value is no XML";
    EXPECT_EQ(RequestedExecutionLevel("<requestedExecutionLevel level=\"requireAdministrator"), "");
    EXPECT_EQ(
        RequestedExecutionLevel("<!-- <requestedExecutionLevel level='requireAdministrator'/>"),
        "");
}

TEST(AsksForAdministrator, ReadsTheFileOnDisk) {
    seed::ScratchFolder folder;
    ASSERT_TRUE(WriteWholeFile(folder.file("admin.exe"), PeImage(AdminManifest)));
    ASSERT_TRUE(WriteWholeFile(folder.file("cut.exe"), PeImage(AdminManifest).substr(0, 0x420)));
    EXPECT_TRUE(AsksForAdministrator(folder.file("admin.exe")));
    EXPECT_FALSE(AsksForAdministrator(folder.file("cut.exe")));
    EXPECT_FALSE(AsksForAdministrator(folder.file("missing.exe")));
    EXPECT_FALSE(AsksForAdministrator(folder.path())) << "a folder";
}

#ifdef _WIN32

std::string sample(const char* name) {
    return PathJoin(PathJoin(AppFolder(), "manifest"), name);
}

TEST(AsksForAdministrator, ProgramsLinkedWithAManifest) {
    ASSERT_TRUE(FileExists(sample("admin-sample.exe"))) << "built beside the tests";
    EXPECT_TRUE(AsksForAdministrator(sample("admin-sample.exe")));
    EXPECT_FALSE(AsksForAdministrator(sample("invoker-sample.exe")));
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(sample("invoker-sample.exe"), bytes));
    EXPECT_NE(EmbeddedManifest(bytes).find("level=\"asInvoker\""), std::string::npos);
}

TEST(AsksForAdministrator, MorvaneRunsAsTheInvoker) {
    const std::string morvane = PathJoin(AppFolder(), "Morvane.exe");
    if (!FileExists(morvane))
        GTEST_SKIP() << "Morvane.exe was not built beside the tests";
    EXPECT_FALSE(AsksForAdministrator(morvane));
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(morvane, bytes));
    EXPECT_NE(EmbeddedManifest(bytes).find("asInvoker"), std::string::npos);
}

#endif

} // namespace

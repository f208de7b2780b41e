#include "core/system/LnkFormat.h"
#include "core/system/TextCodec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// Assembles links byte by byte, in the shapes other writers produce.
struct Builder {
    Bytes b;

    Builder& U8(unsigned v) {
        b.push_back(static_cast<unsigned char>(v));
        return *this;
    }
    Builder& U16(unsigned v) { return U8(v & 0xFF).U8((v >> 8) & 0xFF); }
    Builder& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    Builder& Zeros(std::size_t n) {
        b.insert(b.end(), n, 0);
        return *this;
    }
    Builder& Text(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        return U8(0);
    }
    Builder& Wide(const std::u16string& s) {
        for (char16_t c : s)
            U16(c);
        return U16(0);
    }
    Builder& Append(const Bytes& more) {
        b.insert(b.end(), more.begin(), more.end());
        return *this;
    }
    void Patch16(std::size_t at, unsigned v) {
        b[at] = static_cast<unsigned char>(v & 0xFF);
        b[at + 1] = static_cast<unsigned char>(v >> 8);
    }
};

const unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
const unsigned char kMyComputer[16] = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                       0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};

Builder Header(uint32_t flags, uint32_t showCommand = 1, uint16_t hotKey = 0, int32_t icon = 0) {
    Builder h;
    h.U32(0x4C);
    h.b.insert(h.b.end(), kLinkClsid, kLinkClsid + 16);
    h.U32(flags).U32(0x20).Zeros(24).U32(1234).U32(static_cast<uint32_t>(icon));
    h.U32(showCommand).U16(hotKey).Zeros(10);
    return h;
}

// A file or folder item as Windows Vista and later save it: the short name in
// the item, the long name in an extension block of the given version.
Bytes FileItem(const std::string& shortName, const std::u16string& longName, unsigned version,
               bool folder) {
    Builder item;
    item.U16(0).U8(folder ? 0x31 : 0x32).U8(0).U32(4096).U32(0x5A2B3C4D).U16(folder ? 0x10 : 0x20);
    item.Text(shortName);
    if (item.b.size() % 2)
        item.U8(0);
    std::size_t ext = item.b.size();
    item.U16(0).U16(version).U32(0xBEEF0004).U32(0x11223344).U32(0x55667788).U16(0x2A);
    if (version >= 7)
        item.U16(0).Zeros(8).Zeros(8);
    item.U16(0);
    if (version >= 9)
        item.U32(0);
    if (version >= 8)
        item.U32(0);
    item.Wide(longName);
    item.U16(static_cast<unsigned>(ext));
    item.Patch16(ext, static_cast<unsigned>(item.b.size() - ext));
    item.Patch16(0, static_cast<unsigned>(item.b.size()));
    return item.b;
}

Bytes RootAndDrive() {
    Builder list;
    list.U16(0x14).U8(0x1F).U8(0x50);
    list.b.insert(list.b.end(), kMyComputer, kMyComputer + 16);
    list.U16(0x19).U8(0x2F).U8('C').U8(':').U8('\\').Zeros(0x19 - 6);
    return list.b;
}

lnk::LinkData FullLink(const std::string& target) {
    lnk::LinkData link;
    link.Target = target;
    link.Arguments = "/min --profile \"Quick 1\"";
    link.WorkingDir = "C:\\Program Files\\Morvane";
    link.Description = "Starts Morvane";
    link.RelativePath = "..\\..\\Program Files\\Morvane\\Morvane.exe";
    link.IconLocation = "C:\\Windows\\system32\\shell32.dll";
    link.IconIndex = -23;
    link.ShowCommand = 7;
    link.HotKey = 0x0651;
    return link;
}

void ExpectSameLink(const lnk::LinkData& expected, const lnk::LinkData& actual) {
    EXPECT_EQ(expected.Target, actual.Target);
    EXPECT_EQ(expected.Arguments, actual.Arguments);
    EXPECT_EQ(expected.WorkingDir, actual.WorkingDir);
    EXPECT_EQ(expected.Description, actual.Description);
    EXPECT_EQ(expected.RelativePath, actual.RelativePath);
    EXPECT_EQ(expected.IconLocation, actual.IconLocation);
    EXPECT_EQ(expected.IconIndex, actual.IconIndex);
    EXPECT_EQ(expected.ShowCommand, actual.ShowCommand);
    EXPECT_EQ(expected.HotKey, actual.HotKey);
}

Bytes Written(const lnk::LinkData& link) {
    Bytes bytes;
    EXPECT_TRUE(lnk::WriteLink(link, bytes));
    return bytes;
}

bool Read(const Bytes& bytes, lnk::LinkData& link) {
    return lnk::ReadLink(bytes.data(), bytes.size(), link);
}

uint32_t U32At(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

} // namespace

TEST(LnkFormat, WrittenLinkReadsBackEveryField) {
    for (const char* target :
         {"C:\\Program Files\\Morvane\\Morvane.exe", "d:\\x.exe", "C:\\", "C:\\Tools\\",
          "\\\\server\\share\\tool.exe", "tool.exe", "%SystemRoot%\\notepad.exe", ""}) {
        SCOPED_TRACE(target);
        lnk::LinkData link = FullLink(target), back;
        ASSERT_TRUE(Read(Written(link), back));
        ExpectSameLink(link, back);
    }
}

TEST(LnkFormat, EmptyLinkReadsBackEmpty) {
    lnk::LinkData empty, back;
    back.Description = "stale";
    ASSERT_TRUE(Read(Written(empty), back));
    ExpectSameLink(empty, back);
}

TEST(LnkFormat, DrivePathIsKeptInTheItemListAsWellAsTheLinkInfo) {
    Bytes bytes = Written(FullLink("C:\\Program Files\\Morvane Test\\long file name.exe"));
    uint32_t flags = U32At(bytes, 0x14);
    ASSERT_EQ(flags & 3u, 3u) << "item list and link information";
    // ForceNoLinkInfo makes readers ignore the link information, so the
    // target must come from the items alone.
    bytes[0x15] |= 0x01;
    lnk::LinkData back;
    ASSERT_TRUE(Read(bytes, back));
    EXPECT_EQ("C:\\Program Files\\Morvane Test\\long file name.exe", back.Target);
}

TEST(LnkFormat, TextsOfAnyCharactersSurviveWhole) {
    std::string all;
    for (int c = 1; c < 256; ++c)
        all.push_back(static_cast<char>(c));
    // Every character of the ANSI code page, and some outside it.
    const std::string texts = AnsiToUtf8(all) + "\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80";
    for (const char* target :
         {"C:\\Caf\xC3\xA9\\\xE2\x82\xACuro.exe", "C:\\\xE4\xB8\xAD\xE6\x96\x87\\app.exe"}) {
        SCOPED_TRACE(target);
        lnk::LinkData link = FullLink(target);
        link.Description = texts;
        link.Arguments = texts;
        lnk::LinkData back;
        ASSERT_TRUE(Read(Written(link), back));
        ExpectSameLink(link, back);
    }
}

TEST(LnkFormat, TextsThatAreNotUtf8AreRefused) {
    lnk::LinkData link = FullLink("C:\\tool.exe");
    link.Arguments = "caf\xE9";
    Bytes bytes;
    EXPECT_FALSE(lnk::WriteLink(link, bytes));
}

TEST(LnkFormat, StringDataEndsAtItsFirstNul) {
    // Wine counts the terminating NUL as a character; the shell's getters
    // stop at a NUL anyway.
    Builder wide = Header(0x4 | 0x80);
    wide.U16(5).U16('a').U16('b').U16('c').U16(0).U16('x').U32(0);
    lnk::LinkData link;
    ASSERT_TRUE(Read(wide.b, link));
    EXPECT_EQ("abc", link.Description);

    Builder ansi = Header(0x20);
    ansi.U16(4).b.insert(ansi.b.end(), {'-', 'v', 0, 0});
    ansi.U32(0);
    ASSERT_TRUE(Read(ansi.b, link));
    EXPECT_EQ("-v", link.Arguments);
}

TEST(LnkFormat, TextLimitsOfTheFormatAreRefused) {
    lnk::LinkData link = FullLink("C:\\a.exe");
    link.Arguments.assign(65535, 'a');
    lnk::LinkData back;
    ASSERT_TRUE(Read(Written(link), back));
    EXPECT_EQ(link.Arguments, back.Arguments);

    Bytes bytes;
    link.Arguments.push_back('a');
    EXPECT_FALSE(lnk::WriteLink(link, bytes));

    // Only a drive path has room beyond the environment block's 260 characters.
    link = FullLink("C:\\" + std::string(400, 'd') + "\\app.exe");
    ASSERT_TRUE(Read(Written(link), back));
    EXPECT_EQ(link.Target, back.Target);
    link.Target = "\\\\server\\" + std::string(260, 's');
    EXPECT_FALSE(lnk::WriteLink(link, bytes));
}

TEST(LnkFormat, ReadsItemListOfLaterWindowsWithShortAndLongNames) {
    Builder list;
    list.Append(RootAndDrive());
    list.Append(FileItem("PROGRA~1", u"Program Files", 9, true));
    list.Append(FileItem("Morvane", u"Morvane", 8, true));
    list.Append(FileItem("APPLIC~1.EXE", u"application \u20AC.exe", 7, false));
    list.U16(0);
    // ANSI string data, and two extra blocks the reader has to step over.
    Builder file = Header(0x1 | 0x4 | 0x20, 3, 0x0341, 2);
    file.U16(static_cast<unsigned>(list.b.size())).Append(list.b);
    file.U16(4).b.insert(file.b.end(), {'c', 'a', 'f', 0xE9});
    file.U16(3).b.insert(file.b.end(), {'-', 'v', ' '});
    file.U32(0x60).U32(0xA0000003).Zeros(0x58);
    file.U32(0x0C).U32(0xA0000005).U32(0x27);
    file.U32(0);

    lnk::LinkData link;
    ASSERT_TRUE(Read(file.b, link));
    EXPECT_EQ("C:\\Program Files\\Morvane\\application \xE2\x82\xAC.exe", link.Target);
    EXPECT_EQ("caf\xC3\xA9", link.Description) << "ANSI string data, in UTF-8";
    EXPECT_EQ("-v ", link.Arguments);
    EXPECT_EQ(3u, link.ShowCommand);
    EXPECT_EQ(0x0341, link.HotKey);
    EXPECT_EQ(2, link.IconIndex);
}

TEST(LnkFormat, ItemWithoutExtensionBlockGivesItsOwnName) {
    Builder list;
    list.Append(RootAndDrive());
    Builder item;
    item.U16(0).U8(0x32).U8(0).U32(0).U32(0).U16(0).Text("OLD.EXE").U8(0).U16(0);
    item.Patch16(0, static_cast<unsigned>(item.b.size()));
    list.Append(item.b).U16(0);
    Builder file = Header(0x1);
    file.U16(static_cast<unsigned>(list.b.size())).Append(list.b).U32(0);
    lnk::LinkData link;
    ASSERT_TRUE(Read(file.b, link));
    EXPECT_EQ("C:\\OLD.EXE", link.Target);
}

TEST(LnkFormat, LinkInfoPrefersNetworkFormAndUnicodePaths) {
    // A target on a share: network name plus common path suffix.
    Builder info;
    info.U32(0).U32(0x1C).U32(2).U32(0).U32(0).U32(0x1C).U32(0);
    std::size_t network = info.b.size();
    info.U32(0).U32(0).U32(0x14).U32(0).U32(0x20000).Text("\\\\SERVER\\TOOLS");
    info.Patch16(network, static_cast<unsigned>(info.b.size() - network));
    info.Patch16(24, static_cast<unsigned>(info.b.size()));
    info.Text("bin\\run.exe");
    info.Patch16(0, static_cast<unsigned>(info.b.size()));
    Builder file = Header(0x2);
    file.Append(info.b).U32(0);
    lnk::LinkData link;
    ASSERT_TRUE(Read(file.b, link));
    EXPECT_EQ("\\\\SERVER\\TOOLS\\bin\\run.exe", link.Target);

    // A header of 0x24 bytes adds UTF-16 forms of the local path and suffix.
    Builder wide;
    wide.U32(0).U32(0x24).U32(1).U32(0x24).U32(0).U32(0).U32(0).U32(0).U32(0);
    wide.U32(0x11).U32(3).U32(0).U32(0x10).U8(0);
    wide.Patch16(16, static_cast<unsigned>(wide.b.size()));
    wide.Text("C:\\?uro.exe");
    wide.Patch16(24, static_cast<unsigned>(wide.b.size()));
    wide.Text("");
    wide.Patch16(0x1C, static_cast<unsigned>(wide.b.size()));
    wide.Wide(u"C:\\\u20ACuro.exe");
    wide.Patch16(0x20, static_cast<unsigned>(wide.b.size()));
    wide.Wide(u"");
    wide.Patch16(0, static_cast<unsigned>(wide.b.size()));
    Builder second = Header(0x2);
    second.Append(wide.b).U32(0);
    ASSERT_TRUE(Read(second.b, link));
    EXPECT_EQ("C:\\\xE2\x82\xACuro.exe", link.Target);
}

TEST(LnkFormat, EveryTruncationIsRefused) {
    Bytes bytes = Written(FullLink("C:\\Program Files\\Morvane\\Morvane.exe"));
    Bytes environment = Written(FullLink("%ProgramFiles%\\Morvane\\Morvane.exe"));
    lnk::LinkData link;
    for (const Bytes* whole : {&bytes, &environment}) {
        ASSERT_TRUE(Read(*whole, link));
        for (std::size_t n = 0; n < whole->size(); ++n)
            EXPECT_FALSE(lnk::ReadLink(whole->data(), n, link)) << "prefix of " << n << " bytes";
    }
}

TEST(LnkFormat, InconsistentSizesAreRefused) {
    Bytes good = Written(FullLink("C:\\Program Files\\Morvane\\Morvane.exe"));
    std::size_t listSize = good[0x4C] | (good[0x4D] << 8);
    std::size_t info = 0x4E + listSize;
    lnk::LinkData link;

    Bytes bad = good;
    bad[0x4E] = 0xF0; // first item larger than the list
    bad[0x4F] = 0x7F;
    EXPECT_FALSE(Read(bad, link));

    bad = good;
    bad[0x4E] = 1; // an item too small to hold its own type
    bad[0x4F] = 0;
    EXPECT_FALSE(Read(bad, link));

    bad = good;
    bad[info + 16] = 0xFF; // local path outside the link information
    EXPECT_FALSE(Read(bad, link));

    bad = good;
    bad[info + 4] = 0x08; // header smaller than its own fields
    EXPECT_FALSE(Read(bad, link));

    bad = good;
    bad[bad.size() - 4] = 5; // an extra block too small for its signature
    EXPECT_FALSE(Read(bad, link));

    bad = good;
    bad.back() = 0x10; // a huge block instead of the terminal one
    EXPECT_FALSE(Read(bad, link));

    bad = good;
    bad[5] ^= 1; // not the shell link class
    EXPECT_FALSE(Read(bad, link));
}

TEST(LnkFormat, GarbageIsRefusedWithoutHarm) {
    std::mt19937 random(20240611);
    lnk::LinkData link;
    Bytes good = Written(FullLink("C:\\Program Files\\Morvane\\Morvane.exe"));
    for (int round = 0; round < 2000; ++round) {
        Bytes noise(random() % 600);
        for (unsigned char& c : noise)
            c = static_cast<unsigned char>(random());
        EXPECT_FALSE(Read(noise, link));
        // A sound header followed by noise, and a sound link with bytes
        // flipped: either reading fails or it gives some link, never more.
        Bytes afterHeader(good.begin(), good.begin() + 0x4C);
        afterHeader.insert(afterHeader.end(), noise.begin(), noise.end());
        Read(afterHeader, link);
        Bytes flipped = good;
        for (int k = 0; k < 4; ++k)
            flipped[random() % flipped.size()] = static_cast<unsigned char>(random());
        Read(flipped, link);
    }
}

TEST(LnkFormat, CodePageConversion) {
    std::string all;
    for (int c = 0; c < 256; ++c)
        all.push_back(static_cast<char>(c));
    EXPECT_EQ(all, lnk::Utf16ToAnsi(lnk::AnsiToUtf16(all)));
    EXPECT_EQ(u"\u20AC\u00E9\u0081", lnk::AnsiToUtf16("\x80\xE9\x81"));
    EXPECT_EQ("a?b", lnk::Utf16ToAnsi(u"a\u4E2Db"));
    EXPECT_EQ("?", lnk::Utf16ToAnsi(u"\U0001F600")) << "one mark for a surrogate pair";
    EXPECT_EQ("?", lnk::Utf16ToAnsi(u"\u0080")) << "a C1 control that cp1252 uses for the euro";
}

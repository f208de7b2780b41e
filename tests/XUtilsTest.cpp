#include "online/xml/XUtils.h"
#include "online/xml/XXml.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

TEST(TextReader, ReadsBlocksFromCurrentPositionAndGivesZeroAtEnd) {
    std::istringstream in("xxabcdefg");
    in.seekg(2);
    TTextReader reader(in, 3);
    std::string got;
    while (!reader.Eof())
        got += reader.ReadChar();
    EXPECT_EQ(got, "abcdefg");
    EXPECT_TRUE(reader.Eof());
    EXPECT_EQ(reader.ReadChar(), '\0');
    EXPECT_FALSE(reader.Oem());
}

TEST(TextReader, EmptyStreamIsAtEndAtOnce) {
    std::istringstream in("");
    TTextReader reader(in, 4096);
    EXPECT_TRUE(reader.Eof());
    EXPECT_EQ(reader.ReadChar(), '\0');
}

// The program reads answers from memory; a block that ends exactly at the
// end of the bytes must neither lose nor repeat a byte.
TEST(TextReader, MemoryBytesOfEveryLengthAroundTheBlockSizeReadWhole) {
    for (std::size_t length : {0u, 1u, 3u, 4u, 5u, 8u, 9u}) {
        std::string bytes;
        for (std::size_t i = 0; i < length; ++i)
            bytes += static_cast<char>('a' + i);
        TMemoryByteStream source(bytes);
        TTextReader reader(source, 4);
        std::string read;
        while (!reader.Eof())
            read += reader.ReadChar();
        EXPECT_EQ(read, bytes) << length << " bytes";
        EXPECT_EQ(reader.ReadChar(), '\0');
    }
}

TEST(XmlReaderStream, PushBackComesFirstInOrder) {
    std::istringstream in("cd");
    TXmlReaderStream s(in);
    s.UnreadText("ab");
    s.Unread('_');
    EXPECT_EQ(s.PeekChar(), '_');
    std::string got;
    while (!s.Eof())
        got += s.ReadChar();
    EXPECT_EQ(got, "_abcd");
    EXPECT_EQ(s.ReadChar(), '\0');
    EXPECT_EQ(s.PeekChar(), '\0');
}

TEST(XmlReaderStream, MatchGivesBackWhatDidNotMatch) {
    std::istringstream in("DOCTXPE");
    TXmlReaderStream s(in);
    EXPECT_FALSE(s.Match("DOCTYPE", true));
    EXPECT_TRUE(s.Match("DOC", false));
    EXPECT_TRUE(s.Match("DOC", true));
    EXPECT_FALSE(s.Match("TXPEX", true)); // input ends first
    std::string rest;
    while (!s.Eof())
        rest += s.ReadChar();
    EXPECT_EQ(rest, "TXPE");
}

TEST(XmlReaderStream, SkipWhitespaceStopsAtFirstByteAbove32) {
    std::string text("\x01 \t\r\n\0 !x", 9);
    std::istringstream in(text);
    TXmlReaderStream s(in);
    s.Unread(' ');
    s.SkipWhitespace();
    EXPECT_EQ(s.ReadChar(), '!');
    s.SkipWhitespace();
    EXPECT_EQ(s.ReadChar(), 'x');
    s.SkipWhitespace();
    EXPECT_TRUE(s.Eof());
}

namespace {

struct Counted : TRefObject {
    explicit Counted(int* destroyed, TRefObject* next = nullptr) : destroyed_(destroyed) {
        next_.Assign(next);
    }
    ~Counted() override { ++*destroyed_; }
    void Dispose() override { ++disposed; }
    int* destroyed_;
    int disposed = 0;
    TRefPtr<TRefObject> next_;
};

} // namespace

TEST(RefObject, LastReleaseDestroysOnce) {
    int destroyed = 0;
    auto* object = new Counted(&destroyed);
    EXPECT_EQ(object->RefCount(), 0);
    {
        TRefPtr<Counted> a(object);
        TRefPtr<Counted> b = a;
        EXPECT_EQ(object->RefCount(), 2);
        b = a; // the object already held: nothing changes
        EXPECT_EQ(object->RefCount(), 2);
        b = nullptr;
        EXPECT_EQ(object->RefCount(), 1);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(RefObject, ReleaseAtZeroOnlyLowersTheCount) {
    int destroyed = 0;
    Counted object(&destroyed);
    object.Release();
    EXPECT_EQ(object.RefCount(), -1);
    EXPECT_EQ(destroyed, 0);
    object.AddRef();
}

TEST(RefObject, DisposeOfHolderCallsHookAndClears) {
    int destroyed = 0;
    auto* object = new Counted(&destroyed);
    TRefPtr<Counted> keep(object);
    TRefPtr<Counted> holder(object);
    holder.Dispose();
    EXPECT_FALSE(holder);
    EXPECT_EQ(object->disposed, 1);
    EXPECT_EQ(object->RefCount(), 1);
    EXPECT_EQ(destroyed, 0);
}

TEST(RefObject, LongChainOfOwnersIsFreedWithoutDeepRecursion) {
    int destroyed = 0;
    TRefPtr<Counted> head;
    for (int i = 0; i < 300000; ++i)
        head = MakeRef<Counted>(&destroyed, head.get());
    head = nullptr;
    EXPECT_EQ(destroyed, 300000);
}

namespace {

// GCC 12 at -O3 reports a "restrict" overlap inside the concatenation of a
// literal and std::to_string that cannot happen (GCC bug 105329).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
struct Recording : TXList<int> {
    std::vector<std::string>* log;
    explicit Recording(std::vector<std::string>* l) : log(l) {}
    ~Recording() override { Clear(); }
    void ItemAdded(int* i) override { log->push_back("+" + std::to_string(*i)); }
    void ItemRemoved(int* i) override { log->push_back("-" + std::to_string(*i)); }
    void FreeItem(int* i) override {
        log->push_back("free" + std::to_string(*i));
        delete i;
    }
};
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

} // namespace

TEST(XList, HooksSeeItemsComeAndGo) {
    std::vector<std::string> log;
    {
        Recording list(&log);
        list.Add(new int(1));
        list.Add(nullptr);
        list.Insert(0, new int(2));
        int* taken = list.Extract(0);
        EXPECT_EQ(*taken, 2);
        delete taken;
        list.Add(new int(3));
    }
    EXPECT_EQ(log,
              (std::vector<std::string>{"+1", "+2", "-2", "+3", "-3", "free3", "-1", "free1"}));
}

TEST(XList, RefObjectListHoldsReferences) {
    int destroyed = 0;
    auto* object = new Counted(&destroyed);
    {
        TRefObjectList list;
        list.Add(object);
        list.Add(object);
        EXPECT_EQ(object->RefCount(), 2);
        list.Extract(0);
        EXPECT_EQ(object->RefCount(), 1);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(XmlEscaping, EscapesTheFivePredefinedEntities) {
    EXPECT_EQ(XmlEscape("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&apos;f");
    EXPECT_EQ(XmlEscape("&lt;"), "&amp;lt;");
    EXPECT_EQ(XmlEscape(""), "");
}

TEST(XmlEscaping, UnescapesOnlyTheFivePredefinedEntities) {
    EXPECT_EQ(XmlUnescape("&apos;&quot;&gt;&lt;&amp;"), "'\"><&");
    EXPECT_EQ(XmlUnescape("&amp;lt;"), "&lt;");
    EXPECT_EQ(XmlUnescape("&amp;amp;"), "&amp;");
    EXPECT_EQ(XmlUnescape("&#65;&nbsp;&LT;&lt&"), "&#65;&nbsp;&LT;&lt&");
    EXPECT_EQ(XmlUnescape("a &lt; b"), "a < b");
    for (std::string s : {"", "plain", "&<>\"'&&amp;", "&amp;quot;&lt;"})
        EXPECT_EQ(XmlUnescape(XmlEscape(s)), s);
}

namespace {

struct Small : TRefObject {
    int* destroyed;
    explicit Small(int* d) : destroyed(d) {}
    ~Small() override { ++*destroyed; }
};

struct Large : TRefObject {
    char payload[1000] = {};
    int* destroyed;
    explicit Large(int* d) : destroyed(d) { payload[999] = 'x'; }
    ~Large() override { ++*destroyed; }
};

} // namespace

TEST(RefObject, ObjectsOfEverySizeAreFreedAndTheirMemoryServesAgain) {
    int destroyed = 0;
    {
        std::vector<TRefPtr<TRefObject>> held;
        for (int round = 0; round < 3; ++round) {
            for (int i = 0; i < 5000; ++i) {
                if (i % 10 == 0)
                    held.push_back(MakeRef<Large>(&destroyed));
                else
                    held.push_back(MakeRef<Small>(&destroyed));
            }
            // Every other one goes; the rest stay intact while new ones come.
            for (std::size_t k = 0; k < held.size(); k += 2)
                held[k] = nullptr;
        }
        for (const auto& object : held) {
            if (auto* large = dynamic_cast<Large*>(object.get())) {
                EXPECT_EQ(large->payload[999], 'x');
            }
        }
    }
    EXPECT_EQ(destroyed, 15000);
}

TEST(XList, KeepsOrderThroughInsertsAndRemovalsAnywhere) {
    std::vector<std::string> log;
    Recording list(&log);
    std::vector<int> expected;
    for (int i = 0; i < 40; ++i) {
        int at = (i * 7) % (list.Count() + 1);
        list.Insert(at, new int(i));
        expected.insert(expected.begin() + at, i);
    }
    for (int k = 0; k < 15; ++k) {
        int at = (k * 5) % list.Count();
        delete list.Extract(at);
        expected.erase(expected.begin() + at);
    }
    ASSERT_EQ(list.Count(), static_cast<int>(expected.size()));
    for (int i = 0; i < list.Count(); ++i)
        EXPECT_EQ(*list.Items(i), expected[static_cast<std::size_t>(i)]);
    EXPECT_EQ(list.IndexOf(list.Items(3)), 3);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    list.Add(new int(99)); // usable again after Clear
    EXPECT_EQ(*list.Items(0), 99);
}

#include "template/Hashes.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// Runs f and returns the message of the E it raises ("" if none).
template <class E, class F> std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "";
}

std::vector<std::string> AllKeys(THash& hash) {
    std::vector<std::string> keys;
    hash.Restart();
    while (hash.Next())
        keys.push_back(hash.CurrentKey());
    return keys;
}

// Counts the objects alive, to see what an object table frees.
struct TTracked {
    explicit TTracked(int& alive) : Alive(alive) { ++Alive; }
    ~TTracked() { --Alive; }
    int& Alive;
};

struct TCounted {
    static inline int Alive = 0;
    TCounted() { ++Alive; }
    ~TCounted() { --Alive; }
};

const char* const EmptyKey = "Key cannot be an empty string";
const char* const NextInvalid =
    "Cannot get Next as the hash has been modified since Restart was called";
const char* const CurrentInvalid =
    "Cannot find CurrentKey as the hash has been modified since Restart was called";
const char* const CurrentBeforeNext =
    "Cannot find CurrentKey as Next has not yet been called after Restart";

} // namespace

TEST(HashOf, FoldsTheTopBitsWithOrAndKeepsThem) {
    EXPECT_EQ(HashOf("a"), 0x23456761u);
    EXPECT_EQ(HashOf("ab"), 0x34567672u);
    EXPECT_EQ(HashOf("abc"), 0x456767C3u);
    EXPECT_EQ(HashOf("abc") & THash::BucketMask, 67u);
    // Longer keys, where an exclusive-or fold or cleared top bits would differ.
    EXPECT_EQ(HashOf("startuplocation"), 0xFF98B0FEu);
    EXPECT_EQ(HashOf("Hello, World!"), 0xF5EF07F1u);
    // Bytes count from 0 to 255, not as signed characters.
    EXPECT_EQ(HashOf("\xFF\xFE"), 0x345680FEu);
}

TEST(HashOf, EmptyKeyIsRefusedEverywhere) {
    TStringHash strings;
    TIntegerHash integers;
    TObjectHash<TCounted> objects;
    EXPECT_EQ(MessageOf<EHashInvalidKeyError>([] { HashOf(""); }), EmptyKey);
    EXPECT_EQ(MessageOf<EHashInvalidKeyError>([&] { strings.Exists(""); }), EmptyKey);
    EXPECT_EQ(MessageOf<EHashInvalidKeyError>([&] { strings.GetItem(""); }), EmptyKey);
    EXPECT_EQ(MessageOf<EHashInvalidKeyError>([&] { strings.SetItem("", "v"); }), EmptyKey);
    EXPECT_EQ(MessageOf<EHashInvalidKeyError>([&] { integers.SetItem("", 1); }), EmptyKey);
    EXPECT_THROW(integers.Exists(""), EHashError);

    // The refused object stays the caller's.
    auto object = std::make_unique<TCounted>();
    EXPECT_THROW(objects.SetItem("", std::move(object)), EHashInvalidKeyError);
    EXPECT_NE(object, nullptr);

    // Nothing was stored by the refused calls.
    strings.Restart();
    EXPECT_FALSE(strings.Next());
}

TEST(Hashes, StoresAndReplacesValuesByExactKey) {
    TStringHash strings;
    strings.SetItem("Key", "upper");
    strings.SetItem("key", "lower");
    strings.SetItem("key ", "blank");
    EXPECT_EQ(strings.GetItem("Key"), "upper");
    EXPECT_EQ(strings.GetItem("key"), "lower");
    EXPECT_EQ(strings.GetItem("key "), "blank");
    EXPECT_FALSE(strings.Exists("KEY"));
    strings.SetItem("key", "again");
    EXPECT_EQ(strings.GetItem("key"), "again");
    EXPECT_EQ(AllKeys(strings).size(), 3u);

    TIntegerHash integers;
    integers.SetItem("n", -7);
    EXPECT_EQ(integers.GetItem("n"), -7);
    EXPECT_EQ(MessageOf<EHashFindError>([&] { integers.GetItem("absent"); }),
              "Key \"absent\" not found");
    EXPECT_EQ(integers.Find("absent"), nullptr);
}

TEST(Hashes, ManyKeysStayReachable) {
    // Far more keys than buckets, many sharing a bucket.
    TStringHash strings;
    const int count = 50000;
    for (int i = 0; i < count; ++i)
        strings.SetItem("_C:" + std::to_string(i), std::to_string(i * 7));
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(strings.GetItem("_C:" + std::to_string(i)), std::to_string(i * 7));
    EXPECT_FALSE(strings.Exists("_C:" + std::to_string(count)));
    EXPECT_EQ(AllKeys(strings).size(), static_cast<std::size_t>(count));
}

TEST(HashIteration, VisitsBucketsInOrderAndABucketInInsertionOrder) {
    // Four keys that share a bucket, and one from a lower and a higher bucket.
    std::map<std::uint32_t, std::vector<std::string>> byBucket;
    std::vector<std::string> shared;
    for (int i = 0; shared.empty(); ++i) {
        std::string key = "key" + std::to_string(i);
        auto& keys = byBucket[HashOf(key) & THash::BucketMask];
        keys.push_back(key);
        if (keys.size() == 4 && byBucket.begin()->second != keys &&
            byBucket.rbegin()->second != keys)
            shared = keys;
    }
    const std::uint32_t bucket = HashOf(shared[0]) & THash::BucketMask;
    const std::string lower = byBucket.begin()->second[0];
    const std::string higher = byBucket.rbegin()->second[0];
    ASSERT_LT(HashOf(lower) & THash::BucketMask, bucket);
    ASSERT_GT(HashOf(higher) & THash::BucketMask, bucket);

    TIntegerHash hash;
    const std::vector<std::string> inserted{higher, shared[2], shared[0],
                                            lower,  shared[3], shared[1]};
    for (const std::string& key : inserted)
        hash.SetItem(key, 1);
    EXPECT_EQ(AllKeys(hash), (std::vector<std::string>{lower, shared[2], shared[0], shared[3],
                                                       shared[1], higher}));
}

TEST(HashIteration, NeedsRestartAndNext) {
    TStringHash hash;
    EXPECT_EQ(MessageOf<EHashIterateError>([&] { hash.Next(); }), NextInvalid);
    EXPECT_EQ(MessageOf<EHashIterateError>([&] { hash.CurrentKey(); }), CurrentInvalid);

    hash.SetItem("a", "1");
    hash.Restart();
    EXPECT_EQ(MessageOf<EHashIterateError>([&] { hash.CurrentKey(); }), CurrentBeforeNext);
    ASSERT_TRUE(hash.Next());
    EXPECT_EQ(hash.CurrentKey(), "a");
    // Past the end, Next keeps answering false and CurrentKey keeps the last key.
    EXPECT_FALSE(hash.Next());
    EXPECT_FALSE(hash.Next());
    EXPECT_EQ(hash.CurrentKey(), "a");
    // A new Restart forgets the key an earlier iteration delivered.
    hash.Restart();
    EXPECT_EQ(MessageOf<EHashIterateError>([&] { hash.CurrentKey(); }), CurrentBeforeNext);
}

TEST(HashIteration, NewKeyInvalidatesButNewValueDoesNot) {
    TStringHash hash;
    hash.SetItem("a", "1");
    hash.SetItem("b", "2");
    hash.Restart();
    ASSERT_TRUE(hash.Next());
    hash.SetItem(hash.CurrentKey(), "changed");
    hash.SetItem("a", "changed too");
    EXPECT_TRUE(hash.Next());

    hash.SetItem("c", "3");
    EXPECT_EQ(MessageOf<EHashIterateError>([&] { hash.Next(); }), NextInvalid);
    EXPECT_EQ(MessageOf<EHashIterateError>([&] { hash.CurrentKey(); }), CurrentInvalid);
    EXPECT_EQ(hash.GetItem("c"), "3");
}

TEST(HashIteration, ClearEndsAValidIteration) {
    TStringHash hash;
    hash.SetItem("a", "1");
    hash.SetItem("b", "2");
    hash.Restart();
    ASSERT_TRUE(hash.Next());
    hash.Clear();
    EXPECT_FALSE(hash.Exists("a"));
    EXPECT_FALSE(hash.Exists("b"));
    EXPECT_FALSE(hash.Next());

    // The cleared table takes keys again.
    hash.SetItem("b", "new");
    EXPECT_EQ(hash.GetItem("b"), "new");
    EXPECT_EQ(AllKeys(hash), std::vector<std::string>{"b"});
}

TEST(ObjectHash, OwnsAndFreesItsObjects) {
    int alive = 0;
    {
        TObjectHash<TTracked> hash;
        hash.SetItem("a", std::make_unique<TTracked>(alive));
        hash.SetItem("b", std::make_unique<TTracked>(alive));
        EXPECT_EQ(alive, 2);

        // A new object for a key frees the old one.
        auto replacement = std::make_unique<TTracked>(alive);
        TTracked* raw = replacement.get();
        hash.SetItem("a", std::move(replacement));
        EXPECT_EQ(alive, 2);
        EXPECT_EQ(hash.GetItem("a"), raw);

        hash.Clear();
        EXPECT_EQ(alive, 0);
        hash.SetItem("c", std::make_unique<TTracked>(alive));
        hash.SetItem("d", std::make_unique<TTracked>(alive));
    }
    // Destruction frees what the table still held.
    EXPECT_EQ(alive, 0);
}

TEST(ObjectHash, StoringTheHeldObjectAgainKeepsIt) {
    int alive = 0;
    TObjectHash<TTracked> hash;
    hash.SetItem("a", std::make_unique<TTracked>(alive));
    TTracked* held = hash.GetItem("a");
    // A caller that hands back the very object the key holds must not make
    // the table free it (and later free it a second time).
    hash.SetItem("a", std::unique_ptr<TTracked>(held));
    EXPECT_EQ(alive, 1);
    EXPECT_EQ(hash.GetItem("a"), held);
    EXPECT_EQ(&held->Alive, &alive);
}

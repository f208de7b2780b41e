#pragma once
// String-keyed hash tables that keep every piece of the template engine's
// state. Three variants share lookup, insertion and iteration and differ
// only in what they store: strings, 32-bit integers or owned objects.
//
// Keys are exact, non-empty byte strings. Next delivers them bucket by
// bucket (bucket = HashOf AND 127, from 0 to 127) and, within a bucket, in
// insertion order; that order is part of the contract, which is why the 128
// buckets never grow. The buckets are an order, not the storage, though:
// lookups go through a private index that stays constant-time however many
// keys there are (a large template puts many thousand keys in one table,
// and HashOf spreads such keys over few buckets), and the order is laid out
// by Restart. An engine holds one table per template block, so a table
// costs a few hundred bytes, not 128 arrays.

#include "core/system/Errors.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class EHashError : public EMorvaneError {
public:
    using EMorvaneError::EMorvaneError;
};

// "Key \"%s\" not found"
class EHashFindError : public EHashError {
public:
    using EHashError::EHashError;
};

// Next or CurrentKey on an iteration that is not (or no longer) valid.
class EHashIterateError : public EHashError {
public:
    using EHashError::EHashError;
};

// "Key cannot be an empty string"
class EHashInvalidKeyError : public EHashError {
public:
    using EHashError::EHashError;
};

// Raises EHashInvalidKeyError for the empty key.
std::uint32_t HashOf(const std::string& key);

struct THashRecord {
    std::uint32_t Hash = 0;
    std::int32_t ItemIndex = 0;
    std::string Key;
};

class THash {
public:
    static constexpr int BucketBits = 7;
    static constexpr int BucketCount = 1 << BucketBits;
    static constexpr int BucketMask = BucketCount - 1;
    static constexpr int BucketHigh = BucketCount - 1;

    THash(const THash&) = delete;
    THash& operator=(const THash&) = delete;
    virtual ~THash() = default;

    bool Exists(const std::string& key) const { return FindSlot(key) >= 0; }
    void Clear();

    void Restart();
    bool Next();
    const std::string& CurrentKey() const;

protected:
    THash() = default;

    // The value slot of the key, or -1 when absent; raises for the empty key.
    std::int32_t FindSlot(const std::string& key) const;
    // Takes a value slot for a key that FindSlot did not find.
    std::int32_t AllocIndex();
    // Files a key that FindSlot did not find under the given slot.
    void AddKey(const std::string& key, std::int32_t slot);
    [[noreturn]] static void RaiseNotFound(const std::string& key);

    virtual void ClearItems() = 0;
    virtual std::int32_t ItemHigh() const = 0;

private:
    struct TIndexEntry {
        std::size_t Spread = 0;   // a hash of better spread than HashOf
        std::int32_t Record = -1; // into Records; -1: the entry is empty
    };
    const THashRecord* Locate(const std::string& key, std::size_t spread) const;
    void IndexRecord(std::size_t spread, std::int32_t record);
    void GrowIndex();

    std::vector<THashRecord> Records; // in insertion order
    std::vector<std::int32_t> FreeIndexes;
    std::vector<TIndexEntry> Index; // open addressing, at most half full
    std::size_t IndexUsed = 0;

    bool IterValid = false;
    std::string CurrentKeyValue;
    std::vector<std::int32_t> IterOrder; // Records by bucket, then insertion
    std::size_t IterPos = 0;
};

// The string and integer variants. Values are copied in; GetItem and Find
// hand out a reference that stays valid until the table next changes.
template <class Value> class TValueHash : public THash {
public:
    const Value& GetItem(const std::string& key) const {
        const std::int32_t slot = FindSlot(key);
        if (slot < 0)
            RaiseNotFound(key);
        return Items[static_cast<std::size_t>(slot)];
    }

    // nullptr when the key is absent: a lookup that may fail without an exception.
    const Value* Find(const std::string& key) const {
        const std::int32_t slot = FindSlot(key);
        return slot < 0 ? nullptr : &Items[static_cast<std::size_t>(slot)];
    }
    Value* Find(const std::string& key) {
        const std::int32_t slot = FindSlot(key);
        return slot < 0 ? nullptr : &Items[static_cast<std::size_t>(slot)];
    }

    void SetItem(const std::string& key, Value value) {
        std::int32_t slot = FindSlot(key);
        if (slot >= 0) {
            Items[static_cast<std::size_t>(slot)] = std::move(value);
            return;
        }
        slot = AllocIndex();
        if (slot > ItemHigh())
            Items.resize(static_cast<std::size_t>(slot) + 1);
        Items[static_cast<std::size_t>(slot)] = std::move(value);
        AddKey(key, slot);
    }

protected:
    void ClearItems() override { Items.clear(); }
    std::int32_t ItemHigh() const override { return static_cast<std::int32_t>(Items.size()) - 1; }

private:
    std::vector<Value> Items;
};

class TStringHash final : public TValueHash<std::string> {};

class TIntegerHash final : public TValueHash<std::int32_t> {};

// Owns every object stored in it: an object is freed when its key is given
// another object, when the table is cleared and when the table is destroyed.
// GetItem and Find lend the object; it stays the table's, so handing a lent
// object back under another key would give it two owners.
template <class T> class TObjectHash final : public THash {
public:
    T* GetItem(const std::string& key) const {
        const std::int32_t slot = FindSlot(key);
        if (slot < 0)
            RaiseNotFound(key);
        return Items[static_cast<std::size_t>(slot)].get();
    }

    T* Find(const std::string& key) const {
        const std::int32_t slot = FindSlot(key);
        return slot < 0 ? nullptr : Items[static_cast<std::size_t>(slot)].get();
    }

    // Takes the object only once the key has been accepted: when an exception
    // leaves, the caller still owns it.
    void SetItem(const std::string& key, std::unique_ptr<T>&& object) {
        std::int32_t slot = FindSlot(key);
        if (slot >= 0) {
            std::unique_ptr<T>& held = Items[static_cast<std::size_t>(slot)];
            // Storing the object a key already holds must not free it: the
            // table keeps it, and the second owner the caller made gives up.
            if (held.get() == object.get()) {
                static_cast<void>(object.release());
                return;
            }
            held.reset();
            held = std::move(object);
            return;
        }
        slot = AllocIndex();
        if (slot > ItemHigh())
            Items.resize(static_cast<std::size_t>(slot) + 1);
        Items[static_cast<std::size_t>(slot)] = std::move(object);
        AddKey(key, slot);
    }

    // Stores a new, default-constructed object under the key and lends it.
    T& Create(const std::string& key) {
        auto object = std::make_unique<T>();
        T& created = *object;
        SetItem(key, std::move(object));
        return created;
    }

protected:
    void ClearItems() override { Items.clear(); }
    std::int32_t ItemHigh() const override { return static_cast<std::int32_t>(Items.size()) - 1; }

private:
    std::vector<std::unique_ptr<T>> Items;
};

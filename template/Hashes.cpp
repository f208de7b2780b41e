#include "template/Hashes.h"

#include <functional>
#include <string_view>

namespace {

[[noreturn]] void RaiseEmptyKey() {
    throw EHashInvalidKeyError("Key cannot be an empty string");
}

std::size_t SpreadOf(const std::string& key) {
    return std::hash<std::string_view>{}(key);
}

} // namespace

std::uint32_t HashOf(const std::string& key) {
    if (key.empty())
        RaiseEmptyKey();
    std::uint32_t h = 0x12345670u;
    for (const char c : key) {
        h = (h << 4) + static_cast<unsigned char>(c);
        const std::uint32_t g = h & 0xF0000000u;
        // An OR, not the usual exclusive or, and the top bits stay: the
        // bucket of every key, and so the iteration order, depends on it.
        if (g != 0)
            h |= g >> 24;
    }
    return h;
}

void THash::RaiseNotFound(const std::string& key) {
    throw EHashFindError("Key \"" + key + "\" not found");
}

const THashRecord* THash::Locate(const std::string& key, std::size_t spread) const {
    if (Index.empty())
        return nullptr;
    const std::size_t mask = Index.size() - 1;
    for (std::size_t i = spread & mask;; i = (i + 1) & mask) {
        const TIndexEntry& entry = Index[i];
        if (entry.Record < 0)
            return nullptr;
        if (entry.Spread == spread) {
            const THashRecord& record = Records[static_cast<std::size_t>(entry.Record)];
            if (record.Key == key)
                return &record;
        }
    }
}

std::int32_t THash::FindSlot(const std::string& key) const {
    if (key.empty())
        RaiseEmptyKey();
    const THashRecord* record = Locate(key, SpreadOf(key));
    return record ? record->ItemIndex : -1;
}

std::int32_t THash::AllocIndex() {
    if (!FreeIndexes.empty()) {
        const std::int32_t slot = FreeIndexes.back();
        FreeIndexes.pop_back();
        return slot;
    }
    return ItemHigh() + 1;
}

void THash::AddKey(const std::string& key, std::int32_t slot) {
    if ((IndexUsed + 1) * 2 > Index.size())
        GrowIndex();
    Records.push_back(THashRecord{HashOf(key), slot, key});
    IndexRecord(SpreadOf(key), static_cast<std::int32_t>(Records.size()) - 1);
    IterValid = false;
}

void THash::IndexRecord(std::size_t spread, std::int32_t record) {
    const std::size_t mask = Index.size() - 1;
    std::size_t i = spread & mask;
    while (Index[i].Record >= 0)
        i = (i + 1) & mask;
    Index[i] = TIndexEntry{spread, record};
    ++IndexUsed;
}

void THash::GrowIndex() {
    std::vector<TIndexEntry> old(Index.empty() ? 8 : Index.size() * 2);
    old.swap(Index);
    IndexUsed = 0;
    for (const TIndexEntry& entry : old)
        if (entry.Record >= 0)
            IndexRecord(entry.Spread, entry.Record);
}

void THash::Clear() {
    ClearItems();
    FreeIndexes.clear();
    Records.clear();
    Index.clear();
    IndexUsed = 0;
    // The iteration stays valid and simply finds nothing left.
    IterOrder.clear();
}

void THash::Restart() {
    // Lay out the bucket order once: a counting sort by bucket keeps the
    // insertion order within each bucket. Only a new key changes the order,
    // and a new key invalidates the iteration.
    std::vector<std::size_t> start(BucketCount + 1, 0);
    for (const THashRecord& record : Records)
        ++start[(record.Hash & BucketMask) + 1];
    for (int b = 0; b < BucketCount; ++b)
        start[static_cast<std::size_t>(b) + 1] += start[static_cast<std::size_t>(b)];
    IterOrder.assign(Records.size(), 0);
    for (std::size_t r = 0; r < Records.size(); ++r)
        IterOrder[start[Records[r].Hash & BucketMask]++] = static_cast<std::int32_t>(r);

    IterPos = 0;
    CurrentKeyValue.clear();
    IterValid = true;
}

bool THash::Next() {
    if (!IterValid)
        throw EHashIterateError(
            "Cannot get Next as the hash has been modified since Restart was called");
    if (IterPos >= IterOrder.size())
        return false;
    CurrentKeyValue = Records[static_cast<std::size_t>(IterOrder[IterPos++])].Key;
    return true;
}

const std::string& THash::CurrentKey() const {
    if (!IterValid)
        throw EHashIterateError(
            "Cannot find CurrentKey as the hash has been modified since Restart was called");
    if (CurrentKeyValue.empty())
        throw EHashIterateError(
            "Cannot find CurrentKey as Next has not yet been called after Restart");
    return CurrentKeyValue;
}

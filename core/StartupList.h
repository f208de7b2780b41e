#pragma once
// The collection of startup entries: it owns them, finds them by command
// line or place, and is what the scan, the write-back, the store and
// profile files read and fill.

#include "StartupApply.h"
#include "StartupEntry.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// A list that owns the objects in it. Clear frees them; Delete only takes
// one out of the list.
template <class T> class TObjectsList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    T* Items(int i) const { return items_.at(static_cast<size_t>(i)).get(); }
    void Add(std::unique_ptr<T> item) { items_.push_back(std::move(item)); }
    std::unique_ptr<T> Delete(int i); // raises EListError outside the list
    void Clear() { items_.clear(); }
    int IndexOf(const T* item) const;

private:
    std::vector<std::unique_ptr<T>> items_;
};

class TStartups {
public:
    TStartups();
    ~TStartups();
    TStartups(const TStartups&) = delete;
    TStartups& operator=(const TStartups&) = delete;

    bool Modified = false;
    // Set once the store of disabled entries was merged into this collection;
    // until then a store write keeps the stored entries it does not hold, so
    // that a failed scan followed by closing the window forgets nothing.
    bool StoreMerged = false;
    std::string UserComments;
    std::string CreationDate;
    // What the last Refresh and store merge have to tell the user once:
    // registry values that were passed over, a damaged store that was kept
    // aside. Cleared by Refresh.
    std::vector<std::string> Notices;
    // The notices as one message; empty when there are none.
    std::string NoticeText() const;

    int Count() const { return list_.Count(); }
    TStartup* Items(int i) const { return list_.Items(i); }
    int IndexOf(const TStartup* entry) const { return list_.IndexOf(entry); }
    // The entries a node of the location tree shows, in the collection's
    // order; every entry, for what only reads them (printing, export).
    std::vector<TStartup*> InGroup(int group) const;
    std::vector<const TStartup*> All() const;

    // Returns the new entry, or null for an empty or already present command
    // line (exact, case-sensitive comparison).
    TStartup* Add(const std::string& title, const std::string& fileName,
                  const std::string& commandLine, int location, int rating);
    // An entry switched in place (a RunOnceEx subkey, a packaged task, ...):
    // named by its location and PlaceKey, so another place's entry for the
    // same command line does not stand in for it. Null for an empty
    // command line.
    TStartup* AddPlaced(const std::string& title, const std::string& commandLine, int location,
                        const std::string& placeKey);
    // The entry switched in place at this location and key; null when none.
    TStartup* FindPlaced(int location, RegView view, const std::string& placeKey) const;
    std::unique_ptr<TStartup> Delete(int index);
    void Clear();

    // Scans both startup folders and the six registry keys and adds what it
    // finds (ScanStartups). The caller clears the collection first.
    void Refresh();

    // Makes the system match the collection, with the store of disabled
    // entries: the store is written first, then every entry is written back
    // (ApplyLeavingOut; entries that already match are left untouched), and
    // after failures the store is written again without the disablings that
    // could not be applied, so that it never claims an entry is off while it
    // still starts. What could not be written or deleted is reported. The
    // caller holds the system lock (ApplyStartups takes it).
    TApplyReport ApplyChanges();

    // Profile (".mvp") files. SaveToFile replaces the file only once the new
    // one is complete; LoadFromFile does nothing when the file is missing.
    void SaveToFile(const std::string& path);
    void LoadFromFile(const std::string& path);

    // Finds the entry with this command line; null when there is none.
    TStartup* FindCommandLine(const std::string& commandLine) const;

private:
    friend class TStartup;
    void CommandLineChanged(TStartup& entry, const std::string& before, const std::string& after);
    static std::string PlaceIndexKey(int location, const std::string& placeKey);

    TObjectsList<TStartup> list_;
    // How many entries Add counts hold each command line.
    std::unordered_map<std::string, int> commandLines_;
    // Every entry by its command line, and the entries switched in place by
    // location and upper-cased key, each in the order they were added: the
    // lookups stay linear in the number of entries over a whole scan.
    std::unordered_map<std::string, std::vector<TStartup*>> byCommandLine_;
    std::unordered_map<std::string, std::vector<TStartup*>> byPlace_;
};

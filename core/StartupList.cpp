#include "StartupList.h"

#include "StartupScan.h"
#include "system/AsciiCase.h"
#include "system/Errors.h"

#include <algorithm>

// --- TObjectsList -------------------------------------------------------------

template <class T> std::unique_ptr<T> TObjectsList<T>::Delete(int i) {
    if (i < 0 || i >= Count())
        throw EListError("List index out of bounds (" + std::to_string(i) + ")");
    std::unique_ptr<T> item = std::move(items_[static_cast<size_t>(i)]);
    items_.erase(items_.begin() + i);
    return item;
}

template <class T> int TObjectsList<T>::IndexOf(const T* item) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == item)
            return static_cast<int>(i);
    return -1;
}

template class TObjectsList<TStartup>;

// --- TStartups ----------------------------------------------------------------

TStartups::TStartups() = default;

TStartups::~TStartups() = default;

TStartup* TStartups::Add(const std::string& title, const std::string& fileName,
                         const std::string& commandLine, int location, int rating) {
    // A hash of the command lines keeps this linear in the number of entries
    // while giving the same answer as comparing with every entry in turn.
    if (commandLines_.count(commandLine) != 0)
        return nullptr;
    if (commandLine.empty())
        return nullptr;

    std::unique_ptr<TStartup> entry(new TStartup());
    TStartup* e = entry.get();
    e->Owner = this;
    e->SetEnabled(true);
    e->SetCommandLine(commandLine);
    if (!fileName.empty()) {
        e->SetFileName(fileName);
    } else {
        const size_t cut = e->CommandLine.find_last_of("\\:");
        e->SetFileName(cut == std::string::npos ? e->CommandLine : e->CommandLine.substr(cut + 1));
    }
    e->SetTitle(!title.empty() ? title : TitleFromFileName(e->FileName));
    e->SetLocation(static_cast<TStartupLocation>(location & 0xFF));
    e->SetRating(rating);
    list_.Add(std::move(entry));
    return e;
}

TStartup* TStartups::AddPlaced(const std::string& title, const std::string& commandLine,
                               int location, const std::string& placeKey) {
    if (commandLine.empty())
        return nullptr;
    std::unique_ptr<TStartup> entry(new TStartup());
    TStartup* e = entry.get();
    // Its command line is not among those Add compares: it is the place
    // that names the entry.
    e->SetEnabled(true);
    e->SetCommandLine(commandLine);
    const size_t cut = commandLine.find_last_of("\\:");
    e->SetFileName(cut == std::string::npos ? commandLine : commandLine.substr(cut + 1));
    e->SetTitle(!title.empty() ? title : TitleFromFileName(e->FileName));
    e->SetLocation(static_cast<TStartupLocation>(location & 0xFF));
    e->PlaceKey = placeKey;
    e->placed_ = true;
    e->Owner = this;
    if (!e->CommandLine.empty())
        byCommandLine_[e->CommandLine].push_back(e);
    byPlace_[PlaceIndexKey(e->Location, placeKey)].push_back(e);
    list_.Add(std::move(entry));
    Modified = true;
    return e;
}

std::string TStartups::PlaceIndexKey(int location, const std::string& placeKey) {
    // Registry keys are named without regard to case.
    return std::to_string(location) + '\n' + asciiUpper(placeKey);
}

TStartup* TStartups::FindPlaced(int location, RegView view, const std::string& placeKey) const {
    auto it = byPlace_.find(PlaceIndexKey(location, placeKey));
    if (it == byPlace_.end())
        return nullptr;
    for (TStartup* e : it->second)
        if (view == RegView::Default || e->View == RegView::Default || e->View == view)
            return e;
    return nullptr;
}

std::unique_ptr<TStartup> TStartups::Delete(int index) {
    std::unique_ptr<TStartup> entry = list_.Delete(index);
    CommandLineChanged(*entry, entry->CommandLine, std::string());
    if (entry->placed_) {
        auto it = byPlace_.find(PlaceIndexKey(entry->Location, entry->PlaceKey));
        if (it != byPlace_.end()) {
            std::vector<TStartup*>& placed = it->second;
            placed.erase(std::find(placed.begin(), placed.end(), entry.get()));
            if (placed.empty())
                byPlace_.erase(it);
        }
    }
    entry->Owner = nullptr;
    return entry;
}

std::string TStartups::NoticeText() const {
    std::string text;
    for (const std::string& notice : Notices)
        text += (text.empty() ? "" : "\n\n") + notice;
    return text;
}

void TStartups::Clear() {
    list_.Clear();
    commandLines_.clear();
    byCommandLine_.clear();
    byPlace_.clear();
    StoreMerged = false;
}

TStartup* TStartups::FindCommandLine(const std::string& commandLine) const {
    if (commandLines_.count(commandLine) == 0)
        return nullptr;
    // The first in the collection's order; one entry alone is that one.
    const std::vector<TStartup*>& holders = byCommandLine_.at(commandLine);
    if (holders.size() == 1)
        return holders.front();
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->CommandLine == commandLine)
            return Items(i);
    return nullptr;
}

void TStartups::CommandLineChanged(TStartup& entry, const std::string& before,
                                   const std::string& after) {
    auto holders = byCommandLine_.find(before);
    if (holders != byCommandLine_.end()) {
        std::vector<TStartup*>& list = holders->second;
        const auto at = std::find(list.begin(), list.end(), &entry);
        if (at != list.end())
            list.erase(at);
        if (list.empty())
            byCommandLine_.erase(holders);
    }
    if (!after.empty())
        byCommandLine_[after].push_back(&entry);
    if (entry.placed_)
        return;
    if (!before.empty()) {
        auto it = commandLines_.find(before);
        if (it != commandLines_.end() && --it->second == 0)
            commandLines_.erase(it);
    }
    if (!after.empty())
        ++commandLines_[after];
}

std::vector<TStartup*> TStartups::InGroup(int group) const {
    std::vector<TStartup*> entries;
    for (int i = 0; i < Count(); ++i)
        if (InLocationGroup(Items(i)->Location, group))
            entries.push_back(Items(i));
    return entries;
}

std::vector<const TStartup*> TStartups::All() const {
    std::vector<const TStartup*> entries;
    entries.reserve(static_cast<size_t>(Count()));
    for (int i = 0; i < Count(); ++i)
        entries.push_back(Items(i));
    return entries;
}

void TStartups::Refresh() {
    ScanStartups(*this);
}

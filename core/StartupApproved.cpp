#include "StartupApproved.h"
#include "core/system/AsciiCase.h"

#include "startupUtil.h"

#include <algorithm>

namespace {

const char kApprovedKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";

// HKLM\Software is redirected for a 32-bit program, Explorer's key included:
// the marks of both views are in the native one.
RegView MachineView() {
    return HasTwoRegistryViews() ? RegView::Native : RegView::Default;
}

std::string MarkId(RegRoot root, const std::string& key, const std::string& valueName) {
    return std::string(root == RegRoot::LocalMachine ? "HKLM\\" : "HKCU\\") + key + '\t' +
           asciiUpper(valueName);
}

} // namespace

bool ApprovedPlaceOf(unsigned code, RegView view, const std::string& title, TApprovedPlace& place) {
    place.ValueName = title;
    switch (code) {
    case slCURun:
        place.Root = RegRoot::CurrentUser;
        place.View = RegView::Default;
        place.Key = std::string(kApprovedKey) + "Run";
        return true;
    case slLMRun:
        place.Root = RegRoot::LocalMachine;
        place.View = MachineView();
        place.Key = std::string(kApprovedKey) + (view == RegView::Wow32 ? "Run32" : "Run");
        return true;
    case slCUStartup:
    case slLMStartupFolder:
        place.Root = code == slCUStartup ? RegRoot::CurrentUser : RegRoot::LocalMachine;
        place.View = code == slCUStartup ? RegView::Default : MachineView();
        place.Key = std::string(kApprovedKey) + "StartupFolder";
        place.ValueName = title + ".lnk";
        return true;
    default:
        return false;
    }
}

bool MarkTurnsOff(uint32_t type, const std::string& data) {
    return type == regBinary && data.size() >= 4 && (static_cast<unsigned char>(data[0]) & 1u);
}

std::string MarkTurnedOn(const std::string& data) {
    std::string mark(12, '\0');
    for (size_t i = 0; i < 4 && i < data.size(); ++i)
        mark[i] = data[i];
    mark[0] = static_cast<char>(static_cast<unsigned char>(mark[0]) & ~1u);
    return mark;
}

void TApprovedMarks::Load() {
    off_.clear();
    const struct {
        RegRoot Root;
        RegView View;
        const char* Subkey;
    } keys[] = {
        {RegRoot::CurrentUser, RegView::Default, "Run"},
        {RegRoot::CurrentUser, RegView::Default, "StartupFolder"},
        {RegRoot::LocalMachine, MachineView(), "Run"},
        {RegRoot::LocalMachine, MachineView(), "Run32"},
        {RegRoot::LocalMachine, MachineView(), "StartupFolder"},
    };
    for (const auto& k : keys) {
        const std::string path = std::string(kApprovedKey) + k.Subkey;
        TRegKey key;
        if (!key.Open(k.Root, path, RegAccess::Read, k.View))
            continue;
        for (const std::string& name : key.ValueNames()) {
            uint32_t type = regNone;
            std::string data;
            if (key.ReadRaw(name, type, data) && MarkTurnsOff(type, data))
                off_.insert(MarkId(k.Root, path, name));
        }
    }
}

bool TApprovedMarks::TurnsOff(unsigned code, RegView view, const std::string& title) const {
    TApprovedPlace place;
    if (!ApprovedPlaceOf(code, view, title, place))
        return false;
    return off_.count(MarkId(place.Root, place.Key, place.ValueName)) != 0;
}

bool WindowsTurnsOff(unsigned code, RegView view, const std::string& title) {
    TApprovedPlace place;
    if (!ApprovedPlaceOf(code, view, title, place))
        return false;
    TRegKey key;
    if (!key.Open(place.Root, place.Key, RegAccess::Read, place.View))
        return false;
    uint32_t type = regNone;
    std::string data;
    return key.ReadRaw(place.ValueName, type, data) && MarkTurnsOff(type, data);
}

bool ClearWindowsMark(unsigned code, RegView view, const std::string& title) {
    if (!WindowsTurnsOff(code, view, title))
        return true;
    TApprovedPlace place;
    ApprovedPlaceOf(code, view, title, place);
    TRegKey key;
    if (!key.Open(place.Root, place.Key, RegAccess::Full, place.View))
        return false;
    uint32_t type = regNone;
    std::string data;
    if (!key.ReadRaw(place.ValueName, type, data))
        return false;
    return key.WriteRaw(place.ValueName, regBinary, MarkTurnedOn(data));
}

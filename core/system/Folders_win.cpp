#include "Folders.h"

#include "UniqueHandle_win.h"
#include "WideText_win.h"

#include <windows.h>
#include <shlobj.h>


namespace {

std::string pathFromItemList(int csidl) {
    UniqueTaskMem<ITEMIDLIST> items;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, items.put())))
        return {};
    wchar_t buffer[MAX_PATH] = {};
    if (!items || !SHGetPathFromIDListW(items.get(), buffer))
        return {};
    return FromWide(buffer);
}

} // namespace

std::string ShellFolderPath(int csidl) {
    std::string path = pathFromItemList(csidl);
    if (path.empty() && (csidl == csidlPersonal || csidl == csidlAppData)) {
        // Systems whose shell lacks these in its namespace still answer
        // through the folder-path call.
        wchar_t buffer[MAX_PATH] = {};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer)))
            path = FromWide(buffer);
    }
    return path;
}

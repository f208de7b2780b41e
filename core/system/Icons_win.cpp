#include "Icons.h"

#include "WideText_win.h"

#include <windows.h>
#include <shellapi.h>

#include "UniqueHandle_win.h"

void* SystemSmallImages() {
    SHFILEINFOW info = {};
    // The image list belongs to the system and is never destroyed.
    return reinterpret_cast<void*>(
        SHGetFileInfoW(L"C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

int FileIconIndex(const std::string& path) {
    SHFILEINFOW info = {};
    std::wstring wide;
    if (!ToWide(path, wide))
        return -1;
    DWORD_PTR list = SHGetFileInfoW(wide.c_str(), 0, &info, sizeof info,
                                    SHGFI_SYSICONINDEX | SHGFI_ICON | SHGFI_SMALLICON);
    UniqueIcon icon(info.hIcon);
    return list == 0 ? -1 : info.iIcon;
}

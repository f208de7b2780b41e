#include "Icons.h"

#include "Files.h"
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

namespace {

// `byName`: the icon the shell gives any file of that name's type, without
// reading the file.
int shellIconIndex(const std::string& path, bool byName = false) {
    SHFILEINFOW info = {};
    std::wstring wide;
    if (!ToWide(path, wide))
        return -1;
    DWORD_PTR list = SHGetFileInfoW(
        wide.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
        SHGFI_SYSICONINDEX | SHGFI_ICON | SHGFI_SMALLICON | (byName ? SHGFI_USEFILEATTRIBUTES : 0));
    UniqueIcon icon(info.hIcon);
    return list == 0 ? -1 : info.iIcon;
}

} // namespace

int FileIconIndex(const std::string& path) {
    const std::string native = NativeFilePath(path);
    const int index = shellIconIndex(native);
    if (index >= 0 || native == path)
        return index;
    // The shell of a 32-bit program does not parse the Sysnative alias (no
    // folder listing shows it). The copy the file system sends it to instead
    // (SysWOW64) carries the same icon; a program only the native System32
    // holds gets its type's icon.
    const int redirected = shellIconIndex(path);
    return redirected >= 0 ? redirected : shellIconIndex(native, true);
}

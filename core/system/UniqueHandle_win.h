#pragma once
// The owners of the Win32 handles the program holds, one typedef per kind.

#include "UniqueAny.h"

#include <windows.h>

namespace unique_handle_detail {
// CreateFile and FindFirstFile fail with INVALID_HANDLE_VALUE, not null, and
// that value is a cast, so it is named through a function.
inline HANDLE invalidHandleValue() noexcept {
    return INVALID_HANDLE_VALUE;
}
} // namespace unique_handle_detail

using UniqueHKey = UniqueAny<HKEY, &::RegCloseKey>;
using UniqueFile = UniqueAny<HANDLE, &::CloseHandle, &unique_handle_detail::invalidHandleValue>;
using UniqueFind = UniqueAny<HANDLE, &::FindClose, &unique_handle_detail::invalidHandleValue>;

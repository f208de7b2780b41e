#pragma once
// The owners of the Win32 handles the program holds, one typedef per kind.

#include "UniqueAny.h"

#include <windows.h>
#include <objbase.h>

namespace unique_handle_detail {
// CreateFile and FindFirstFile fail with INVALID_HANDLE_VALUE, not null, and
// that value is a cast, so it is named through a function.
inline HANDLE invalidHandleValue() noexcept {
    return INVALID_HANDLE_VALUE;
}

// LocalFree takes any pointer the system allocated with LocalAlloc.
template <class T> void localFree(T* memory) noexcept {
    LocalFree(memory);
}

// CoTaskMemFree takes any pointer the shell and COM hand over.
template <class T> void taskMemFree(T* memory) noexcept {
    CoTaskMemFree(memory);
}
} // namespace unique_handle_detail

using UniqueHKey = UniqueAny<HKEY, &::RegCloseKey>;
using UniqueFile = UniqueAny<HANDLE, &::CloseHandle, &unique_handle_detail::invalidHandleValue>;
using UniqueFind = UniqueAny<HANDLE, &::FindClose, &unique_handle_detail::invalidHandleValue>;
// Handles that fail with null: tokens, mutexes, processes, threads.
using UniqueHandle = UniqueAny<HANDLE, &::CloseHandle>;
using UniqueIcon = UniqueAny<HICON, &::DestroyIcon>;
// Memory the system hands over to be freed with LocalFree.
template <class T> using UniqueLocal = UniqueAny<T*, &unique_handle_detail::localFree<T>>;
// Memory the shell or COM hands over to be freed with CoTaskMemFree.
template <class T> using UniqueTaskMem = UniqueAny<T*, &unique_handle_detail::taskMemFree<T>>;
// A folder's change notification, which fails with INVALID_HANDLE_VALUE.
using UniqueChangeNotification = UniqueAny<HANDLE, &::FindCloseChangeNotification,
                                           &unique_handle_detail::invalidHandleValue>;

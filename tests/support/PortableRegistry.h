#pragma once
// Seeding of the in-memory registry behind TRegKey in the portable build:
// tests fill it and inspect it; it starts empty, with two views of the machine-wide keys
// only when SetTwoViews(true) was called.

#include "core/system/Registry.h"
#include "core/system/RegistryStore_portable.h"

#include <string>

namespace portable_registry {

void Reset();
void SetTwoViews(bool twoViews);
// Creates a key and its parents. View Default means the native view.
void CreateKey(RegRoot root, const std::string& path, RegView view = RegView::Default);
void DeleteKey(RegRoot root, const std::string& path, RegView view = RegView::Default);
// Stores raw data (text types: the bytes including the terminating NUL).
void SetValue(RegRoot root, const std::string& path, const std::string& name, uint32_t type,
              const std::string& data, RegView view = RegView::Default);
bool GetValue(RegRoot root, const std::string& path, const std::string& name, uint32_t& type,
              std::string& data, RegView view = RegView::Default);
// What an Open with full access gets for this key (see Access).
void SetAccess(RegRoot root, const std::string& path, Access access,
               RegView view = RegView::Default);
// Makes every data read of the named value fail.
void SetUnreadable(RegRoot root, const std::string& path, const std::string& name,
                   RegView view = RegView::Default);

} // namespace portable_registry

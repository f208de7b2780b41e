#pragma once
// Owns a registry key handle (Windows builds only).

#include <windows.h>

class UniqueHKey {
public:
    UniqueHKey() = default;
    ~UniqueHKey() {
        if (key_)
            RegCloseKey(key_);
    }
    UniqueHKey(const UniqueHKey&) = delete;
    UniqueHKey& operator=(const UniqueHKey&) = delete;

    HKEY get() const { return key_; }
    HKEY* put() { return &key_; }

private:
    HKEY key_ = nullptr;
};

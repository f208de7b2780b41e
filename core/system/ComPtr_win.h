#pragma once
// The owner of one COM interface reference: Release is called once, when the
// owner lets go. Its ownership rules are UniqueAny's, as for every handle the
// program holds; a reference is moved, never copied (AddRef only where a
// caller asks for it explicitly, by QueryInterface).

#include "UniqueAny.h"

#include <windows.h>
#include <unknwn.h>

namespace com_detail {
template <class T> void release(T* object) noexcept {
    object->Release();
}
} // namespace com_detail

template <class T> class ComPtr : public UniqueAny<T*, &com_detail::release<T>> {
    using Base = UniqueAny<T*, &com_detail::release<T>>;

public:
    using Base::Base;

    T* operator->() const noexcept { return this->get(); }
    T* Get() const noexcept { return this->get(); }
    void Reset() noexcept { this->reset(); }

    // For the T** out parameter of a creating call; what was held is
    // released first.
    T** Put() noexcept { return this->put(); }
    // For the void** out parameter of CoCreateInstance and QueryInterface.
    void** PutVoid() noexcept { return reinterpret_cast<void**>(this->put()); }

    // Another interface of the same object, empty when it has none.
    template <class U> ComPtr<U> Query(REFIID iid) const noexcept {
        ComPtr<U> other;
        if (this->get())
            this->get()->QueryInterface(iid, other.PutVoid());
        return other;
    }
};

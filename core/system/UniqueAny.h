#pragma once
// One owner for every kind of handle, as WIL's unique_any: the close function
// and the value that means "nothing held" are template parameters, so a
// registry key, a file and a find handle each get a typedef and no class of
// their own. Free of Win32 includes so the ownership rules are tested natively.

#include <utility>

template <class H, auto Close, auto Invalid = H()> class UniqueAny {
public:
    UniqueAny() = default;
    explicit UniqueAny(H h) noexcept : h_(h) {}
    ~UniqueAny() { reset(); }
    UniqueAny(UniqueAny&& other) noexcept : h_(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;

    H get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != invalid(); }

    H release() noexcept { return std::exchange(h_, invalid()); }

    void reset(H h = invalid()) noexcept {
        const H old = std::exchange(h_, h);
        if (old != invalid())
            Close(old);
    }

    // For an out parameter: what was held is closed first, so reusing an
    // owner for a second open does not leak the first handle.
    H* put() noexcept {
        reset();
        return &h_;
    }

private:
    // A function, so an invalid value that is not a constant expression
    // (INVALID_HANDLE_VALUE is a cast) can still be named.
    static H invalid() noexcept {
        if constexpr (requires { Invalid(); })
            return Invalid();
        else
            return Invalid;
    }

    H h_ = invalid();
};

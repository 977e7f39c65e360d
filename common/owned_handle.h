// One move-only owner for every handle the program opens. A traits type
// names the handle's type, its empty value and how it is closed; Close keeps
// the system's last-error value as it was, so a failure read after an owner
// went out of scope is the failure of the call that mattered. The Win32
// traits are in common/handle.h; this header stays free of windows.h so that
// portable headers can hold an owner.
#pragma once

#include <utility>

template <typename TTraits>
class TOwnedHandle {
public:
    using TValue = typename TTraits::TValue;

    TOwnedHandle() = default;
    // Takes over value (the empty value is allowed and owns nothing).
    explicit TOwnedHandle(TValue value) : value_(value) {}
    TOwnedHandle(TOwnedHandle&& other) noexcept : value_(other.Release()) {}
    TOwnedHandle& operator=(TOwnedHandle&& other) noexcept
    {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    TOwnedHandle(const TOwnedHandle&) = delete;
    TOwnedHandle& operator=(const TOwnedHandle&) = delete;
    ~TOwnedHandle() { Reset(); }

    TValue Get() const { return value_; }
    explicit operator bool() const { return value_ != TTraits::Empty(); }

    // Gives the handle up without closing it.
    TValue Release() { return std::exchange(value_, TTraits::Empty()); }

    // Closes the handle held, if any, and takes value.
    void Reset(TValue value = TTraits::Empty())
    {
        const TValue old = std::exchange(value_, value);
        if (old != TTraits::Empty()) TTraits::Close(old);
    }

private:
    TValue value_ = TTraits::Empty();
};

// Kernel objects whose failure value is INVALID_HANDLE_VALUE: CreateFileA,
// CreateToolhelp32Snapshot. Declared here for TFile; defined for Windows only.
struct TFileHandleTraits {
    using TValue = void*;
    static TValue Empty();
    static void Close(TValue h);
};
using TFileHandle = TOwnedHandle<TFileHandleTraits>;

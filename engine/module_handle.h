// Owner of a module handle that holds one reference on the module: released
// with FreeLibrary, GetLastError kept as it was.
#pragma once

#include <windows.h>

#include <utility>

class TModuleHandle {
public:
    TModuleHandle() = default;
    // Takes over a reference from LoadLibrary or GetModuleHandleEx.
    explicit TModuleHandle(HMODULE module) : module_(module) {}
    TModuleHandle(TModuleHandle&& other) noexcept : module_(std::exchange(other.module_, nullptr)) {}
    TModuleHandle& operator=(TModuleHandle&& other) noexcept
    {
        if (this != &other) {
            Reset();
            module_ = std::exchange(other.module_, nullptr);
        }
        return *this;
    }
    TModuleHandle(const TModuleHandle&) = delete;
    TModuleHandle& operator=(const TModuleHandle&) = delete;
    ~TModuleHandle() { Reset(); }

    HMODULE Get() const { return module_; }
    explicit operator bool() const { return module_ != nullptr; }

    void Reset()
    {
        if (!module_) return;
        const DWORD error = GetLastError();
        FreeLibrary(std::exchange(module_, nullptr));
        SetLastError(error);
    }

private:
    HMODULE module_ = nullptr;
};

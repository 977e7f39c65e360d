// The owners of the Win32 handles the program opens, one traits type each:
//
//   TKernelHandle process(OpenProcess(...));      // empty value: null
//   TFileHandle file(CreateFileA(...));           // empty value: INVALID_HANDLE_VALUE
//   if (!process) return 0;                       // GetLastError still tells why
#pragma once

#include <windows.h>

#include "common/owned_handle.h"

// Runs close, then puts back the last-error value it found.
template <typename TClose>
void KeepingLastError(TClose close)
{
    const DWORD error = GetLastError();
    close();
    SetLastError(error);
}

// A handle of type THandle closed by CloseFn, whose failure value is null,
// or INVALID_HANDLE_VALUE when InvalidIsEmpty.
template <typename THandle, auto CloseFn, bool InvalidIsEmpty = false>
struct TWin32HandleTraits {
    using TValue = THandle;
    static TValue Empty()
    {
        if constexpr (InvalidIsEmpty) return INVALID_HANDLE_VALUE;
        else return nullptr;
    }
    static void Close(TValue h) { KeepingLastError([h] { CloseFn(h); }); }
};

// Kernel objects whose failure value is null: OpenProcess, CreateEvent.
using TKernelHandle = TOwnedHandle<TWin32HandleTraits<HANDLE, CloseHandle>>;
// FindFirstFileA's search handle.
using TFindHandle = TOwnedHandle<TWin32HandleTraits<HANDLE, FindClose, true>>;
// One reference on a module, from LoadLibrary or GetModuleHandleEx.
using TModuleHandle = TOwnedHandle<TWin32HandleTraits<HMODULE, FreeLibrary>>;
// A GDI object made by the program: pens, brushes, fonts, bitmaps.
template <typename TGdi>
using TGdiObject = TOwnedHandle<TWin32HandleTraits<TGdi, DeleteObject>>;
// A device context from CreateCompatibleDC.
using TMemoryDC = TOwnedHandle<TWin32HandleTraits<HDC, DeleteDC>>;
// A window the program created and destroys itself.
using TWindowHandle = TOwnedHandle<TWin32HandleTraits<HWND, DestroyWindow>>;
// The environment block from GetEnvironmentStringsA.
using TEnvironmentBlock = TOwnedHandle<TWin32HandleTraits<LPCH, FreeEnvironmentStringsA>>;
// Memory the system allocated for the caller with LocalAlloc: a security
// descriptor from GetSecurityInfo.
using TLocalMemory = TOwnedHandle<TWin32HandleTraits<HLOCAL, LocalFree>>;
// A registry key opened or created by the program.
using TRegistryKey = TOwnedHandle<TWin32HandleTraits<HKEY, RegCloseKey>>;

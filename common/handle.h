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

// Kernel objects whose failure value is null: OpenProcess, CreateEvent.
struct TKernelHandleTraits {
    using TValue = HANDLE;
    static TValue Empty() { return nullptr; }
    static void Close(TValue h) { KeepingLastError([h] { CloseHandle(h); }); }
};
using TKernelHandle = TOwnedHandle<TKernelHandleTraits>;

// FindFirstFileA's search handle.
struct TFindHandleTraits {
    using TValue = HANDLE;
    static TValue Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(TValue h) { KeepingLastError([h] { FindClose(h); }); }
};
using TFindHandle = TOwnedHandle<TFindHandleTraits>;

// One reference on a module, from LoadLibrary or GetModuleHandleEx.
struct TModuleHandleTraits {
    using TValue = HMODULE;
    static TValue Empty() { return nullptr; }
    static void Close(TValue h) { KeepingLastError([h] { FreeLibrary(h); }); }
};
using TModuleHandle = TOwnedHandle<TModuleHandleTraits>;

// A GDI object made by the program: pens, brushes, fonts, bitmaps.
template <typename TGdi>
struct TGdiObjectTraits {
    using TValue = TGdi;
    static TValue Empty() { return nullptr; }
    static void Close(TValue h) { KeepingLastError([h] { DeleteObject(h); }); }
};
template <typename TGdi>
using TGdiObject = TOwnedHandle<TGdiObjectTraits<TGdi>>;

// A window the program created and destroys itself.
struct TWindowHandleTraits {
    using TValue = HWND;
    static TValue Empty() { return nullptr; }
    static void Close(TValue h) { KeepingLastError([h] { DestroyWindow(h); }); }
};
using TWindowHandle = TOwnedHandle<TWindowHandleTraits>;

// An icon or cursor made by CreateIcon*, not one loaded shared.
struct TIconHandleTraits {
    using TValue = HICON;
    static TValue Empty() { return nullptr; }
    static void Close(TValue h) { KeepingLastError([h] { DestroyIcon(h); }); }
};
using TIconHandle = TOwnedHandle<TIconHandleTraits>;

// The environment block from GetEnvironmentStringsA.
struct TEnvironmentBlockTraits {
    using TValue = LPCH;
    static TValue Empty() { return nullptr; }
    static void Close(TValue h) { KeepingLastError([h] { FreeEnvironmentStringsA(h); }); }
};
using TEnvironmentBlock = TOwnedHandle<TEnvironmentBlockTraits>;

// The documented way for an elevated process to have the user's shell run
// something: the shell windows' desktop entry gives the desktop's browser,
// whose active view's background object hands out the shell's dispatch
// object, and IShellDispatch2::ShellExecute runs in the shell's process.
//
//   ShellWindows (COM server in the shell's process)
//     FindWindowSW(CSIDL_DESKTOP, SWC_DESKTOP, SWFO_NEEDDISPATCH) -> IDispatch
//     QueryService(SID_STopLevelBrowser)                          -> IShellBrowser
//     QueryActiveShellView                                        -> IShellView
//     GetItemObject(SVGIO_BACKGROUND)                             -> IShellFolderViewDual
//     get_Application                                             -> IShellDispatch2
//     ShellExecute(url, "", "", "open", SW_SHOWNORMAL)
//
// An elevated process's COM reads class registrations from the machine's
// hive alone, never from the user's, so the worm cannot register a class
// of its own in their place.
#include "resources/shell_desktop.h"

#include <windows.h>

#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlobj.h>

#include <string>
#include <utility>

#include "common/handle.h"
#include "common/module_export.h"

namespace {

// One reference on a COM object, released when the owner ends.
template <typename TInterface>
class TComPtr {
public:
    TComPtr() = default;
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;
    ~TComPtr()
    {
        if (pointer_) pointer_->Release();
    }

    TInterface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // For a call that gives a new reference; the owner must be empty.
    TInterface** Put() { return &pointer_; }
    void** PutVoid() { return reinterpret_cast<void**>(&pointer_); }

    // The same object through another of its interfaces; empty when it has
    // none of that kind.
    template <typename TOther>
    TComPtr<TOther> As(REFIID iid) const
    {
        TComPtr<TOther> other;
        if (pointer_ && FAILED(pointer_->QueryInterface(iid, other.PutVoid()))) return {};
        return other;
    }

    TComPtr(TComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}

private:
    TInterface* pointer_ = nullptr;
};

// A system library, loaded from the system folder alone.
HMODULE LoadSystemLibrary(const wchar_t* name)
{
    if (const HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
    // Systems without the search flags refuse it as a parameter: the full
    // path into the system folder instead.
    if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    return LoadLibraryW((std::wstring(system, length) + L"\\" + name).c_str());
}

// The functions of COM and of its automation library that the hand-over
// calls. The libraries are loaded at the first page, not at the program's
// start, and stay loaded: COM leaves threads of its own in the process,
// which must not outlive their code.
struct TComFunctions {
    decltype(&CoInitializeEx) Initialize = nullptr;
    decltype(&CoUninitialize) Uninitialize = nullptr;
    decltype(&CoCreateInstance) CreateInstance = nullptr;
    decltype(&SysAllocString) AllocString = nullptr;
    decltype(&VariantClear) ClearVariant = nullptr;

    bool Complete() const { return Initialize && Uninitialize && CreateInstance && AllocString && ClearVariant; }
};

const TComFunctions& ComFunctions()
{
    static const TComFunctions functions = [] {
        TComFunctions f;
        const HMODULE ole32 = LoadSystemLibrary(L"ole32.dll");
        const HMODULE oleaut32 = LoadSystemLibrary(L"oleaut32.dll");
        f.Initialize = ModuleExport<decltype(&CoInitializeEx)>(ole32, "CoInitializeEx");
        f.Uninitialize = ModuleExport<decltype(&CoUninitialize)>(ole32, "CoUninitialize");
        f.CreateInstance = ModuleExport<decltype(&CoCreateInstance)>(ole32, "CoCreateInstance");
        f.AllocString = ModuleExport<decltype(&SysAllocString)>(oleaut32, "SysAllocString");
        f.ClearVariant = ModuleExport<decltype(&VariantClear)>(oleaut32, "VariantClear");
        return f;
    }();
    return functions;
}

// COM initialized on this thread (apartment-threaded) for the owner's
// scope; uninitialized at its end when this owner initialized it.
class TComScope {
public:
    explicit TComScope(const TComFunctions& com)
        : com_(com), result_(com.Initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))
    {
    }
    ~TComScope()
    {
        if (SUCCEEDED(result_)) com_.Uninitialize();
    }
    TComScope(const TComScope&) = delete;
    TComScope& operator=(const TComScope&) = delete;

    // COM is usable: initialized here, or already (in another mode) on this thread.
    bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

private:
    const TComFunctions& com_;
    HRESULT result_;
};

// A VARIANT, cleared when the owner ends.
class TVariant {
public:
    explicit TVariant(const TComFunctions& com) : com_(com) { value_.vt = VT_EMPTY; }
    ~TVariant() { com_.ClearVariant(&value_); }
    TVariant(const TVariant&) = delete;
    TVariant& operator=(const TVariant&) = delete;

    static TVariant Int(const TComFunctions& com, LONG number)
    {
        TVariant v(com);
        v.value_.vt = VT_I4;
        v.value_.lVal = number;
        return v;
    }
    // Empty when the string cannot be allocated.
    static TVariant String(const TComFunctions& com, const wchar_t* text)
    {
        TVariant v(com);
        if (const BSTR string = com.AllocString(text)) {
            v.value_.vt = VT_BSTR;
            v.value_.bstrVal = string;
        }
        return v;
    }

    TVariant(TVariant&& other) noexcept : com_(other.com_), value_(other.value_) { other.value_.vt = VT_EMPTY; }

    VARIANT& Value() { return value_; }
    bool IsString() const { return value_.vt == VT_BSTR; }

private:
    const TComFunctions& com_;
    VARIANT value_{};
};

// url in UTF-16, by the ANSI code page it is written in; empty when it has
// no conversion.
std::wstring Wide(const char* url)
{
    const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, url, -1, nullptr, 0);
    if (length <= 1) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, url, -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

// The shell's dispatch object of the desktop's view, from the shell's
// process; empty when a step does not give it.
TComPtr<IShellDispatch2> DesktopShellDispatch(const TComFunctions& com)
{
    TComPtr<IShellWindows> windows;
    if (FAILED(com.CreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                  windows.PutVoid())) ||
        !windows)
        return {};
    TVariant location = TVariant::Int(com, CSIDL_DESKTOP), root(com);
    LONG desktopWindow = 0;
    TComPtr<IDispatch> desktop;
    // S_FALSE: no desktop registered.
    if (windows->FindWindowSW(&location.Value(), &root.Value(), SWC_DESKTOP, &desktopWindow, SWFO_NEEDDISPATCH,
                              desktop.Put()) != S_OK ||
        !desktop)
        return {};
    const TComPtr<IServiceProvider> provider = desktop.As<IServiceProvider>(IID_IServiceProvider);
    TComPtr<IShellBrowser> browser;
    if (!provider || FAILED(provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.PutVoid())) ||
        !browser)
        return {};
    TComPtr<IShellView> view;
    if (FAILED(browser->QueryActiveShellView(view.Put())) || !view) return {};
    TComPtr<IDispatch> background;
    if (FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.PutVoid())) || !background) return {};
    const TComPtr<IShellFolderViewDual> folderView = background.As<IShellFolderViewDual>(IID_IShellFolderViewDual);
    TComPtr<IDispatch> application;
    if (!folderView || FAILED(folderView->get_Application(application.Put())) || !application) return {};
    return application.As<IShellDispatch2>(IID_IShellDispatch2);
}

} // namespace

bool ProcessRunsAsLocalSystem()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return true;
    const TKernelHandle held(token);
    // TOKEN_USER and its SID: a SID is at most 68 bytes.
    alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) return true;
    return IsWellKnownSid(reinterpret_cast<const TOKEN_USER*>(buffer)->User.Sid, WinLocalSystemSid);
}

bool OpenThroughShellDesktop(const char* url)
{
    const std::wstring file = Wide(url);
    const TComFunctions& com = ComFunctions();
    if (file.empty() || !com.Complete()) return false;
    const TComScope scope(com);
    if (!scope.Usable()) return false;
    const TComPtr<IShellDispatch2> shell = DesktopShellDispatch(com);
    if (!shell) return false;
    TVariant fileName = TVariant::String(com, file.c_str());
    TVariant arguments = TVariant::String(com, L""), folder = TVariant::String(com, L"");
    TVariant operation = TVariant::String(com, L"open");
    TVariant show = TVariant::Int(com, SW_SHOWNORMAL);
    if (!fileName.IsString() || !arguments.IsString() || !folder.IsString() || !operation.IsString()) return false;
    return SUCCEEDED(shell->ShellExecute(fileName.Value().bstrVal, arguments.Value(), folder.Value(),
                                         operation.Value(), show.Value()));
}

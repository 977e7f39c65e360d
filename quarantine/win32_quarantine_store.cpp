#include "quarantine/win32_quarantine_store.h"

#include <windows.h>

#include <bcrypt.h>
#include <shlobj.h>

#include <algorithm>

#include "common/code_page.h"
#include "common/file.h"
#include "common/file_identity.h"
#include "common/handle.h"
#include "common/system_random.h"
#include "quarantine/win32_protected_folder.h"

namespace {

constexpr wchar_t kSecretValue[] = L"CleQuarantaine";


// True when key, at path, may be trusted (IsTrusted).
bool IsKeyTrusted(HKEY key, const std::wstring& path, TProtectedSecurity& security)
{
    DWORD size = 0;
    constexpr SECURITY_INFORMATION kWanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    if (RegGetKeySecurity(key, kWanted, nullptr, &size) != ERROR_INSUFFICIENT_BUFFER || size == 0) return false;
    std::vector<BYTE> descriptor(size);
    if (RegGetKeySecurity(key, kWanted, descriptor.data(), &size) != ERROR_SUCCESS) return false;
    const TObjectFacts facts = FactsOfDescriptor(descriptor.data(), true, false);
    return IsAsTheProgramMakesIt(facts) || IsTrusted(facts, FactsOfAKeyMadeHere(path + L"-sonde", security));
}

// Deletes the key at path under HKEY_LOCAL_MACHINE, with what it holds.
bool DeleteKey(const std::wstring& path)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0,
                      DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY,
                      &opened) != ERROR_SUCCESS)
        return false;
    const TRegistryKey key(opened);
    return RegDeleteTreeW(key.Get(), nullptr) == ERROR_SUCCESS &&
           RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_64KEY, 0) == ERROR_SUCCESS;
}

// The secret in the key at path, made when the key or its value is
// missing; a key not exactly as the program makes it is deleted and made
// anew, and a new secret written.
std::optional<TQuarantineSecret> TrustedSecret(const std::wstring& path)
{
    TProtectedSecurity security(KEY_ALL_ACCESS);
    if (!security.IsValid()) return std::nullopt;
    for (int attempt = 0; attempt < 2; ++attempt) {
        HKEY opened = nullptr;
        DWORD disposition = 0;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_QUERY_VALUE | KEY_SET_VALUE | READ_CONTROL | WRITE_DAC | WRITE_OWNER | KEY_WOW64_64KEY,
                            static_cast<SECURITY_ATTRIBUTES*>(security.Attributes()), &opened,
                            &disposition) != ERROR_SUCCESS)
            return std::nullopt;
        TRegistryKey key(opened);
        if (disposition == REG_CREATED_NEW_KEY) security.ApplyTo(key.Get(), true);
        if (!IsKeyTrusted(key.Get(), path, security)) {
            key.Reset();
            if (!DeleteKey(path)) return std::nullopt;
            continue;
        }
        TQuarantineSecret secret{};
        DWORD type = 0, size = sizeof secret;
        if (RegQueryValueExW(key.Get(), kSecretValue, nullptr, &type, secret.data(), &size) == ERROR_SUCCESS &&
            type == REG_BINARY && size == sizeof secret)
            return secret;
        // Missing or malformed: a new one, under which no entry made before passes.
        if (!SystemRandomBytes(secret) ||
            RegSetValueExW(key.Get(), kSecretValue, 0, REG_BINARY, secret.data(), sizeof secret) != ERROR_SUCCESS)
            return std::nullopt;
        return secret;
    }
    return std::nullopt;
}

std::uint64_t Combined(DWORD high, DWORD low) { return std::uint64_t{high} << 32 | low; }

} // namespace

// The machine's common application data folder, as the system records it
// (not the environment, which the user sets); the shell's call that fills a
// buffer, so that no COM library is loaded at the program's start.
std::wstring ProgramDataFolder()
{
    wchar_t path[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path))) return L"";
    return path;
}

const wchar_t* const QUARANTINE_SECRET_KEY = L"SOFTWARE\\Purvane";

struct TWin32QuarantineStore::THeldFolders {
    TProtectedSubfolder Folders;  // BASE\Purvane\Quarantaine
};

TWin32QuarantineStore::TWin32QuarantineStore(std::wstring base, std::wstring secretKey)
    : base_(std::move(base)), secretKey_(std::move(secretKey))
{
    while (!base_.empty() && base_.back() == L'\\') base_.pop_back();
}

TWin32QuarantineStore::~TWin32QuarantineStore() = default;

std::wstring TWin32QuarantineStore::FolderPath() const { return base_ + L"\\Purvane\\Quarantaine\\"; }

std::wstring TWin32QuarantineStore::EntryPath(const std::string& id) const
{
    return FolderPath() + WideFromAnsi(EntryFileName(id));
}

const TWin32QuarantineStore::THeldFolders* TWin32QuarantineStore::Folders()
{
    if (held_ || base_.empty()) return held_.get();
    TProtectedSubfolder taken = TakeProtectedSubfolder(base_, L"Quarantaine");
    if (!taken) return nullptr;
    held_ = std::make_unique<THeldFolders>(THeldFolders{std::move(taken)});
    return held_.get();
}

std::optional<TQuarantineSecret> TWin32QuarantineStore::Secret()
{
    if (!secret_ && Folders()) secret_ = TrustedSecret(secretKey_);
    return secret_;
}

std::vector<TStoredEntry> TWin32QuarantineStore::List()
{
    std::vector<TStoredEntry> entries;
    if (!Folders()) return entries;
    WIN32_FIND_DATAW found;
    const TFindHandle find(FindFirstFileW((FolderPath() + L"*").c_str(), &found));
    if (!find) return entries;
    do {
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        const std::optional<std::string> name = ExactAnsiSpelling(found.cFileName);
        std::optional<std::string> id = name ? IdOfEntryFileName(*name) : std::nullopt;
        if (!id) continue;
        entries.push_back({std::move(*id), Combined(found.nFileSizeHigh, found.nFileSizeLow),
                           Combined(found.ftLastWriteTime.dwHighDateTime, found.ftLastWriteTime.dwLowDateTime)});
    } while (FindNextFileW(find.Get(), &found));
    return entries;
}

TQuarantineStore::TCreateResult TWin32QuarantineStore::Create(const std::string& id, std::span<const std::uint8_t> head,
                                                              std::span<const std::uint8_t> content)
{
    if (!Folders()) return TCreateResult::Failed;
    const TFileHandle file(CreateFileW(EntryPath(id).c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError() == ERROR_FILE_EXISTS ? TCreateResult::IdTaken : TCreateResult::Failed;
    if (WriteAll(file.Get(), head.data(), head.size()) && WriteAll(file.Get(), content.data(), content.size()))
        return TCreateResult::Written;
    MarkForDeletion(file.Get());  // a part of an entry is no entry
    return TCreateResult::Failed;
}

std::optional<std::vector<std::uint8_t>> TWin32QuarantineStore::Read(const std::string& id, std::uint64_t maxCount,
                                                                     std::uint64_t& fileSize)
{
    if (!Folders()) return std::nullopt;
    const TFileHandle file(CreateFileW(EntryPath(id).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || IsLinkHandle(file.Get()) || !GetFileSizeEx(file.Get(), &size)) return std::nullopt;
    fileSize = static_cast<std::uint64_t>(size.QuadPart);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min(fileSize, maxCount)));
    if (!ReadExactly(file.Get(), bytes.data(), bytes.size())) return std::nullopt;
    return bytes;
}

bool TWin32QuarantineStore::Remove(const std::string& id) { return Folders() && DeleteFileW(EntryPath(id).c_str()); }

#include "quarantine/win32_quarantine.h"

#include <windows.h>

#include <bcrypt.h>

#include "common/code_page.h"
#include "common/file.h"
#include "common/handle.h"
#include "common/module_export.h"
#include "common/system_library.h"
#include "common/text.h"

namespace {

// The attributes a restored file gets back; the others tell what the file
// was stored as (compressed, sparse...), not what it is.
constexpr DWORD kRestoredAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
    FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

using TGenRandom = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, PUCHAR, ULONG, ULONG);

// The system's random numbers; the performance counter, which never gives
// the same value twice, where they fail. The cryptography library comes
// from the system folder.
std::uint64_t RandomNumber()
{
    std::uint64_t value = 0;
    const auto generate = ModuleExport<TGenRandom>(BcryptLibrary(), "BCryptGenRandom");
    if (generate && BCRYPT_SUCCESS(generate(nullptr, reinterpret_cast<PUCHAR>(&value), sizeof value,
                                            BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        return value;
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return static_cast<std::uint64_t>(counter.QuadPart);
}

// The full path of the file open as file, in UTF-8, its long names whatever
// the code page spells (a short name the walk went by is not what a restore
// should make); nothing when the system does not give it as a drive path.
std::optional<std::string> FullPathOf(HANDLE file)
{
    std::wstring path(MAX_PATH + 8, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= path.size()) return std::nullopt;
    path.resize(length);
    const std::wstring_view prefix = L"\\\\?\\";
    if (path.compare(0, prefix.size(), prefix) == 0) path.erase(0, prefix.size());
    if (path.size() < 3 || path[1] != L':') return std::nullopt;  // UNC and volume paths are not restorable
    return Utf8FromWide(path);
}

std::uint64_t Now()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return std::uint64_t{now.dwHighDateTime} << 32 | now.dwLowDateTime;
}

// Why a file cannot go back to path; empty once it is back. Every folder on
// the path is held, not as a link, until the file is written, so none can
// be swapped for a link meanwhile.
std::string PutBack(const std::string& utf8Path, std::uint32_t attributes, const std::vector<std::uint8_t>& content)
{
    const std::string path = Utf8ToCp1252(utf8Path);  // as the report tells it
    const std::optional<std::vector<std::string>> folders = FoldersOfRestorablePath(utf8Path);
    if (!folders) return "le chemin d'origine ne peut pas \xEAtre rendu tel quel : " + path + ".";
    std::vector<TFileHandle> held;
    for (const std::string& folder : *folders) {
        bool isLink = false;
        held.push_back(HoldFolder(WideFromUtf8(folder), FILE_READ_ATTRIBUTES, isLink));
        if (isLink) return "le chemin passe par un lien de dossier : " + Utf8ToCp1252(folder) + ".";
        if (!held.back()) return "le dossier " + Utf8ToCp1252(folder) + " est introuvable.";
    }
    const TFileHandle file(CreateFileW(WideFromUtf8(utf8Path).c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file && GetLastError() == ERROR_FILE_EXISTS) return "un fichier existe d\xE9j\xE0 \xE0 cet endroit : " + path + ".";
    if (file && WriteAll(file.Get(), content.data(), content.size()) &&
        SetAttributesOf(file.Get(), attributes & kRestoredAttributes))
        return {};
    if (file) MarkForDeletion(file.Get());  // a part of the file is not the file
    return "le fichier n'a pas pu \xEAtre \xE9" "crit : " + path + ".";
}

} // namespace

TWin32Quarantine::TWin32Quarantine() : TWin32Quarantine(ProgramDataFolder()) {}

TWin32Quarantine::TWin32Quarantine(std::wstring base) : store_(std::move(base)), quarantine_(store_, RandomNumber) {}

TKeptCopy TWin32Quarantine::Keep(void* file, const std::string& path, const std::string& malwareName)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)) return {TCopyOutcome::Failed, {}};
    TQuarantineRecord record;
    record.OriginalPath = FullPathOf(file).value_or(Utf8FromWide(WideFromAnsi(path)));
    record.MalwareName = malwareName;
    record.Size = std::uint64_t{info.nFileSizeHigh} << 32 | info.nFileSizeLow;
    record.Date = Now();
    record.Attributes = info.dwFileAttributes;
    return quarantine_.Keep(std::move(record), [file](std::span<std::uint8_t> content) {
        return ReadExactly(file, content.data(), content.size());
    });
}

TRestoreResult TWin32Quarantine::Restore(const std::string& id)
{
    const std::string refused = "Restauration de " + id + " refus\xE9" "e : ";
    TLoadedEntry loaded = quarantine_.Load(id);
    switch (loaded.Status) {
    case TLoadStatus::Missing: return {false, refused + "la quarantaine n'a pas d'entr\xE9" "e de cet identifiant."};
    case TLoadStatus::Damaged: return {false, refused + "l'entr\xE9" "e est endommag\xE9" "e."};
    case TLoadStatus::Loaded: break;
    }
    const TQuarantineRecord& record = loaded.Entry.Record;
    const std::string why = PutBack(record.OriginalPath, record.Attributes, loaded.Entry.Content);
    if (!why.empty()) return {false, refused + why};
    std::string text = "Fichier restaur\xE9 : " + Utf8ToCp1252(record.OriginalPath) + ".";
    if (!quarantine_.Remove(id)) text += " Son entr\xE9" "e n'a pas pu \xEAtre retir\xE9" "e de la quarantaine.";
    return {true, text};
}

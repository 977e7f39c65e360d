#include "quarantine/win32_quarantine.h"

#include <windows.h>

#include "common/code_page.h"
#include "common/file.h"
#include "common/handle.h"
#include "common/system_folders.h"
#include "common/system_random.h"
#include "common/text.h"
#include "quarantine/win32_protected_folder.h"

namespace {

// The attributes a restored file gets back; the others tell what the file
// was stored as (compressed, sparse...), not what it is.
constexpr DWORD kRestoredAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
    FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The system's random numbers; the performance counter, which never gives
// the same value twice, where they fail.
std::uint64_t RandomNumber()
{
    std::uint64_t value = 0;
    if (SystemRandomBytes({reinterpret_cast<std::uint8_t*>(&value), sizeof value})) return value;
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

// The path a restore writes to: for the 32-bit build on 64-bit Windows, the
// system folder through Sysnative, as the walk goes, so that a file of
// System32 never lands in SysWOW64.
std::string TargetOf(const std::string& utf8Path)
{
    if (!RunsUnderWow64()) return utf8Path;
    return ThroughSysnative(utf8Path, Utf8FromWide(WideFromAnsi(WindowsFolder())));
}

// Why a file cannot go back to path; empty once it is back. Every folder on
// the path is held, not as a link and without delete sharing, until the
// file is written, so none can be renamed, or swapped for a link, meanwhile;
// the file is made new, and a link at its name is not followed.
std::string PutBack(const std::string& utf8Path, std::uint32_t attributes, const std::vector<std::uint8_t>& content)
{
    const std::string path = Utf8ToCp1252(utf8Path);  // as the report tells it
    const std::string target = TargetOf(utf8Path);
    const std::optional<std::vector<std::string>> folders =
        FoldersOfRestorablePath(utf8Path) ? FoldersOfRestorablePath(target) : std::nullopt;
    if (!folders) return "le chemin d'origine ne peut pas \xEAtre rendu tel quel : " + path + ".";
    std::vector<TFileHandle> held;
    for (const std::string& folder : *folders) {
        bool isLink = false;
        held.push_back(HoldFolder(WideFromUtf8(folder), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, isLink));
        if (isLink) return "le chemin passe par un lien de dossier : " + Utf8ToCp1252(folder) + ".";
        if (!held.back()) return "le dossier " + Utf8ToCp1252(folder) + " est introuvable.";
    }
    const TFileHandle file(CreateFileW(WideFromUtf8(target).c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file && GetLastError() == ERROR_FILE_EXISTS) return "un fichier existe d\xE9j\xE0 \xE0 cet endroit : " + path + ".";
    if (file && WriteAll(file.Get(), content.data(), content.size()) &&
        SetAttributesOf(file.Get(), attributes & kRestoredAttributes))
        return {};
    if (file) MarkForDeletion(file.Get());  // a part of the file is not the file
    return "le fichier n'a pas pu \xEAtre \xE9" "crit : " + path + ".";
}

} // namespace

TWin32Quarantine::TWin32Quarantine() : TWin32Quarantine(ProgramDataFolder()) {}

TWin32Quarantine::TWin32Quarantine(std::wstring base, std::wstring secretKey)
    : store_(std::move(base), std::move(secretKey)), quarantine_(store_, RandomNumber)
{
}

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
    case TLoadStatus::Damaged:
        return {false, refused + "l'entr\xE9" "e est endommag\xE9" "e ou n'a pas \xE9t\xE9 faite par le programme."};
    case TLoadStatus::Unavailable:
        return {false, refused + "le secret de la quarantaine ne peut pas \xEAtre lu, aucune entr\xE9" "e n'est s\xFBre."};
    case TLoadStatus::Loaded: break;
    }
    const TQuarantineRecord& record = loaded.Entry.Record;
    const std::string why = PutBack(record.OriginalPath, record.Attributes, loaded.Entry.Content);
    if (!why.empty()) return {false, refused + why};
    std::string text = "Fichier restaur\xE9 : " + Utf8ToCp1252(record.OriginalPath) + ".";
    if (!quarantine_.Remove(id)) text += " Son entr\xE9" "e n'a pas pu \xEAtre retir\xE9" "e de la quarantaine.";
    return {true, text};
}

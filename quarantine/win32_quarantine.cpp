#include "quarantine/win32_quarantine.h"

#include <windows.h>

#include <bcrypt.h>

#include "common/code_page.h"
#include "common/file.h"
#include "common/handle.h"

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
    if (BCRYPT_SUCCESS(BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&value), sizeof value,
                                       BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        return value;
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return static_cast<std::uint64_t>(counter.QuadPart);
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
std::string PutBack(const std::string& path, std::uint32_t attributes, const std::vector<std::uint8_t>& content)
{
    const std::optional<std::vector<std::string>> folders = FoldersOfRestorablePath(path);
    if (!folders) return "le chemin d'origine ne peut pas \xEAtre rendu tel quel : " + path + ".";
    std::vector<TFileHandle> held;
    for (const std::string& folder : *folders) {
        bool isLink = false;
        held.push_back(HoldFolder(WideFromAnsi(folder), FILE_READ_ATTRIBUTES, isLink));
        if (isLink) return "le chemin passe par un lien de dossier : " + folder + ".";
        if (!held.back()) return "le dossier " + folder + " est introuvable.";
    }
    const TFileHandle file(CreateFileW(WideFromAnsi(path).c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
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
    record.OriginalPath = path;
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
    std::string text = "Fichier restaur\xE9 : " + record.OriginalPath + ".";
    if (!quarantine_.Remove(id)) text += " Son entr\xE9" "e n'a pas pu \xEAtre retir\xE9" "e de la quarantaine.";
    return {true, text};
}

#include "common/system_random.h"

#include <windows.h>

#include <bcrypt.h>

#include "common/module_export.h"
#include "common/system_library.h"

bool SystemRandomBytes(std::span<std::uint8_t> bytes)
{
    using TGenRandom = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, PUCHAR, ULONG, ULONG);
    const auto generate = ModuleExport<TGenRandom>(BcryptLibrary(), "BCryptGenRandom");
    return generate && BCRYPT_SUCCESS(generate(nullptr, bytes.data(), static_cast<ULONG>(bytes.size()),
                                               BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

#include "common/handle.h"

TFileHandleTraits::TValue TFileHandleTraits::Empty() { return INVALID_HANDLE_VALUE; }

void TFileHandleTraits::Close(TValue h)
{
    KeepingLastError([h] { CloseHandle(h); });
}

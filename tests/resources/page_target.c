/* What a test hands to the shell in place of a web page: started by
 * whatever opens it, it writes beside itself PATH.opened holding the id of
 * the process that started it, then ends. */
#include <windows.h>
#include <tlhelp32.h>

#include <stdio.h>

static DWORD ParentProcessId(void)
{
    const DWORD self = GetCurrentProcessId();
    DWORD parent = 0;
    PROCESSENTRY32W entry;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == self) parent = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    return parent;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line, int show)
{
    wchar_t path[MAX_PATH + 8];
    (void)instance, (void)previous, (void)line, (void)show;
    const DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    lstrcatW(path, L".opened");
    FILE* marker = _wfopen(path, L"w");
    if (!marker) return 1;
    fprintf(marker, "%lu\n", (unsigned long)ParentProcessId());
    fclose(marker);
    return 0;
}

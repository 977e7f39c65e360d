/* A harmless sample library: it does nothing but carry its marker. */
#include <windows.h>

__attribute__((used)) static const char MARKER[] = "PURVANE-TEST-LIBRARY: harmless test sample";

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance; (void)reason; (void)reserved;
    return TRUE;
}

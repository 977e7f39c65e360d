/* Loads the library named by its full path in the first argument, then
   waits and ends, without any window. It carries no marker, so that a scan
   finds the library in it and nothing else.
   Arguments: library-path [ready-event]. */
#include "sample_common.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)instance; (void)previous; (void)commandLine; (void)show;
    if (__argc < 2 || !LoadLibraryA(__argv[1])) return 1;
    SignalReady(2);
    Sleep(SAMPLE_LIFETIME_MS);
    return EXIT_EXPIRED;
}

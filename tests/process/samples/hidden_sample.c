/* A harmless sample without any window: it waits and ends.
   Arguments: [ready-event]. */
#include "sample_common.h"

__attribute__((used)) static const char MARKER[] = "PURVANE-TEST-PROCESS-HIDDEN: harmless test sample";

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)instance; (void)previous; (void)commandLine; (void)show;
    SignalReady(1);
    Sleep(SAMPLE_LIFETIME_MS);
    return EXIT_EXPIRED;
}

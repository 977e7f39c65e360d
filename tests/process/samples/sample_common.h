/* Shared by the harmless process samples. A sample takes, as its last
   argument, the value of an inheritable event handle that it sets when it is
   ready (its window made, its library loaded); without it, it signals
   nothing. Every sample ends by itself after SAMPLE_LIFETIME_MS, so none
   outlives a test that failed to end it. */
#include <windows.h>
#include <stdlib.h>

#define SAMPLE_LIFETIME_MS 60000
#define EXIT_CLOSED 3   /* ended on WM_CLOSE */
#define EXIT_EXPIRED 4  /* ended by its lifetime */

/* The event handle that argument index of the command line names, or NULL. */
static HANDLE EventArgument(int index)
{
    if (__argc <= index) return NULL;
    return (HANDLE)(UINT_PTR)_strtoui64(__argv[index], NULL, 10);
}

static void SignalReady(int index)
{
    HANDLE ready = EventArgument(index);
    if (ready) SetEvent(ready);
}

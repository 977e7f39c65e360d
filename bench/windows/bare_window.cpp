// The bare reference of the start-up benchmark: a program that only opens a
// window and runs its message loop.
#include "bench/windows/plain_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return RunPlainWindow(instance, "BareWindow"); }

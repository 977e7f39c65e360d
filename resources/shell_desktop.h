// The signed-in user's shell, reached from an elevated process: its desktop
// process opens an address as that user, with that user's rights.
#pragma once

// Whether the process's token is the LocalSystem account's; true as well
// when the token cannot be read, so that such a process never asks a shell.
bool ProcessRunsAsLocalSystem();

// Hands url to the shell's desktop process, which runs its "open" as the
// signed-in user (the shell's ShellExecute, from its own process): true
// once the shell took the address. False when COM cannot be loaded from the
// system folder or started, no desktop window is registered, or a step of
// the hand-over fails. Nothing is run from this process either way.
bool OpenThroughShellDesktop(const char* url);

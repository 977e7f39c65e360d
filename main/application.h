// The application start-up: the four windows in their order, then the
// message loop until the main window closes or a start-up error asked the
// application to end.
#pragma once

#include "engine/qz_dll_sscan_header.h"
#include "main/platform_services.h"

// The application's title: the caption of the box that shows an error no
// handler caught.
extern const char* const APPLICATION_TITLE;

// Runs the program with engine; returns the process's exit code.
int RunApplication(const TPlatformServices& services, const TScanEngine& engine);

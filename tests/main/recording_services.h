// Services that record message boxes and pages instead of showing them.
#pragma once

#include <string>
#include <vector>

#include "main/platform_services.h"

struct TShownBox {
    std::string Text, Caption;
    UINT Flags;
};

struct TRecordingServices {
    std::vector<TShownBox> Boxes;
    std::vector<std::string> Pages;
    TCalendarDate Date = {2013, 5, 1};
    DWORD MajorVersion = 10;
    std::string ExecutablePath;

    TPlatformServices Services()
    {
        return {[this](HWND, const char* text, const char* caption, UINT flags) {
                    Boxes.push_back({text, caption, flags});
                    return IDOK;
                },
                [this](HWND, const char* url) { Pages.push_back(url); }, [this] { return Date; },
                [this] { return MajorVersion; }, [this] { return ExecutablePath; }};
    }
};

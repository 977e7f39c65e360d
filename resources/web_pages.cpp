#include "resources/web_pages.h"

#include "resources/shell_desktop.h"

const char* const PRODUCT_WEB_PAGE = "https://www.garvex.fr/purvane/";
const char* const MAKER_HOME_PAGE = "https://www.garvex.fr/";

const char* const WEB_ADDRESS_CAPTION = "Purvane";

std::string WebAddressText(const char* url)
{
    return std::string("Ouvrez cette adresse dans votre navigateur :\r\n\r\n") + url;
}

void OpenPage(TPageOpening& system, HWND window, const char* url)
{
    if (!system.RunsAsLocalSystem() && system.OpenThroughDesktop(url)) return;
    system.ShowBox(window, WebAddressText(url), WEB_ADDRESS_CAPTION, WEB_ADDRESS_BOX);
}

namespace {

class TSystemPageOpening : public TPageOpening {
public:
    bool RunsAsLocalSystem() override { return ProcessRunsAsLocalSystem(); }
    bool OpenThroughDesktop(const char* url) override { return OpenThroughShellDesktop(url); }
    void ShowBox(HWND window, const std::string& text, const char* caption, UINT flags) override
    {
        MessageBoxA(window, text.c_str(), caption, flags);
    }
};

} // namespace

void OpenWithShell(HWND window, const char* url)
{
    TSystemPageOpening system;
    OpenPage(system, window, url);
}

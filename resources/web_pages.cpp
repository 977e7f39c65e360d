#include "resources/web_pages.h"

#include <shellapi.h>

const char* const PRODUCT_WEB_PAGE = "https://www.garvex.fr/purvane/";
const char* const MAKER_HOME_PAGE = "https://www.garvex.fr/";

void OpenWithShell(HWND window, const char* url)
{
    ShellExecuteA(window, "open", url, nullptr, nullptr, SW_SHOW);
}

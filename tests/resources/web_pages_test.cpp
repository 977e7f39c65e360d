#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "resources/shell_desktop.h"
#include "resources/web_pages.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_environment.h"

namespace {

struct TShownBox {
    HWND Owner;
    std::string Text, Caption;
    UINT Flags;
};

// Answers as told and records what was asked.
class TFakePageOpening : public TPageOpening {
public:
    TFakePageOpening(bool localSystem, bool desktopTakes) : localSystem_(localSystem), desktopTakes_(desktopTakes) {}

    bool RunsAsLocalSystem() override { return localSystem_; }
    bool OpenThroughDesktop(const char* url) override
    {
        HandedOver.push_back(url);
        return desktopTakes_;
    }
    void ShowBox(HWND window, const std::string& text, const char* caption, UINT flags) override
    {
        Boxes.push_back({window, text, caption, flags});
    }

    std::vector<std::string> HandedOver;
    std::vector<TShownBox> Boxes;

private:
    bool localSystem_, desktopTakes_;
};

TEST(OpenPage, HandsToTheDesktopOrShowsTheAddress)
{
    const HWND window = reinterpret_cast<HWND>(0x1234);
    struct TCase {
        const char* what;
        bool localSystem, desktopTakes;
        bool asksDesktop, showsBox;
    };
    const TCase cases[] = {
        {"the user's shell takes the page", false, true, true, false},
        {"the shell's desktop is not there or refuses", false, false, true, true},
        {"SYSTEM: no shell is asked, even one that would take it", true, true, false, true},
        {"SYSTEM, no shell", true, false, false, true},
    };
    for (const TCase& c : cases) {
        for (const char* url : {PRODUCT_WEB_PAGE, MAKER_HOME_PAGE}) {
            TFakePageOpening system(c.localSystem, c.desktopTakes);
            OpenPage(system, window, url);
            EXPECT_EQ(system.HandedOver, c.asksDesktop ? std::vector<std::string>{url} : std::vector<std::string>{})
                << c.what;
            ASSERT_EQ(system.Boxes.size(), c.showsBox ? 1u : 0u) << c.what;
            if (!c.showsBox) continue;
            const TShownBox& box = system.Boxes[0];
            EXPECT_EQ(box.Owner, window) << c.what;
            EXPECT_EQ(box.Text, std::string("Ouvrez cette adresse dans votre navigateur :\r\n\r\n") + url) << c.what;
            EXPECT_EQ(box.Caption, "Purvane") << c.what;
            EXPECT_EQ(box.Flags, UINT(MB_OK | MB_ICONINFORMATION)) << c.what;
        }
    }
}

// The test runs as the signed-in user, not as LocalSystem.
TEST(ShellDesktop, TheTestsTokenIsNotLocalSystem) { EXPECT_FALSE(ProcessRunsAsLocalSystem()); }

bool LibraryLoaded(const char* name) { return GetModuleHandleA(name) != nullptr; }

// The message boxes of this thread's modal loop, read and closed from a
// timer that the loop runs.
class TBoxReader {
public:
    TBoxReader() : timer_(SetTimer(nullptr, 0, 50, &TBoxReader::OnTimer)) { current_ = this; }
    ~TBoxReader()
    {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    TBoxReader(const TBoxReader&) = delete;
    TBoxReader& operator=(const TBoxReader&) = delete;

    std::vector<std::string> Captions, Texts;

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD)
    {
        if (current_) EnumThreadWindows(GetCurrentThreadId(), &TBoxReader::ReadBox, 0);
    }
    static BOOL CALLBACK ReadBox(HWND window, LPARAM)
    {
        char name[16] = {};
        GetClassNameA(window, name, sizeof name);
        if (std::string(name) != "#32770" || !IsWindowVisible(window)) return TRUE;
        char text[512] = {};
        GetWindowTextA(window, text, sizeof text);
        current_->Captions.push_back(text);
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            GetClassNameA(child, name, sizeof name);
            text[0] = 0;
            GetWindowTextA(child, text, sizeof text);
            if (std::string(name) == "Static" && text[0]) current_->Texts.push_back(text);
        }
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        return TRUE;
    }

    static TBoxReader* current_;
    UINT_PTR timer_;
};
TBoxReader* TBoxReader::current_ = nullptr;

// The file name of process id's executable, in lower case; empty when no
// such process runs.
std::string ProcessName(unsigned long id)
{
    std::string name;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return name;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ProcessID == id) name = entry.szExeFile;
    CloseHandle(snapshot);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name.substr(name.find_last_of('\\') + 1);
}

// The id written by the page's stand-in, once it has run.
std::optional<unsigned long> OpenedBy(const std::string& marker, std::chrono::seconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        std::ifstream in(marker);
        unsigned long pid = 0;
        if (in >> pid) return pid;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::nullopt;
}

// The real hand-over, with a harmless program in place of a page: either the
// shell's desktop runs it, from the shell's own process, and no box shows;
// or the desktop is not there, nothing runs, and the box gives the address.
TEST(ShellDesktop, TheShellRunsThePageOrTheBoxGivesItsAddress)
{
    // COM is loaded by the first page, not before.
    EXPECT_FALSE(LibraryLoaded("ole32.dll"));
    EXPECT_FALSE(LibraryLoaded("oleaut32.dll"));
    const TTempDir dir;
    const std::string target = dir.Path("page_target.exe");
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "page_target.exe").c_str(), target.c_str(), TRUE));
    const std::string marker = target + ".opened";

    const bool handedOver = OpenThroughShellDesktop(target.c_str());
    EXPECT_TRUE(LibraryLoaded("ole32.dll"));
    EXPECT_TRUE(LibraryLoaded("oleaut32.dll"));
    const std::optional<unsigned long> openedBy = OpenedBy(marker, std::chrono::seconds(handedOver ? 20 : 2));
    std::printf("the shell's desktop %s the address\n", handedOver ? "took" : "did not take");
    if (handedOver) {
        ASSERT_TRUE(openedBy.has_value()) << "the shell took the address but did not run it";
        EXPECT_NE(*openedBy, GetCurrentProcessId()) << "run from this process, not the shell's";
        EXPECT_EQ(ProcessName(*openedBy), "explorer.exe");
    } else {
        EXPECT_FALSE(openedBy.has_value()) << "run although the hand-over failed";
    }
    std::filesystem::remove(marker);

    // The opener the windows take: the same hand-over, or the box.
    std::vector<std::string> texts, captions;
    {
        const TBoxReader reader;
        OpenWithShell(nullptr, target.c_str());
        texts = reader.Texts;
        captions = reader.Captions;
    }
    if (handedOver) {
        EXPECT_TRUE(captions.empty());
        const std::optional<unsigned long> again = OpenedBy(marker, std::chrono::seconds(20));
        ASSERT_TRUE(again.has_value()) << "the windows' opener did not hand the address over";
        EXPECT_NE(*again, GetCurrentProcessId()) << "run from this process, not the shell's";
        EXPECT_EQ(ProcessName(*again), "explorer.exe");
    } else {
        EXPECT_EQ(captions, std::vector<std::string>{"Purvane"});
        EXPECT_EQ(texts, std::vector<std::string>{"Ouvrez cette adresse dans votre navigateur :\r\n\r\n" + target});
        EXPECT_FALSE(OpenedBy(marker, std::chrono::seconds(1)).has_value());
    }
}

// An address that cannot be handed over (here an empty one) gets the box,
// through the real message box, whatever the shell.
TEST(ShellDesktop, AnAddressTheShellIsNotGivenIsShown)
{
    EXPECT_FALSE(OpenThroughShellDesktop(""));
    const TBoxReader reader;
    OpenWithShell(nullptr, "");
    EXPECT_EQ(reader.Captions, std::vector<std::string>{"Purvane"});
    EXPECT_EQ(reader.Texts, std::vector<std::string>{"Ouvrez cette adresse dans votre navigateur :\r\n\r\n"});
}

} // namespace

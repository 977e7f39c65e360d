// The path chain over a fake system: the environment block's window, the
// rewriting of environment and root forms, the folder search and the order
// in which NormalizeModulePath tries them.
#include <gtest/gtest.h>

#include <set>

#include "process/path_chain.h"

namespace {

using TTexts = std::vector<std::string>;

// A system with a fixed set of existing files, a Windows folder C:\WINDOWS,
// a current folder C:\CWD and 0x81 and 0x95 as lead bytes. It logs every
// existence test, so the order of the chain's steps shows.
class TFakeSystem final : public TPathSystem {
public:
    TFakeSystem(std::set<std::string> files, TTexts environment = {})
        : files_(std::move(files)), environment_(std::move(environment)) {}

    bool IsExistingFile(const std::string& path) const override
    {
        tested.push_back(path);
        return files_.count(path) > 0;
    }
    TTexts EnvironmentList() const override { return environment_; }
    std::string WindowsSearchPath() const override { return "C:\\WINDOWS;C:\\WINDOWS\\system32;"; }
    std::string FullPathName(const std::string& path) const override
    {
        return path.find(':') == std::string::npos ? "C:\\CWD\\" + path : path;
    }
    bool IsLeadByte(char c) const override { return c == '\x81' || c == '\x95'; }

    mutable TTexts tested;

private:
    std::set<std::string> files_;
    TTexts environment_;
};

const TTexts WINDOWS_ENVIRONMENT = {"=C:=C:\\CWD", "ProgramFiles=C:\\Program Files", "SystemDrive=C:",
                                    "SystemRoot=C:\\WINDOWS", "windir=C:\\WINDOWS"};

std::string Block(std::initializer_list<std::string> texts)
{
    std::string block;
    for (const std::string& text : texts) block += text + '\0';
    return block + '\0';
}

TEST(ParseEnvironmentBlock, TextsUpToTheFirstEmptyOneWithinTheWindow)
{
    const std::string fills(MAX_ENVIRONMENT_WINDOW - 3, 'x');  // "A=" + fills + zero ends at the window's end
    const std::string exact = "A=" + fills.substr(1);
    struct TCase {
        const char* what;
        std::string window;
        TTexts expected;
    } cases[] = {
        {"empty block", Block({}), {}},
        {"two texts", Block({"A=1", "B=2"}), {"A=1", "B=2"}},
        {"per-drive entries are texts too", Block({"=C:=C:\\", "A=1"}), {"=C:=C:\\", "A=1"}},
        {"nothing after the empty text", Block({"A=1"}) + "B=2" + '\0', {"A=1"}},
        {"a text cut by the window is dropped", std::string("A=1\0B=2", 7), {"A=1"}},
        {"a window without any zero", "A=1", {}},
        {"a text whose zero is the window's last character stays",
         (exact + '\0').substr(0, MAX_ENVIRONMENT_WINDOW), {exact}},
    };
    for (const TCase& c : cases) EXPECT_EQ(ParseEnvironmentBlock(c.window), c.expected) << c.what;
}

TEST(ExpandEnvVars, ReplacesPercentAndRootFormsInBlockOrder)
{
    const std::string tail(2000, 't');
    struct TCase {
        const char* what;
        std::string path;
        bool withRootForm;
        TTexts environment;
        std::string expected;
    } cases[] = {
        {"percent form", "%SystemRoot%\\system32\\a.dll", false, WINDOWS_ENVIRONMENT, "C:\\WINDOWS\\system32\\a.dll"},
        {"names compare in upper case", "%WINDIR%\\a.dll", false, WINDOWS_ENVIRONMENT, "C:\\WINDOWS\\a.dll"},
        {"lower-case path", "%windir%\\a.dll", true, WINDOWS_ENVIRONMENT, "C:\\WINDOWS\\a.dll"},
        {"root form keeps the backslash after it", "\\SystemRoot\\System32\\drivers\\x.sys", true,
         WINDOWS_ENVIRONMENT, "C:\\WINDOWS\\System32\\drivers\\x.sys"},
        {"root form only when asked", "\\SystemRoot\\System32\\x.sys", false, WINDOWS_ENVIRONMENT,
         "\\SystemRoot\\System32\\x.sys"},
        {"the native prefix is no variable", "\\??\\C:\\x.dll", true, WINDOWS_ENVIRONMENT, "\\??\\C:\\x.dll"},
        {"a shorter name does not take a longer one's percent form", "%windir%\\a.dll", false,
         {"WIN=X:", "WINDIR=C:\\WINDOWS"}, "C:\\WINDOWS\\a.dll"},
        {"a shorter name earlier in the block takes a longer one's root form", "\\SystemRoot\\a.dll", true,
         {"System=S:", "SystemRoot=C:\\WINDOWS"}, "S:Root\\a.dll"},
        {"empty names are skipped", "C:\\%%\\a", true, {"=C:=C:\\"}, "C:\\%%\\a"},
        {"a text without equals sign is skipped", "%A%", false, {"A"}, "%A%"},
        {"first occurrence only", "%A%\\%A%", false, {"A=1"}, "1\\%A%"},
        {"later variables see earlier replacements", "%A%", false, {"A=%B%", "B=2"}, "2"},
        {"earlier variables do not", "%A%", false, {"B=2", "A=%B%"}, "%B%"},
        {"of the text after an occurrence 1024 characters remain", std::string("%A%").append(tail), false, {"A=v"},
         std::string("v").append(tail, 0, MAX_EXPANDED_TAIL)},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ExpandEnvVars(c.path, c.withRootForm, c.environment), c.expected) << c.what;
}

TEST(SearchDirList, NameFirstThenEachFolderInOrder)
{
    const TFakeSystem system({"a.exe", "C:\\Two\\b.exe", "D:c.exe", "C:\\Dir\\d.exe", "C:\\X\x95\\\\e.exe",
                              "X\x81;Y\\f.exe", "C:\\One\\g.exe", "C:\\Two\\g.exe"});
    struct TCase {
        const char* what;
        std::string name;
        std::string list;
        std::string expected;
    } cases[] = {
        {"the name itself", "a.exe", "C:\\One", "a.exe"},
        {"second folder", "b.exe", "C:\\One;C:\\Two", "C:\\Two\\b.exe"},
        {"a folder ending with a colon", "c.exe", "D:", "D:c.exe"},
        {"a folder ending with a backslash", "d.exe", "C:\\Dir\\", "C:\\Dir\\d.exe"},
        {"empty entries are skipped", "d.exe", ";;C:\\Nowhere;;;C:\\Dir;", "C:\\Dir\\d.exe"},
        {"the first folder that has it wins", "g.exe", "C:\\One;C:\\Two", "C:\\One\\g.exe"},
        {"nowhere", "z.exe", "C:\\One;C:\\Two;", ""},
        {"an empty list", "z.exe", "", ""},
        {"a trail byte equal to backslash ends no folder", "e.exe", "C:\\X\x95\\", "C:\\X\x95\\\\e.exe"},
        {"a trail byte equal to the separator splits nothing", "f.exe", "X\x81;Y", "X\x81;Y\\f.exe"},
    };
    for (const TCase& c : cases) EXPECT_EQ(SearchDirList(c.name, c.list, system), c.expected) << c.what;
}

TEST(PathParts, SplitAfterTheLastBackslashOrColon)
{
    const TFakeSystem system({});
    struct TCase {
        std::string path, folder, name;
    } cases[] = {
        {"C:\\WINDOWS\\notepad.exe", "C:\\WINDOWS\\", "notepad.exe"},
        {"C:notepad.exe", "C:", "notepad.exe"},
        {"notepad.exe", "", "notepad.exe"},
        {"", "", ""},
        {"C:\\Dir\\", "C:\\Dir\\", ""},
        {"C:\\X\x95\\y.exe", "C:\\", "X\x95\\y.exe"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(FolderPart(c.path, system), c.folder) << c.path;
        EXPECT_EQ(FileNamePart(c.path, system), c.name) << c.path;
    }
}

TEST(RemoveNativePrefix, TheFirstExactOccurrence)
{
    EXPECT_EQ(RemoveNativePrefix("\\??\\C:\\x.dll"), "C:\\x.dll");
    EXPECT_EQ(RemoveNativePrefix("\\??\\\\??\\C:\\x.dll"), "\\??\\C:\\x.dll");
    EXPECT_EQ(RemoveNativePrefix("\\?\?/C:\\x.dll"), "\\?\?/C:\\x.dll");
    EXPECT_EQ(RemoveNativePrefix("C:\\x.dll"), "C:\\x.dll");
}

TEST(SearchByName, AnExecutableGoneFromItsFolderIsLookedForInTheWindowsFolders)
{
    const TFakeSystem system({"C:\\WINDOWS\\system32\\gone.exe", "C:\\Apps\\here.exe", "local.exe"});
    struct TCase {
        const char* what;
        std::string name, lastPath, expected;
    } cases[] = {
        {"found in the system folder", "gone.exe", "C:\\Temp\\gone.exe", "C:\\WINDOWS\\system32\\gone.exe"},
        {"the last path's folder", "here.exe", "C:\\Apps\\old.exe", "C:\\Apps\\here.exe"},
        {"the current folder first, in full form", "local.exe", "C:\\Apps\\x.exe", "C:\\CWD\\local.exe"},
        {"missing everywhere", "missing.exe", "C:\\Temp\\missing.exe", ""},
        {"a pseudo-process", "[System Idle Process]", "", ""},
    };
    for (const TCase& c : cases) EXPECT_EQ(SearchByName(c.name, c.lastPath, system), c.expected) << c.what;
}

TEST(NormalizeModulePath, EachStepRunsOnlyWhileThePathNamesNoFile)
{
    const std::set<std::string> files = {"C:\\WINDOWS\\system32\\ntdll.dll", "C:\\WINDOWS\\system32\\drivers\\x.sys",
                                         "C:\\WINDOWS\\a.dll", "\\??\\C:\\odd.dll", "bare.dll"};
    struct TCase {
        const char* what;
        std::string path;
        std::string expected;
        TTexts tested;
    } cases[] = {
        {"an existing path is kept", "C:\\WINDOWS\\a.dll", "C:\\WINDOWS\\a.dll", {"C:\\WINDOWS\\a.dll"}},
        {"the native prefix goes first", "\\??\\C:\\WINDOWS\\system32\\ntdll.dll",
         "C:\\WINDOWS\\system32\\ntdll.dll", {"C:\\WINDOWS\\system32\\ntdll.dll"}},
        {"even where the native form names a file", "\\??\\C:\\odd.dll", "",
         {"C:\\odd.dll", "C:\\odd.dll", "C:\\odd.dll", "C:\\C:\\odd.dll", "C:\\WINDOWS\\C:\\odd.dll",
          "C:\\WINDOWS\\system32\\C:\\odd.dll"}},
        {"root form", "\\SystemRoot\\system32\\drivers\\x.sys", "C:\\WINDOWS\\system32\\drivers\\x.sys",
         {"\\SystemRoot\\system32\\drivers\\x.sys", "C:\\WINDOWS\\system32\\drivers\\x.sys"}},
        {"environment form", "%windir%\\a.dll", "C:\\WINDOWS\\a.dll", {"%windir%\\a.dll", "C:\\WINDOWS\\a.dll"}},
        {"an existing relative name is kept", "bare.dll", "bare.dll", {"bare.dll"}},
        {"a deleted module gives an empty path", "C:\\Temp\\gone.dll", "",
         {"C:\\Temp\\gone.dll", "C:\\Temp\\gone.dll", "C:\\Temp\\gone.dll", "C:\\Temp\\C:\\Temp\\gone.dll",
          "C:\\WINDOWS\\C:\\Temp\\gone.dll", "C:\\WINDOWS\\system32\\C:\\Temp\\gone.dll"}},
    };
    for (const TCase& c : cases) {
        const TFakeSystem system(files, WINDOWS_ENVIRONMENT);
        EXPECT_EQ(NormalizeModulePath(c.path, system), c.expected) << c.what;
        EXPECT_EQ(system.tested, c.tested) << c.what;
    }
}

TEST(NormalizeModulePath, ABareNameMissingHereIsFoundInTheWindowsFolder)
{
    const TFakeSystem system({"C:\\WINDOWS\\system32\\kernel32.dll"}, WINDOWS_ENVIRONMENT);
    EXPECT_EQ(NormalizeModulePath("kernel32.dll", system),
              "C:\\WINDOWS\\system32\\kernel32.dll");
}

}  // namespace

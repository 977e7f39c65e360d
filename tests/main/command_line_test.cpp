// The switches: the command line split as Windows' C runtime splits it,
// then read into a mode, a report path and a restore id.
#include <gtest/gtest.h>

#include "main/command_line.h"

namespace {

using TArguments = std::vector<std::string>;

TEST(CommandLine, SplitLikeTheCRuntime)
{
    const struct {
        const char* line;
        TArguments arguments;
    } cases[] = {
        {"", {}},
        {"Purvane.exe", {}},
        {"\"C:\\Program Files\\Purvane\\Purvane.exe\"", {}},
        {"\"C:\\Program Files\\Purvane\\Purvane.exe\" /auto", {"/auto"}},
        // The program's name takes no escapes: its backslash before a quote stays.
        {"\"C:\\Outils\\\" /auto", {"/auto"}},
        {"C:\\Purvane.exe   /auto \t -rapport:C:\\r.txt  ", {"/auto", "-rapport:C:\\r.txt"}},
        {"p /rapport:\"C:\\Mes rapports\\r.txt\"", {"/rapport:C:\\Mes rapports\\r.txt"}},
        {"p \"/rapport:C:\\Mes rapports\\r.txt\" /analyse", {"/rapport:C:\\Mes rapports\\r.txt", "/analyse"}},
        {"p /rapport:\\\\serveur\\partage\\PC.txt", {"/rapport:\\\\serveur\\partage\\PC.txt"}},
        // Backslashes: doubled before a quote, left alone elsewhere.
        {"p a\\\\\\b", {"a\\\\\\b"}},
        {"p \"a\\\\\" b", {"a\\", "b"}},
        {"p a\\\"b", {"a\"b"}},
        {"p a\\\\\\\"b", {"a\\\"b"}},
        {"p \"D:\\\\\"", {"D:\\"}},
        // Two quotes inside a quoted part give one; an empty pair is an empty argument.
        {"p \"a\"\"b\"", {"a\"b"}},
        {"p \"\" /auto", {"", "/auto"}},
        {"p \"open to the end", {"open to the end"}},
        {"p a\"b c\"d", {"ab cd"}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.arguments) << c.line;
}

TEST(CommandLine, Switches)
{
    using M = TProgramMode;
    const struct {
        TArguments arguments;
        M mode;
        const char* reportPath;
        const char* restoreId;
        std::optional<std::string> refused;
    } cases[] = {
        {{}, M::Window, "", "", {}},
        {{"/auto"}, M::Auto, "", "", {}},
        {{"-AUTO"}, M::Auto, "", "", {}},
        {{"/Analyse"}, M::Analyse, "", "", {}},
        {{"-analyse", "/RAPPORT:D:\\Rapports\\PC.txt"}, M::Analyse, "D:\\Rapports\\PC.txt", "", {}},
        {{"/rapport:C:\\r.txt"}, M::Window, "C:\\r.txt", "", {}},
        {{"/rapport:\\\\serveur\\partage\\PC-12.txt", "/auto"}, M::Auto, "\\\\serveur\\partage\\PC-12.txt", "", {}},
        {{"/quarantaine"}, M::QuarantineList, "", "", {}},
        {{"/restaurer:20130501-0001"}, M::Restore, "", "20130501-0001", {}},
        {{"-Restaurer:Ab:c", "-rapport:x"}, M::Restore, "x", "Ab:c", {}},
        // Refused: the first argument not taken, and nothing after it.
        {{"/aut"}, M::Window, "", "", "/aut"},
        {{"/auto", "/analyse"}, M::Auto, "", "", "/analyse"},
        {{"/auto", "/auto"}, M::Auto, "", "", "/auto"},
        {{"/auto:oui"}, M::Window, "", "", "/auto:oui"},
        {{"/rapport"}, M::Window, "", "", "/rapport"},
        {{"/rapport:"}, M::Window, "", "", "/rapport:"},
        {{"/rapport:a", "/rapport:b"}, M::Window, "a", "", "/rapport:b"},
        {{"/restaurer"}, M::Window, "", "", "/restaurer"},
        {{"/restaurer:"}, M::Window, "", "", "/restaurer:"},
        {{"auto"}, M::Window, "", "", "auto"},
        {{"/"}, M::Window, "", "", "/"},
        {{"-"}, M::Window, "", "", "-"},
        {{""}, M::Window, "", "", ""},
        {{"/analyse", "C:\\autre.txt", "/auto"}, M::Analyse, "", "", "C:\\autre.txt"},
        {{"/?"}, M::Window, "", "", "/?"},
    };
    for (const auto& c : cases) {
        const TCommandLine parsed = ParseSwitches(c.arguments);
        const std::string what = ::testing::PrintToString(c.arguments);
        EXPECT_EQ(parsed.Mode, c.mode) << what;
        EXPECT_EQ(parsed.ReportPath, c.reportPath) << what;
        EXPECT_EQ(parsed.RestoreId, c.restoreId) << what;
        EXPECT_EQ(parsed.Refused, c.refused) << what;
    }
}

TEST(CommandLine, AWholeLine)
{
    const TCommandLine parsed =
        ParseCommandLine("\"C:\\Outils\\Purvane.exe\" -Auto \"/rapport:\\\\serveur\\rapports\\PC 12.txt\"");
    EXPECT_EQ(parsed.Mode, TProgramMode::Auto);
    EXPECT_EQ(parsed.ReportPath, "\\\\serveur\\rapports\\PC 12.txt");
    EXPECT_FALSE(parsed.Refused);
}

} // namespace

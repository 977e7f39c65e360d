// Any bytes as the program's command line: no crash, no read outside it;
// the arguments, quoted back as a caller would quote them, split into the
// same arguments again; and the switches read from them hold together.
#include <algorithm>
#include <cstdlib>

#include "main/command_line.h"

namespace {

// argument as one argument of a command line: in quotes when it holds
// blanks or quotes or is empty, with backslashes doubled before a quote.
std::string Quoted(const std::string& argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        quoted += c;
        backslashes = 0;
    }
    quoted.append(2 * backslashes, '\\');
    return quoted + '"';
}

void CheckSwitches(const std::vector<std::string>& arguments)
{
    const TCommandLine parsed = ParseSwitches(arguments);
    if (parsed.Refused && std::find(arguments.begin(), arguments.end(), *parsed.Refused) == arguments.end()) std::abort();
    if ((parsed.Mode == TProgramMode::Restore) == parsed.RestoreId.empty()) std::abort();
    if (!parsed.Refused && parsed.Mode == TProgramMode::Window && arguments.size() > 1) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> arguments = SplitCommandLine(line);
    std::string again = "Purvane.exe";
    for (const std::string& argument : arguments) again += " " + Quoted(argument);
    if (SplitCommandLine(again) != arguments) std::abort();
    CheckSwitches(arguments);
    return 0;
}

#include "main/command_line.h"

#include <algorithm>
#include <iterator>

#include "common/text.h"

namespace {

struct TModeSwitch {
    const char* UpperName;
    TProgramMode Mode;
    bool TakesValue;  // "/name:VALUE", the value not empty
};

constexpr TModeSwitch kModeSwitches[] = {
    {"AUTO", TProgramMode::Auto, false},
    {"ANALYSE", TProgramMode::Analyse, false},
    {"QUARANTAINE", TProgramMode::QuarantineList, false},
    {"RESTAURER", TProgramMode::Restore, true},
};
const char* const kReportSwitch = "RAPPORT";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Past the program's name: quotes group, nothing escapes.
std::size_t SkipProgramName(std::string_view line)
{
    std::size_t at = 0;
    for (bool quoted = false; at < line.size() && (quoted || !IsBlank(line[at])); ++at)
        if (line[at] == '"') quoted = !quoted;
    return at;
}

// The argument that starts at at; at ends past it.
std::string NextArgument(std::string_view line, std::size_t& at)
{
    std::string argument;
    bool quoted = false;
    while (at < line.size() && (quoted || !IsBlank(line[at]))) {
        const char c = line[at];
        if (c == '\\') {
            const std::size_t first = at;
            while (at < line.size() && line[at] == '\\') ++at;
            const std::size_t count = at - first;
            const bool beforeQuote = at < line.size() && line[at] == '"';
            // Before a quote, each pair gives one backslash, and an odd one
            // out makes the quote a plain character; elsewhere they all stay.
            argument.append(beforeQuote ? count / 2 : count, '\\');
            if (beforeQuote && count % 2 == 1) {
                argument += '"';
                ++at;
            }
        } else if (c == '"') {
            // Two quotes inside a quoted part give one.
            if (quoted && at + 1 < line.size() && line[at + 1] == '"') {
                argument += '"';
                at += 2;
            } else {
                quoted = !quoted;
                ++at;
            }
        } else {
            argument += c;
            ++at;
        }
    }
    return argument;
}

struct TSwitch {
    std::string UpperName;
    std::optional<std::string> Value;  // after the first ":"
};

std::optional<TSwitch> AsSwitch(const std::string& argument)
{
    if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) return std::nullopt;
    const std::size_t colon = argument.find(':');
    TSwitch result{UpperCaseAscii(argument.substr(1, colon == std::string::npos ? std::string::npos : colon - 1)), {}};
    if (colon != std::string::npos) result.Value = argument.substr(colon + 1);
    return result;
}

// Takes one argument into the command line; false when it is refused.
class TSwitchReader {
public:
    explicit TSwitchReader(TCommandLine& commandLine) : commandLine_(commandLine) {}

    bool Take(const std::string& argument)
    {
        const std::optional<TSwitch> given = AsSwitch(argument);
        if (!given) return false;
        if (given->UpperName == kReportSwitch) return TakeReport(*given);
        const auto mode = std::find_if(std::begin(kModeSwitches), std::end(kModeSwitches),
                                       [&](const TModeSwitch& s) { return given->UpperName == s.UpperName; });
        return mode != std::end(kModeSwitches) && TakeMode(*mode, *given);
    }

private:
    bool TakeReport(const TSwitch& given)
    {
        if (reportGiven_ || !given.Value || given.Value->empty()) return false;
        commandLine_.ReportPath = *given.Value;
        reportGiven_ = true;
        return true;
    }

    bool TakeMode(const TModeSwitch& mode, const TSwitch& given)
    {
        if (modeGiven_ || given.Value.has_value() != mode.TakesValue) return false;
        if (given.Value) {
            if (given.Value->empty()) return false;
            commandLine_.RestoreId = *given.Value;
        }
        commandLine_.Mode = mode.Mode;
        modeGiven_ = true;
        return true;
    }

    TCommandLine& commandLine_;
    bool modeGiven_ = false;
    bool reportGiven_ = false;
};

} // namespace

std::vector<std::string> SplitCommandLine(std::string_view line)
{
    std::vector<std::string> arguments;
    std::size_t at = SkipProgramName(line);
    for (;;) {
        while (at < line.size() && IsBlank(line[at])) ++at;
        if (at == line.size()) return arguments;
        arguments.push_back(NextArgument(line, at));
    }
}

TCommandLine ParseSwitches(const std::vector<std::string>& arguments)
{
    TCommandLine commandLine;
    TSwitchReader reader(commandLine);
    for (const std::string& argument : arguments) {
        if (!reader.Take(argument)) {
            commandLine.Refused = argument;
            break;
        }
    }
    return commandLine;
}

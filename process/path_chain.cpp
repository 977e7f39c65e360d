#include "process/path_chain.h"

#include "common/text.h"

namespace {

// The index just after the last "\" or ":" of path, 0 when it has none;
// double-byte characters are stepped over whole, so that a trail byte equal
// to "\" is no separator.
std::size_t AfterLastSeparator(std::string_view path, const TPathSystem& system)
{
    std::size_t after = 0;
    for (std::size_t i = 0; i < path.size();) {
        if (system.IsLeadByte(path[i]) && i + 1 < path.size()) {
            i += 2;
            continue;
        }
        if (path[i] == '\\' || path[i] == ':') after = i + 1;
        ++i;
    }
    return after;
}

bool EndsWithSeparator(std::string_view path, const TPathSystem& system)
{
    return !path.empty() && AfterLastSeparator(path, system) == path.size();
}

// path with length characters at position replaced by value; of what followed
// them at most MAX_EXPANDED_TAIL characters remain.
std::string ReplaceAt(const std::string& path, std::size_t position, std::size_t length, const std::string& value)
{
    return path.substr(0, position) + value + path.substr(position + length, MAX_EXPANDED_TAIL);
}

// The position of the first occurrence of key in path, both compared in
// upper case.
std::size_t FindUpperCase(const std::string& path, const std::string& key)
{
    return UpperCaseAscii(path).find(UpperCaseAscii(key));
}

}  // namespace

std::vector<std::string> ParseEnvironmentBlock(std::string_view window)
{
    std::vector<std::string> texts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = window.find('\0', start);
        if (end == std::string_view::npos || end == start) break;
        texts.emplace_back(window.substr(start, end - start));
        start = end + 1;
    }
    return texts;
}

std::string ExpandEnvVars(std::string path, bool withRootForm, const std::vector<std::string>& environment)
{
    for (const std::string& variable : environment) {
        const std::size_t equals = variable.find('=');
        // Entries such as "=C:=C:\" have an empty name and are skipped.
        if (equals == 0 || equals == std::string::npos) continue;
        const std::string name = variable.substr(0, equals);
        const std::string value = variable.substr(equals + 1);
        const std::string percentForm = "%" + name + "%";
        const std::string rootForm = "\\" + name;
        if (const std::size_t at = FindUpperCase(path, percentForm); at != std::string::npos)
            path = ReplaceAt(path, at, percentForm.size(), value);
        else if (withRootForm) {
            if (const std::size_t root = FindUpperCase(path, rootForm); root != std::string::npos)
                path = ReplaceAt(path, root, rootForm.size(), value);
        }
    }
    return path;
}

std::string SearchDirList(const std::string& name, std::string_view list, const TPathSystem& system)
{
    std::string candidate = name;
    std::size_t at = 0;
    while (!system.IsExistingFile(candidate)) {
        while (at < list.size() && list[at] == ';') ++at;
        if (at >= list.size()) return "";
        const std::size_t start = at;
        while (at < list.size() && list[at] != ';')
            at += system.IsLeadByte(list[at]) && at + 1 < list.size() ? 2 : 1;
        const std::string_view entry = list.substr(start, at - start);
        candidate = std::string(entry) + (EndsWithSeparator(entry, system) ? "" : "\\") + name;
    }
    return candidate;
}

std::string FileNamePart(const std::string& path, const TPathSystem& system)
{
    return path.substr(AfterLastSeparator(path, system));
}

std::string FolderPart(const std::string& path, const TPathSystem& system)
{
    return path.substr(0, AfterLastSeparator(path, system));
}

std::string RemoveNativePrefix(std::string path)
{
    if (const std::size_t at = path.find("\\??\\"); at != std::string::npos) path.erase(at, 4);
    return path;
}

std::string SearchByName(const std::string& name, const std::string& lastPath, const TPathSystem& system)
{
    const std::string found = SearchDirList(name, FolderPart(lastPath, system) + ";" + system.WindowsSearchPath(), system);
    return found.empty() ? "" : system.FullPathName(found);
}

std::string NormalizeModulePath(const std::string& path, const TPathSystem& system)
{
    std::string current = RemoveNativePrefix(path);
    if (system.IsExistingFile(current)) return current;
    current = ExpandEnvVars(current, true, system.EnvironmentList());
    if (system.IsExistingFile(current)) return current;
    return SearchByName(current, current, system);
}

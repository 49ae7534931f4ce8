#include "platform/machine/WindowsPath.h"

namespace platform {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool HasForbiddenCharacter(std::string_view component) {
    for (const char c : component) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' || c == '*')
            return true;
    }
    return false;
}

// Windows drops trailing dots and spaces from every component ("a.txt." names "a.txt").
std::string_view TrimTrailingDotsAndSpaces(std::string_view component) {
    while (!component.empty() && (component.back() == '.' || component.back() == ' '))
        component.remove_suffix(1);
    return component;
}

} // namespace

bool IsUncPath(std::string_view path) {
    return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

std::optional<ParsedWindowsPath> ParseWindowsPath(std::string_view path) {
    if (path.size() < 2 || !IsLetter(path[0]) || path[1] != ':')
        return std::nullopt;
    if (path.size() > 2 && !IsSeparator(path[2]))
        return std::nullopt; // "C:file" is relative to the drive's current folder
    ParsedWindowsPath parsed;
    parsed.drive = static_cast<char>(path[0] & ~0x20);
    std::size_t pos = 2;
    while (pos < path.size()) {
        while (pos < path.size() && IsSeparator(path[pos]))
            ++pos;
        std::size_t end = pos;
        while (end < path.size() && !IsSeparator(path[end]))
            ++end;
        const std::string_view component = path.substr(pos, end - pos);
        pos = end;
        if (component.empty() || component == ".")
            continue;
        if (component == "..") {
            if (parsed.components.empty())
                return std::nullopt; // would climb out of the drive
            parsed.components.pop_back();
            continue;
        }
        const std::string_view trimmed = TrimTrailingDotsAndSpaces(component);
        if (trimmed.empty() || HasForbiddenCharacter(trimmed))
            return std::nullopt;
        parsed.components.emplace_back(trimmed);
    }
    return parsed;
}

std::string FormatWindowsPath(const ParsedWindowsPath& path) {
    std::string text{path.drive, ':'};
    if (path.components.empty())
        return text + '\\';
    for (const std::string& component : path.components)
        text += '\\' + component;
    return text;
}

} // namespace platform

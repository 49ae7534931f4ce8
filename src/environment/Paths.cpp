#include "environment/Paths.h"

#include "platform/machine/Machine.h"
#include "platform/text/Text.h"

std::size_t WideLength(std::string_view text) {
    return platform::text::Utf8ToUtf16(text).size();
}

std::string GetWindowsFolder() {
    // GetWindowsDirectoryW into a buffer of 260 characters.
    std::string folder = platform::Machine::Current().Settings().windowsFolder;
    const std::size_t length = WideLength(folder);
    if (length < 1 || length > 259)
        return {};
    AddTrailingBackslash(folder);
    return folder;
}

void AddTrailingBackslash(std::string& path) {
    if (!path.empty() && path.back() != '\\')
        path += '\\';
}

std::string WithTrailingBackslash(std::string_view path) {
    std::string result(path);
    AddTrailingBackslash(result);
    return result;
}

std::string ParentFolder(std::string_view path) {
    // A backslash is one byte in UTF-8 and never part of another character, so bytes can be scanned.
    for (std::size_t i = path.size(); i-- > 1;) {
        if (path[i] == '\\' && i != path.size() - 1)
            return std::string(path.substr(0, i + 1));
    }
    std::size_t pos = 0;
    for (int taken = 0; taken < 3 && pos < path.size(); ++taken)
        platform::text::DecodeUtf8(path, pos);
    return std::string(path.substr(0, pos));
}

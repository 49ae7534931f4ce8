// The volume calls on Windows.
#include "platform/files/Volumes.h"
#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"

namespace platform {

unsigned GetDriveType(std::string_view rootPath) {
    std::string root(rootPath);
    if (root.size() == 2 && root[1] == ':')
        root += '\\';
    return ::GetDriveTypeW(win32::Wide(root).c_str());
}

std::optional<VolumeInformation> GetVolumeInformation(std::string_view rootPath) {
    wchar_t volumeName[MAX_PATH + 1] = {};
    wchar_t fileSystem[MAX_PATH + 1] = {};
    DWORD serial = 0;
    if (!::GetVolumeInformationW(win32::Wide(rootPath).c_str(), volumeName, MAX_PATH + 1, &serial, nullptr, nullptr,
                                 fileSystem, MAX_PATH + 1))
        return std::nullopt;
    return VolumeInformation{win32::Narrow(fileSystem), win32::Narrow(volumeName), serial};
}

std::uint32_t GetLogicalDrives() {
    return ::GetLogicalDrives();
}

std::vector<std::string> GetLogicalDriveStrings() {
    std::vector<std::string> roots;
    const std::uint32_t mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i)
        if ((mask & (1u << i)) != 0)
            roots.push_back(std::string(1, static_cast<char>('A' + i)) + ":\\");
    return roots;
}

std::optional<std::uint64_t> GetDiskFreeSpace(std::string_view path) {
    ULARGE_INTEGER available{};
    if (!::GetDiskFreeSpaceExW(win32::Wide(path).c_str(), &available, nullptr, nullptr))
        return std::nullopt;
    return available.QuadPart;
}

} // namespace platform

// Shell links of TWindowsInstaller: the properties of a .lnk file read and changed in place.

#include "environment/Errors.h"
#include "environment/InstallTools2.h"
#include "platform/errors/SystemError.h"
#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"
#include "platform/files/Volumes.h"
#include "platform/shelllink/ShellLink.h"
#include "platform/text/Text.h"

namespace {

// Each text is read into a buffer of 260 characters, its terminating null included.
constexpr std::size_t kTextBufferUnits = 260;

std::string FitBuffer(const std::string& text) {
    std::u16string units = platform::text::Utf8ToUtf16(text);
    if (units.size() < kTextBufferUnits)
        return text;
    units.resize(kTextBufferUnits - 1);
    if (!units.empty() && units.back() >= 0xD800 && units.back() <= 0xDBFF)
        units.pop_back(); // never cut a surrogate pair in two
    return platform::text::Utf16ToUtf8(units);
}

std::vector<std::uint8_t> ReadLinkFile(std::string_view linkFile, std::uint32_t share) {
    platform::FileHandle file =
        platform::CreateFile(linkFile, platform::kGenericRead, share, platform::CreationDisposition::OpenExisting);
    if (!file)
        platform::RaiseLastError();
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[4096];
    while (true) {
        const auto count = file.Read(buffer, sizeof buffer);
        if (!count)
            platform::RaiseLastError();
        if (*count == 0)
            return bytes;
        bytes.insert(bytes.end(), buffer, buffer + *count);
        if (bytes.size() > platform::kMaxShellLinkSize)
            throw Exception("lien .lnk invalide : fichier trop grand");
    }
}

platform::ShellLink LoadLink(std::string_view linkFile, std::uint32_t share) {
    const std::vector<std::uint8_t> bytes = ReadLinkFile(linkFile, share);
    try {
        return platform::ParseShellLink(bytes);
    } catch (const platform::ShellLinkError& error) {
        throw Exception(error.what());
    }
}

// The folder part of a Windows path, with its trailing backslash.
std::string FolderOf(std::string_view path) {
    const std::size_t cut = path.find_last_of('\\');
    return cut == std::string_view::npos ? std::string() : std::string(path.substr(0, cut + 1));
}

// The target as the link records it: its link information, or its path relative to the link.
std::string TargetOf(const platform::ShellLink& link, std::string_view linkFile) {
    const std::string target = link.TargetPath();
    if (!target.empty() || link.relativePath.empty())
        return target;
    std::string relative = link.relativePath;
    if (relative.rfind(".\\", 0) == 0)
        relative.erase(0, 2);
    return FolderOf(linkFile) + relative;
}

// A new target: the link information, the target's attributes, times and size as SetPath records them.
void SetTarget(platform::ShellLink& link, const std::string& path) {
    if (path == link.TargetPath())
        return;
    link.localBasePath = path;
    link.commonPathSuffix.clear();
    link.relativePath.clear(); // recorded for the old target
    link.idList.clear();
    link.extraData.clear();
    link.volume.reset();
    link.fileAttributes = 0;
    link.fileSize = 0;
    link.creationTime = link.accessTime = link.writeTime = 0;
    if (path.size() >= 2 && path[1] == ':') {
        platform::ShellLinkVolume volume;
        volume.driveType = platform::GetDriveType(path.substr(0, 2) + "\\");
        link.volume = volume;
    }
    if (const auto information = platform::GetFileInformation(path)) {
        link.fileAttributes = information->attributes;
        link.fileSize = static_cast<std::uint32_t>(information->size);
        link.creationTime = link.accessTime = link.writeTime = information->lastWriteTime;
    }
}

} // namespace

bool TWindowsInstaller::GetShellLinkInfo(std::string_view LinkFile, TShellLinkInfoRec& ShellInfo) {
    const platform::ShellLink link = LoadLink(LinkFile, platform::kFileShareRead | platform::kFileShareWrite);
    // Resolving without a window finds nothing better than the recorded target on this machine.
    ShellInfo.PathName = FitBuffer(GetShortName(TargetOf(link, LinkFile)));
    ShellInfo.Arguments = FitBuffer(link.arguments);
    ShellInfo.Description = FitBuffer(link.name);
    ShellInfo.WorkingDirectory = FitBuffer(link.workingDir);
    ShellInfo.IconLocation = FitBuffer(link.iconLocation);
    ShellInfo.IconIndex = link.iconIndex;
    ShellInfo.ShowCmd = link.showCommand;
    ShellInfo.HotKey = link.hotKey;
    return !ShellInfo.PathName.empty();
}

void TWindowsInstaller::SetShellLinkInfo(std::string_view LinkFile, const TShellLinkInfoRec& ShellInfo) {
    platform::ShellLink link = LoadLink(LinkFile, platform::kFileShareRead);
    SetTarget(link, ShellInfo.PathName);
    link.arguments = ShellInfo.Arguments;
    link.name = ShellInfo.Description;
    link.workingDir = ShellInfo.WorkingDirectory;
    link.iconLocation = ShellInfo.IconLocation;
    link.iconIndex = ShellInfo.IconIndex;
    link.showCommand = ShellInfo.ShowCmd;
    link.hotKey = ShellInfo.HotKey;
    std::vector<std::uint8_t> bytes;
    try {
        bytes = platform::EncodeShellLink(link);
    } catch (const platform::ShellLinkError& error) {
        throw Exception(error.what());
    }
    // A link that could not be saved is reported like every other failing step.
    platform::FileHandle file =
        platform::CreateFile(LinkFile, platform::kGenericWrite, 0, platform::CreationDisposition::TruncateExisting);
    if (!file || !file.Write(bytes.data(), bytes.size()))
        platform::RaiseLastError();
}

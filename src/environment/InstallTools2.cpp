#include "environment/InstallTools2.h"

#include "environment/Errors.h"
#include "environment/Paths.h"
#include "environment/VersionInfo.h"
#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"
#include "platform/files/FindFile.h"
#include "platform/machine/Machine.h"
#include "platform/machine/TemporaryNames.h"
#include "platform/pe/PeVersionReader.h"

#include <random>

namespace {

constexpr std::uint32_t kUniqueNameRange = 1U << 25; // five base-32 digits

std::function<std::uint32_t()>& RandomSource() {
    static std::function<std::uint32_t()> source;
    return source;
}

std::uint32_t NextRandom() {
    if (RandomSource())
        return RandomSource()();
    // The process's generator, seeded once on first use.
    static std::mt19937 generator{std::random_device{}()};
    return static_cast<std::uint32_t>(generator());
}

std::string Base32(std::uint32_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUV";
    std::string text(5, '0');
    for (int i = 4; i >= 0; --i) {
        text[static_cast<std::size_t>(i)] = kDigits[value % 32];
        value /= 32;
    }
    return text;
}

std::string WithBackslash(std::string text) {
    if (!text.empty() && text.back() != '\\')
        text += '\\';
    return text;
}

int CompareUnsigned(std::uint32_t newer, std::uint32_t current) {
    return newer > current ? 1 : newer < current ? -1 : 0;
}

} // namespace

TWindowsInstaller::TWindowsInstaller(std::string SourceToolsPath)
    : FToolsPath(std::move(SourceToolsPath)) {}

TWindowsInstaller::~TWindowsInstaller() {
    FreeFolderLibrary();
}

std::string TWindowsInstaller::AddBackslash(std::string_view S) {
    return WithBackslash(std::string(S));
}

std::string StripTrailingBackslash(std::string_view path) {
    if (path.size() >= 2 && path.back() == '\\' && path[path.size() - 2] != ':')
        path.remove_suffix(1);
    return std::string(path);
}

std::uint32_t FileAttributesQuiet(std::string_view path) {
    // The emulated drives raise no critical-error dialog, so there is no error mode to switch.
    return platform::GetFileAttributes(StripTrailingBackslash(path));
}

bool TWindowsInstaller::FileOrDirExists(std::string_view Name) {
    return FileAttributesQuiet(Name) != platform::kInvalidFileAttributes;
}

bool TWindowsInstaller::FileExists(std::string_view Name) {
    const std::uint32_t attributes = FileAttributesQuiet(Name);
    return attributes != platform::kInvalidFileAttributes && (attributes & platform::kFileAttributeDirectory) == 0;
}

std::string TWindowsInstaller::GetWinPath() {
    // GetWindowsDirectoryW into 260 characters: a folder that does not fit gives nothing.
    const std::string& folder = platform::Machine::Current().Settings().windowsFolder;
    return WideLength(folder) < 260 ? WithBackslash(folder) : std::string();
}

std::string GetSystemFolder() {
    const std::string& folder = platform::Machine::Current().Settings().systemFolder;
    return WideLength(folder) < 260 ? StripTrailingBackslash(folder) : std::string();
}

std::string TWindowsInstaller::GetWinSystemPath() {
    std::string folder = GetSystemFolder();
    const std::string windows = GetWinPath();
    if (folder.compare(0, windows.size(), windows) != 0) {
        // A system folder outside the Windows folder (a shared network installation) may be
        // read-only: prove that a file can be created and deleted there.
        bool writable = false;
        try {
            // A temporary name of the platform's: a probe left by a kill is debris the clean-up knows.
            const std::string probe = WithBackslash(folder) + platform::TemporaryNameFor("quarnel-probe");
            platform::FileHandle handle = platform::CreateFile(probe, platform::kGenericRead | platform::kGenericWrite,
                                                               0, platform::CreationDisposition::CreateNew);
            if (handle) {
                handle.Close();
                writable = platform::DeleteFile(probe);
            }
        } catch (const Exception&) {
            writable = false;
        }
        if (!writable)
            folder = windows;
    }
    return WithBackslash(folder);
}

std::string TWindowsInstaller::GetTempPath() {
    const std::string& folder = platform::Machine::Current().Settings().tempFolder;
    if (folder.empty()) {
        platform::SetLastError(203); // ERROR_ENVVAR_NOT_FOUND: no temporary folder is configured
        platform::RaiseLastError();
    }
    if (WideLength(folder) >= 260) {
        platform::SetLastError(platform::kErrorFilenameExcedRange);
        platform::RaiseLastError();
    }
    return WithBackslash(folder);
}

std::string MakeUniqueName(std::string_view folder, std::string_view extension) {
    const std::string base = WithBackslash(std::string(folder));
    const std::uint32_t start = NextRandom() % kUniqueNameRange;
    std::uint32_t i = start;
    while (true) {
        i = (i + 1) % kUniqueNameRange;
        if (i == start)
            throw Exception("Error Too many files in dir");
        std::string candidate = base + "is-" + Base32(i) + std::string(extension);
        if (!TWindowsInstaller::FileOrDirExists(candidate))
            return candidate;
    }
}

void SetUniqueNameRandomSource(std::function<std::uint32_t()> source) {
    RandomSource() = std::move(source);
}

std::optional<FixedFileVersion> ReadFixedFileVersion(std::string_view file) {
    const auto host = VersionFileHostPath(file);
    if (!host)
        return std::nullopt;
    const auto resource = platform::ReadVersionResource(*host);
    if (!resource || !resource->fixedInfo)
        return std::nullopt;
    return FixedFileVersion{resource->fixedInfo->fileVersionMS, resource->fixedInfo->fileVersionLS};
}

std::optional<platform::FileTime> GetLocalFileTime(std::string_view file) {
    platform::FindData data;
    const platform::FindHandle found = platform::FindFirstFile(file, data);
    if (!found || (data.attributes & platform::kFileAttributeDirectory) != 0)
        return std::nullopt;
    // The machine keeps its clock in UTC, so local time is the file time itself; both files of a
    // comparison shift alike on Windows as well.
    return data.lastWriteTime;
}

int TWindowsInstaller::CompareFileVersion(std::string_view CurrentFile, std::string_view NewFile) {
    if (!FileExists(NewFile))
        throw Exception("File not found : " + std::string(NewFile));
    if (!FileExists(CurrentFile))
        return 1;
    const auto currentVersion = ReadFixedFileVersion(CurrentFile);
    const auto newVersion = ReadFixedFileVersion(NewFile);
    if (currentVersion && newVersion) {
        if (newVersion->ms != currentVersion->ms)
            return CompareUnsigned(newVersion->ms, currentVersion->ms);
        return CompareUnsigned(newVersion->ls, currentVersion->ls);
    }
    const auto currentTime = GetLocalFileTime(CurrentFile);
    const auto newTime = GetLocalFileTime(NewFile);
    if (currentTime && newTime)
        return *newTime > *currentTime ? 1 : *newTime < *currentTime ? -1 : 0;
    return 1;
}

bool TWindowsInstaller::IsFileNewer(std::string_view CurrentFile, std::string_view NewFile) {
    return CompareFileVersion(CurrentFile, NewFile) == 1;
}

bool TWindowsInstaller::GetFileVersion(std::string_view FileName, std::uint16_t& major, std::uint16_t& minor,
                                       std::uint16_t& release, std::uint16_t& build) {
    const auto version = ReadFixedFileVersion(FileName);
    if (!version)
        return false;
    major = static_cast<std::uint16_t>(version->ms >> 16);
    minor = static_cast<std::uint16_t>(version->ms & 0xFFFF);
    release = static_cast<std::uint16_t>(version->ls >> 16);
    build = static_cast<std::uint16_t>(version->ls & 0xFFFF);
    return true;
}

std::string TWindowsInstaller::GetFileVersion(std::string_view FileName) {
    std::uint16_t major = 0, minor = 0, release = 0, build = 0;
    if (!GetFileVersion(FileName, major, minor, release, build))
        return "?";
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(release) + "." +
           std::to_string(build);
}

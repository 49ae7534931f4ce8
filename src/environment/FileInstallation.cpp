// The file-installation operations of TWindowsInstaller: copy when newer with a numbered backup,
// replacement of a file in use at the next restart, numbered file and folder names.

#include "environment/Errors.h"
#include "environment/FailureHelpers.h"
#include "environment/InstallTools2.h"
#include "environment/Paths.h"
#include "platform/files/Files.h"

namespace {

// The text after the last backslash or colon.
std::string FileNamePart(std::string_view path) {
    const std::size_t cut = path.find_last_of("\\:");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string ThreeDigits(int i) {
    std::string text = std::to_string(i);
    return std::string(3 - text.size(), '0') + text;
}

void CopyOrRaise(std::string_view source, std::string_view target, bool failIfExists) {
    if (!platform::CopyFile(source, target, failIfExists))
        RaiseCopyFailed(source, target);
}

void NormaliseOrFail(std::string_view file) {
    if (!platform::SetFileAttributes(file, platform::kFileAttributeNormal))
        FailAttributes(file);
}

} // namespace

void TWindowsInstaller::CopyOrReplaceFileIfNewer(std::string_view SourceFileName, std::string_view TargetPath) {
    const std::string target = AddBackslash(TargetPath) + FileNamePart(SourceFileName);
    if (!FileExists(target)) {
        CopyOrRaise(SourceFileName, target, false);
        return;
    }
    if (CompareFileVersion(target, SourceFileName) == 1) {
        // Clearing read-only is best effort here: a failure shows up as the copy's own failure.
        platform::SetFileAttributes(target, platform::kFileAttributeNormal);
        CopyOrRaise(SourceFileName, target, false);
    }
}

bool TWindowsInstaller::CopyOrReplaceFileIfNewer(std::string_view SourceFileName, std::string_view DestDir,
                                                 std::string_view BackupDir, bool& MustReboot) {
    MustReboot = false;
    if (!BackupDir.empty()) {
        const std::uint32_t attributes = FileAttributesQuiet(BackupDir);
        if (attributes == platform::kInvalidFileAttributes || (attributes & platform::kFileAttributeDirectory) == 0)
            throw Exception("Backup directry does not exist :\r\n" + std::string(BackupDir));
    }
    const std::string target = AddBackslash(DestDir) + FileNamePart(SourceFileName);
    if (CompareFileVersion(target, SourceFileName) != 1)
        return false;
    if (FileExists(target)) {
        const std::string first = AddBackslash(BackupDir.empty() ? DestDir : BackupDir) + FileNamePart(target);
        std::string backup = first;
        for (int counter = 0; FileExists(backup); ++counter)
            backup = first + "_" + std::to_string(counter);
        CopyOrRaise(target, backup, true);
    }
    ReplaceOrSchedule(SourceFileName, target, MustReboot);
    return true;
}

void TWindowsInstaller::ReplaceOrSchedule(std::string_view source, std::string_view target, bool& MustReboot) {
    MustReboot = false;
    const auto copyAndNormalise = [&](std::string_view destination) {
        CopyOrRaise(source, destination, true);
        NormaliseOrFail(destination);
    };
    if (!FileExists(target)) {
        copyAndNormalise(target);
        return;
    }
    const std::uint32_t attributes = platform::GetFileAttributes(target);
    if (attributes == platform::kInvalidFileAttributes)
        FailAttributes(target);
    if ((attributes & platform::kFileAttributeReadOnly) != 0)
        NormaliseOrFail(target);
    if (platform::DeleteFile(target)) {
        copyAndNormalise(target);
        return;
    }
    const platform::ErrorCode error = platform::GetLastError();
    if (error != platform::kErrorAccessDenied && error != platform::kErrorSharingViolation)
        RaiseDeleteFailed(target);
    const std::string copy = MakeNumberedFileName(target);
    copyAndNormalise(copy);
    MustReboot = true;
    ScheduleReplaceOnReboot(copy, target);
}

std::string TWindowsInstaller::MakeNumberedFileName(std::string_view name) {
    const std::size_t separator = name.find_last_of("\\:");
    const std::size_t dot = name.find_last_of('.');
    const bool hasExtension = dot != std::string_view::npos && (separator == std::string_view::npos || dot > separator);
    const std::string_view base = hasExtension ? name.substr(0, dot) : name;
    const std::string_view extension = hasExtension ? name.substr(dot) : std::string_view();
    for (int i = 0; i <= 999; ++i) {
        std::string candidate = std::string(base) + ThreeDigits(i) + std::string(extension);
        if (!FileExists(candidate))
            return candidate;
    }
    throw Exception("Cannot find unique filename for\r\n" + std::string(name));
}

void TWindowsInstaller::CopyToSystem(std::string_view FileName) {
    bool mustReboot = false; // not reported to the caller
    CopyOrReplaceFileIfNewer(FileName, GetSystemFolder(), {}, mustReboot);
}

void EnsureDirectoryExists(std::string_view Path) {
    const std::uint32_t attributes = FileAttributesQuiet(Path);
    if (attributes == platform::kInvalidFileAttributes || (attributes & platform::kFileAttributeDirectory) == 0)
        throw Exception("Directory does not exist :\r\n" + std::string(Path));
}

std::string TWindowsInstaller::CreateUniqueDir(std::string_view Path, std::string_view Name) {
    EnsureDirectoryExists(Path);
    std::string base(Path);
    AddTrailingBackslash(base);
    for (int i = 0; i <= 999; ++i) {
        std::string candidate = base + std::string(Name) + ThreeDigits(i);
        const std::uint32_t attributes = FileAttributesQuiet(candidate);
        if (attributes != platform::kInvalidFileAttributes && (attributes & platform::kFileAttributeDirectory) != 0)
            continue;
        if (!platform::CreateDirectory(candidate))
            FailWithLastError("Cannot create directory :\r\n" + candidate);
        return candidate;
    }
    throw Exception("Cannot create unique directory in\r\n" + std::string(Path));
}

// Replacement of a file at the next restart, and the restart itself: the NT family registers the
// move (PendingFileRenameOperations), the 9x family writes WININIT.INI's [rename] section.

#include "environment/Errors.h"
#include "environment/FailureHelpers.h"
#include "environment/InstallTools2.h"
#include "environment/MachineRegistry.h"
#include "environment/RebootRenames.h"
#include "environment/RestartSchedule.h"
#include "platform/errors/SystemError.h"
#include "platform/files/FileContent.h"
#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"
#include "platform/machine/Machine.h"
#include "platform/text/Text.h"

#include <algorithm>
#include <utility>

namespace {

std::optional<std::string> ReadAll(platform::FileHandle& handle) {
    std::string content;
    char buffer[4096];
    while (true) {
        const auto count = handle.Read(buffer, sizeof buffer);
        if (!count)
            return std::nullopt;
        if (*count == 0)
            return content;
        content.append(buffer, *count);
    }
}

std::vector<std::string> SplitLines(const std::string& content) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

bool IsSectionHeader(const std::string& line) {
    const std::size_t first = line.find_first_not_of(" \t");
    return first != std::string::npos && line[first] == '[';
}

bool IsRenameHeader(const std::string& line) {
    const std::size_t first = line.find_first_not_of(" \t");
    const std::size_t last = line.find_last_not_of(" \t");
    return first != std::string::npos &&
           platform::text::EqualsIgnoreAsciiCase(std::string_view(line).substr(first, last - first + 1), "[rename]");
}

// The new WININIT.INI: the lines up to the end of the [rename] section, the entry, then the rest.
std::string ComposeWininit(const std::vector<std::string>& lines, const std::string& entry) {
    std::string output;
    bool inRename = false;
    bool sawRename = false;
    std::size_t i = 0;
    for (; i < lines.size(); ++i) {
        if (IsSectionHeader(lines[i])) {
            if (inRename)
                break; // the header after the rename section: the entry goes before it
            inRename = IsRenameHeader(lines[i]);
            sawRename = sawRename || inRename;
        }
        output += lines[i] + "\r\n";
    }
    if (!sawRename)
        output += "[rename]\r\n";
    output += entry + "\r\n";
    for (; i < lines.size(); ++i)
        output += lines[i] + "\r\n";
    return output;
}

RestartScheduleObserver& Observer() {
    static RestartScheduleObserver observer;
    return observer;
}

// The WININIT.INI entry that has `source` replace `dest` at the next start, in the machine's ANSI
// code page; nothing when a name cannot be written in it.
std::optional<std::string> WininitEntry(std::string_view source, std::string_view dest) {
    return platform::text::Utf8ToCodePage((dest.empty() ? std::string("NUL") : GetShortName(dest)) + "=" +
                                              GetShortName(source),
                                          platform::Machine::Current().Settings().ansiCodePage);
}

void ScheduleInWininit(std::string_view source, std::string_view dest) {
    // The file is text in the machine's ANSI code page: a name it cannot hold is refused, never
    // written with a replacement character that no restart could find.
    const std::optional<std::string> entry = WininitEntry(source, dest);
    if (!entry) {
        platform::SetLastError(platform::kErrorNoUnicodeTranslation);
        FailWithLastError("Cannot move : \r\n" + std::string(source) + " to" + "\r\n" + std::string(dest));
    }
    const std::string ini = TWindowsInstaller::GetWinPath() + "WININIT.INI";
    std::vector<std::string> lines;
    if (TWindowsInstaller::FileExists(ini)) {
        platform::FileHandle in = platform::CreateFile(ini, platform::kGenericRead, platform::kFileShareRead,
                                                       platform::CreationDisposition::OpenExisting);
        if (!in)
            platform::RaiseLastError();
        const auto content = ReadAll(in);
        if (!content)
            platform::RaiseLastError();
        lines = SplitLines(*content);
    }
    // Replaced as a whole (the one whole-file write): there is never a moment without the file,
    // and a read-only or open WININIT.INI is refused as its deletion was.
    if (!platform::WriteFileContent(ini, ComposeWininit(lines, *entry))) {
        const platform::ErrorCode error = platform::GetLastError();
        if (error == platform::kErrorAccessDenied || error == platform::kErrorSharingViolation)
            RaiseDeleteFailed(ini);
        platform::RaiseLastError();
    }
}

// Replaces WININIT.INI by `text` as a whole.
void RewriteWininit(const std::string& ini, const std::string& text) {
    if (!platform::WriteFileContent(ini, text))
        throw platform::SystemError(platform::GetLastError());
}

bool UnscheduleInWininit(std::string_view source, std::string_view dest) {
    const std::string ini = TWindowsInstaller::GetWinPath() + "WININIT.INI";
    if (!TWindowsInstaller::FileExists(ini))
        return false;
    platform::FileHandle in = platform::CreateFile(ini, platform::kGenericRead, platform::kFileShareRead,
                                                   platform::CreationDisposition::OpenExisting);
    if (!in)
        platform::RaiseLastError();
    const auto content = ReadAll(in);
    if (!content)
        platform::RaiseLastError();
    in = platform::FileHandle();
    const std::optional<std::string> entry = WininitEntry(source, dest);
    if (!entry)
        return false; // such a name was never scheduled: it is refused when scheduling
    std::string text;
    bool inRename = false;
    bool removed = false;
    for (const std::string& line : SplitLines(*content)) {
        if (IsSectionHeader(line))
            inRename = IsRenameHeader(line);
        if (inRename && platform::text::EqualsIgnoreAsciiCase(line, *entry)) {
            removed = true;
            continue;
        }
        text += line + "\r\n";
    }
    if (removed)
        RewriteWininit(ini, text);
    return removed;
}

bool UnschedulePending(std::string_view source, std::string_view dest) {
    std::vector<PendingRename> renames = ReadPendingRenames();
    const auto kept = std::remove_if(renames.begin(), renames.end(), [&](const PendingRename& rename) {
        return platform::text::EqualsIgnoreCase(rename.source, source) &&
               platform::text::EqualsIgnoreCase(rename.destination, dest);
    });
    if (kept == renames.end())
        return false;
    renames.erase(kept, renames.end());
    platform::RegistryKey key;
    platform::ErrorCode error = MachineRegistry().OpenKey(platform::RegistryRoot::LocalMachine, kSessionManagerKey,
                                                          platform::kKeySetValue, key);
    if (error == 0)
        error = renames.empty()
                    ? key.DeleteValue(kPendingRenamesValue)
                    : key.SetValue(platform::MakeBinaryValue(std::string(kPendingRenamesValue),
                                                             EncodePendingRenames(renames), platform::kRegMultiSz));
    if (error != 0)
        throw platform::SystemError(error);
    return true;
}

} // namespace

RestartScheduleObserver SetRestartScheduleObserver(RestartScheduleObserver observer) {
    return std::exchange(Observer(), std::move(observer));
}

bool UnscheduleReplaceOnReboot(std::string_view source, std::string_view destination) {
    const bool pending = UnschedulePending(source, destination);
    const bool wininit = UnscheduleInWininit(source, destination);
    return pending || wininit;
}

std::string GetShortName(std::string_view path) {
    return std::string(path);
}

void TWindowsInstaller::ScheduleReplaceOnReboot(std::string_view source, std::string_view dest) {
    if (Observer())
        Observer()(source, dest);
    if (IsWindows9X()) {
        ScheduleInWininit(source, dest);
        return;
    }
    if (!MoveFileAtRestart(source, dest, platform::kMoveFileReplaceExisting | kMoveFileDelayUntilReboot))
        FailWithLastError("Cannot move : \r\n" + std::string(source) + " to" + "\r\n" + std::string(dest));
}

void TWindowsInstaller::RestartComputer() {
    // The shutdown privilege is every local user's on the emulated machine: the request is
    // recorded, and `quarnel-machine reboot` restarts.
    RecordRestartRequest();
}

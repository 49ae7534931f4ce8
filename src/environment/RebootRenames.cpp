#include "environment/RebootRenames.h"

#include "environment/MachineRegistry.h"
#include "platform/files/FileContent.h"
#include "platform/files/Files.h"
#include "platform/machine/Machine.h"
#include "platform/text/Text.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

// Deletes a file, or an empty folder, as the restart's deletion does.
bool DeleteAtRestart(const std::string& path) {
    const std::uint32_t attributes = platform::GetFileAttributes(path);
    if (attributes != platform::kInvalidFileAttributes && (attributes & platform::kFileAttributeDirectory) != 0)
        return platform::RemoveDirectory(path);
    return platform::DeleteFile(path);
}

void Perform(const std::string& source, const std::string& destination, bool replaceExisting, RestartOutcome& outcome) {
    const auto fail = [&](const std::string& what) {
        outcome.failed.push_back(what + " (code " + std::to_string(platform::GetLastError()) + ")");
    };
    if (destination.empty()) {
        if (DeleteAtRestart(source))
            outcome.done.push_back("supprimé " + source);
        else
            fail("impossible de supprimer " + source);
        return;
    }
    const std::uint32_t flags =
        platform::kMoveFileCopyAllowed | (replaceExisting ? platform::kMoveFileReplaceExisting : 0);
    if (platform::MoveFileEx(source, destination, flags))
        outcome.done.push_back("renommé " + source + " -> " + destination);
    else
        fail("impossible de renommer " + source + " -> " + destination);
}

std::filesystem::path RestartRequestFile() {
    return platform::Machine::Current().Prefix() / "restart-requested";
}

std::string ReadWholeFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// WININIT.INI: performs its [rename] entries and rewrites it without that section.
void PerformWininit(RestartOutcome& outcome) {
    std::string windows = platform::Machine::Current().Settings().windowsFolder;
    if (!windows.empty() && windows.back() != '\\')
        windows += '\\';
    const auto host = platform::Machine::Current().ToHostPath(windows + "WININIT.INI");
    if (!host || !std::filesystem::is_regular_file(*host))
        return;
    std::istringstream lines(ReadWholeFile(*host));
    std::string kept;
    bool inRename = false;
    bool sawRename = false;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string trimmed = Trim(line);
        if (!trimmed.empty() && trimmed.front() == '[') {
            inRename = platform::text::EqualsIgnoreAsciiCase(trimmed, "[rename]");
            sawRename = sawRename || inRename;
            if (inRename)
                continue;
        }
        if (!inRename) {
            kept += line + "\r\n";
            continue;
        }
        if (trimmed.empty() || trimmed.front() == ';')
            continue;
        // DEST=SOURCE, NUL=SOURCE deleting. A line without both sides names no operation: it is
        // reported and skipped, never read as a deletion.
        const std::size_t equals = trimmed.find('=');
        const std::string left = equals == std::string::npos ? std::string() : Trim(trimmed.substr(0, equals));
        const std::string right = equals == std::string::npos ? std::string() : Trim(trimmed.substr(equals + 1));
        // The file is ANSI text: paths come back to UTF-8 through the machine's code page.
        const unsigned codePage = platform::Machine::Current().Settings().ansiCodePage;
        const auto destination = platform::text::CodePageToUtf8(left, codePage);
        const auto source = platform::text::CodePageToUtf8(right, codePage);
        if (left.empty() || right.empty() || !destination || !source) {
            outcome.failed.push_back("ligne de WININIT.INI ignorée, elle n'a pas la forme DESTINATION=SOURCE : " +
                                     platform::text::Cp1252ToUtf8(trimmed));
            continue;
        }
        const bool remove = platform::text::EqualsIgnoreAsciiCase(*destination, "NUL");
        Perform(*source, remove ? std::string() : *destination, true, outcome);
    }
    if (!sawRename)
        return;
    const std::string ini = windows + "WININIT.INI";
    bool rewritten = false;
    if (Trim(kept).empty()) {
        rewritten = platform::DeleteFile(ini);
    } else {
        rewritten = platform::WriteFileContent(ini, kept); // whole: a cut never leaves it empty
    }
    if (!rewritten)
        outcome.failed.push_back("impossible de réécrire " + ini + " (code " +
                                 std::to_string(platform::GetLastError()) + ")");
}

} // namespace

std::vector<PendingRename> ReadPendingRenames() {
    platform::RegistryKey key;
    if (MachineRegistry().OpenKey(platform::RegistryRoot::LocalMachine, kSessionManagerKey, platform::kKeyQueryValue,
                                  key) != 0)
        return {};
    platform::RegistryValue value;
    if (key.QueryValue(kPendingRenamesValue, value) != 0)
        return {};
    return DecodePendingRenames(value.data);
}

void RecordRestartRequest() {
    std::ofstream(RestartRequestFile(), std::ios::trunc) << "restart\n";
}

bool IsRestartRequested() {
    return std::filesystem::exists(RestartRequestFile());
}

RestartOutcome PerformRestart() {
    RestartOutcome outcome;
    for (const PendingRename& rename : ReadPendingRenames())
        Perform(rename.source, rename.destination, rename.replaceExisting, outcome);
    platform::RegistryKey key;
    if (MachineRegistry().OpenKey(platform::RegistryRoot::LocalMachine, kSessionManagerKey, platform::kKeySetValue,
                                  key) == 0)
        key.DeleteValue(kPendingRenamesValue);
    PerformWininit(outcome);
    std::error_code ignored; // no request left behind is the same as one removed
    outcome.restartWasRequested = std::filesystem::remove(RestartRequestFile(), ignored);
    return outcome;
}

#include "update/journal/RunJournal.h"

#include "environment/Errors.h"
#include "platform/errors/SystemError.h"
#include "platform/files/PrivateFolder.h"
#include "platform/machine/CurrentProcess.h"
#include "platform/machine/LastError.h"
#include "platform/machine/Machine.h"

#include <chrono>
#include <cstdio>

namespace update {

namespace {

[[noreturn]] void FailJournal(const std::filesystem::path& file, platform::ErrorCode error) {
    throw Exception("Impossible d'écrire le journal de mise à jour \"" + file.string() + "\".\r\n" +
                    platform::SystemErrorMessage(error));
}

std::uint64_t Now() {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count());
}

// Fixed width, so that the names sort in the order the runs started.
std::string Padded(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%020llu", static_cast<unsigned long long>(value));
    return text;
}

} // namespace

std::filesystem::path JournalFolder(const platform::Machine& machine) {
    return machine.Prefix() / "journal";
}

void MakeJournalFolder(const std::filesystem::path& folder) {
    if (const auto refused = platform::MakePrivateFolder(folder))
        throw Exception("Le dossier des journaux de mise à jour \"" + folder.string() +
                        "\" ne peut pas être utilisé : " + *refused + ".");
}

std::string RunIdOfJournal(const std::filesystem::path& file) {
    const std::string name = file.filename().string();
    constexpr std::string_view prefix = "run-", suffix = ".txt";
    if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) || !name.ends_with(suffix))
        return {};
    return name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
}

RunJournal::RunJournal(const std::filesystem::path& folder, std::string_view program) {
    MakeJournalFolder(folder);
    const std::uint64_t started = Now();
    FRunId = Padded(started) + "-" + std::to_string(platform::CurrentProcessId());
    FFile = folder / ("run-" + FRunId + ".txt");
    // Written and locked under a name the recovery ignores, then renamed: a journal under its
    // final name is always whole and always locked by a living run or by none. The file is made and
    // locked through one descriptor, so no recovery can take it in between.
    const std::filesystem::path partial = folder / (".run-" + FRunId + ".part");
    FLock = platform::LockedFile(partial, platform::LockedFile::Opening::CreateNew);
    if (!FLock.Opened())
        FailJournal(partial, FLock.OpenError());
    if (!FLock.Held()) {
        std::filesystem::remove(partial);
        FailJournal(partial, platform::kErrorLockViolation);
    }
    std::error_code renamed;
    if (!FLock.AppendDurably(FormatJournalStart(platform::CurrentProcessId(), started, program))) {
        const platform::ErrorCode error = platform::GetLastError();
        std::filesystem::remove(partial, renamed);
        FailJournal(FFile, error);
    }
    // Renamed with the change written through to the disk (the folder synced on Linux, write-through
    // on Windows), so that a journal under its final name survives a power cut.
    if (!platform::RenameHostFileDurably(partial, FFile)) {
        const platform::ErrorCode error = platform::GetLastError();
        std::filesystem::remove(partial, renamed);
        FailJournal(FFile, error);
    }
}

RunJournal::~RunJournal() {
    if (FOpenProducts > 0)
        return;              // left for the recovery: a product's files are not back as they were
    std::error_code ignored; // a journal of closed products that stays is read and removed by the recovery
    std::filesystem::remove(FFile, ignored);
    platform::SyncHostFolder(FFile.parent_path());
}

void RunJournal::Append(const JournalRecord& record) {
    if (!FLock.AppendDurably(FormatJournalRecord(record)))
        FailJournal(FFile, platform::GetLastError());
    if (record.kind == JournalRecordKind::Begin)
        ++FOpenProducts;
    else if (record.kind == JournalRecordKind::Commit || record.kind == JournalRecordKind::Rollback)
        --FOpenProducts;
}

std::string RunJournal::BackupNameFor(std::string_view target) {
    return std::string(target) + std::string(kBackupMarker) + FRunId + "-" + std::to_string(++FBackups);
}

} // namespace update

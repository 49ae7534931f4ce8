#include "update/journal/RunJournal.h"

#include "environment/Errors.h"
#include "platform/errors/SystemError.h"
#include "platform/machine/LastError.h"
#include "platform/machine/Machine.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace update {

namespace {

[[noreturn]] void FailJournal(const std::filesystem::path& file, int error) {
    throw Exception("Impossible d'écrire le journal de mise à jour \"" + file.string() + "\".\r\n" +
                    platform::SystemErrorMessage(platform::ErrorFromErrno(error)));
}

bool WriteAll(int descriptor, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(descriptor, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

std::filesystem::path JournalFolder(const platform::Machine& machine) {
    return machine.Prefix() / "journal";
}

void SyncFolder(const std::filesystem::path& folder) noexcept {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return;
    ::fsync(descriptor);
    ::close(descriptor);
}

JournalLock::JournalLock(const std::filesystem::path& file) {
    FDescriptor = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
    if (FDescriptor < 0) {
        FOpenError = errno;
        return;
    }
    FHeld = ::flock(FDescriptor, LOCK_EX | LOCK_NB) == 0;
}

JournalLock::~JournalLock() {
    if (FDescriptor >= 0)
        ::close(FDescriptor); // closing releases the lock
}

JournalLock::JournalLock(JournalLock&& other) noexcept
    : FDescriptor(std::exchange(other.FDescriptor, -1))
    , FOpenError(other.FOpenError)
    , FHeld(std::exchange(other.FHeld, false)) {}

JournalLock& JournalLock::operator=(JournalLock&& other) noexcept {
    if (this != &other) {
        if (FDescriptor >= 0)
            ::close(FDescriptor);
        FDescriptor = std::exchange(other.FDescriptor, -1);
        FOpenError = other.FOpenError;
        FHeld = std::exchange(other.FHeld, false);
    }
    return *this;
}

RunJournal::RunJournal(const std::filesystem::path& folder, std::string_view program) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const auto now =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    FRunId = std::to_string(::getpid()) + "-" + std::to_string(now);
    FFile = folder / ("run-" + FRunId + ".txt");
    // Written and locked under a name the recovery ignores, then renamed: a journal under its
    // final name is always whole and always locked by a living run or by none.
    const std::filesystem::path partial = folder / (".run-" + FRunId + ".part");
    const int descriptor = ::open(partial.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (descriptor < 0)
        FailJournal(partial, errno);
    ::close(descriptor);
    FLock = JournalLock(partial);
    if (!FLock.Opened() || !FLock.Held()) {
        const int lockError = FLock.Opened() ? EWOULDBLOCK : FLock.OpenError();
        ::unlink(partial.c_str());
        FailJournal(partial, lockError);
    }
    const std::string start = FormatJournalStart(::getpid(), program);
    if (!WriteAll(FLock.Descriptor(), start) || ::fsync(FLock.Descriptor()) != 0 ||
        ::rename(partial.c_str(), FFile.c_str()) != 0) {
        const int writeError = errno;
        ::unlink(partial.c_str());
        FailJournal(FFile, writeError);
    }
    FSize = static_cast<off_t>(start.size());
    SyncFolder(folder);
}

RunJournal::~RunJournal() {
    if (FOpenProducts > 0)
        return;              // left for the recovery: a product's files are not back as they were
    ::unlink(FFile.c_str()); // a journal of closed products that stays is read and removed by the recovery
    SyncFolder(FFile.parent_path());
}

void RunJournal::Append(const JournalRecord& record) {
    const std::string line = FormatJournalRecord(record);
    if (!WriteAll(FLock.Descriptor(), line) || ::fdatasync(FLock.Descriptor()) != 0) {
        const int error = errno;
        // A line written in part would run into the next one: the journal ends where it was whole.
        if (::ftruncate(FLock.Descriptor(), FSize) == 0)
            ::lseek(FLock.Descriptor(), FSize, SEEK_SET);
        FailJournal(FFile, error);
    }
    FSize += static_cast<off_t>(line.size());
    if (record.kind == JournalRecordKind::Begin)
        ++FOpenProducts;
    else if (record.kind == JournalRecordKind::Commit || record.kind == JournalRecordKind::Rollback)
        --FOpenProducts;
}

std::string RunJournal::BackupNameFor(std::string_view target) {
    return std::string(target) + std::string(kBackupMarker) + FRunId + "-" + std::to_string(++FBackups);
}

} // namespace update

#include "update/package/PackageWriter.h"

#include "update/package/HostFile.h"
#include "update/package/PackageError.h"
#include "update/package/PackageFormat.h"
#include "update/package/PackageReader.h"
#include "update/package/PackedName.h"
#include "update/package/PackedStream.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <numeric>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace update::package {

namespace {

// One packed file on its way: compressed by a worker into an anonymous scratch file, then
// appended to the output by the writing thread, in directory order.
struct Job {
    FileDescriptor scratch;
    CompressedStream stream;
    std::exception_ptr fault;
    bool done = false;
};

// Compressed files may wait this far ahead of the one being appended, so that scratch files
// (one descriptor each) stay few however many files the package holds.
constexpr std::size_t kLookAhead = 32;

void CopyBytes(int from, std::uint64_t count, AtomicOutputFile& out, const std::filesystem::path& fromName) {
    std::vector<unsigned char> buffer(kChunkSize);
    while (count > 0) {
        const auto piece = std::span(buffer).first(std::min<std::uint64_t>(buffer.size(), count));
        if (ReadSome(from, piece, fromName) != piece.size()) {
            throw FileChanged(fromName);
        }
        out.Write(piece);
        count -= piece.size();
    }
}

} // namespace

void PackageWriter::Add(std::string_view name, std::filesystem::path hostFile, FileTime lastWrite) {
    std::string stored = NormalizePackedName(name);
    if (FFiles.size() >= kMaxEntries) {
        throw PackageError("Un paquet ne peut pas contenir plus de " + std::to_string(kMaxEntries) + " fichiers.");
    }
    if (!FNames.insert(stored).second) {
        throw DuplicateName(name);
    }
    FFiles.push_back({std::move(stored), std::move(hostFile), lastWrite});
}

void PackageWriter::Write(const std::filesystem::path& output,
                          const std::optional<std::filesystem::path>& program) const {
    const unsigned threads = FThreads != 0 ? FThreads : std::max(1U, std::thread::hardware_concurrency());
    unsigned mode = 0644;
    std::uint64_t programLength = 0;
    if (program) {
        // Opening it refuses a program whose own package is damaged, and tells where its program ends.
        programLength = PackageReader(*program, threads).ProgramLength();
        struct stat info {};
        if (::stat(program->c_str(), &info) != 0) {
            throw CannotRead(*program, errno);
        }
        mode = info.st_mode & 07777;
    }

    AtomicOutputFile out(output, mode);
    if (program) {
        const FileDescriptor source = OpenForReading(*program);
        CopyBytes(source.Get(), programLength, out, *program);
    }
    out.Write(kStartMarker);

    std::vector<std::size_t> order(FFiles.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](auto a, auto b) { return FFiles[a].name < FFiles[b].name; });

    const std::filesystem::path scratchFolder = output.has_parent_path() ? output.parent_path() : ".";
    std::vector<Job> jobs(order.size());
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t nextJob = 0;
    std::size_t appended = 0;
    bool stopping = false;

    auto work = [&] {
        while (true) {
            std::size_t index = 0;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock,
                             [&] { return stopping || nextJob >= jobs.size() || nextJob < appended + kLookAhead; });
                if (stopping || nextJob >= jobs.size()) {
                    return;
                }
                index = nextJob++;
            }
            Job result;
            try {
                const auto& file = FFiles[order[index]];
                result.scratch = CreateAnonymousFile(scratchFolder);
                result.stream = CompressPackedFile(file.hostFile, file.lastWrite, result.scratch.Get(), output);
            } catch (...) {
                result.fault = std::current_exception(); // handed to the writing thread, which reports it
            }
            std::lock_guard lock(mutex);
            jobs[index] = std::move(result);
            jobs[index].done = true;
            changed.notify_all();
        }
    };

    std::vector<DirectoryRecord> records;
    {
        std::vector<std::jthread> workers;
        // Declared after the workers, so that on an error it stops them before they are joined.
        struct Stop {
            std::mutex& mutex;
            std::condition_variable& changed;
            bool& stopping;
            ~Stop() {
                std::lock_guard lock(mutex);
                stopping = true;
                changed.notify_all();
            }
        };
        for (unsigned t = 0; t < threads; ++t) {
            workers.emplace_back(work);
        }
        Stop stop{mutex, changed, stopping};

        std::uint64_t offset = kStartMarker.size();
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            Job job;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return jobs[i].done; });
                job = std::move(jobs[i]);
            }
            if (job.fault) {
                std::rethrow_exception(job.fault);
            }
            if (::lseek(job.scratch.Get(), 0, SEEK_SET) != 0) {
                throw CannotWrite(output, errno);
            }
            CopyBytes(job.scratch.Get(), job.stream.length, out, output);
            records.push_back({FFiles[order[i]].name, offset, job.stream.length, job.stream.digest});
            offset += job.stream.length;
            {
                std::lock_guard lock(mutex);
                ++appended;
                changed.notify_all();
            }
        }
    }

    const auto directory = EncodeDirectory(records);
    out.Write(directory);
    Footer footer;
    footer.entryCount = static_cast<std::uint32_t>(records.size());
    footer.directoryOffset = records.empty() ? kStartMarker.size() : records.back().offset + records.back().length;
    footer.directoryLength = directory.size();
    footer.packageLength = footer.directoryOffset + footer.directoryLength;
    footer.directoryDigest = Sha256Of(directory);
    if (FSignatureBlockMaker) {
        const auto block = FSignatureBlockMaker(footer);
        out.Write(block);
        footer.packageLength += block.size();
    }
    out.Write(EncodeFooter(footer));
    out.Commit();
}

} // namespace update::package

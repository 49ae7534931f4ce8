#include "loopmount/LoopMount.h"

#include "process/ProgramRun.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace testsupport {

namespace fs = std::filesystem;

namespace {

std::optional<fs::path> FindTool(const std::string& name) {
    for (const char* folder : {"/usr/sbin", "/sbin", "/usr/bin", "/bin"})
        if (const fs::path tool = fs::path(folder) / name; ::access(tool.c_str(), X_OK) == 0)
            return tool;
    return std::nullopt;
}

ProgramResult RunTool(const std::string& name, const std::vector<std::string>& args) {
    const std::optional<fs::path> tool = FindTool(name);
    if (!tool)
        throw std::runtime_error(name + " is not installed");
    return RunProgram(*tool, args);
}

ProgramResult Require(const std::string& name, const std::vector<std::string>& args) {
    ProgramResult result = RunTool(name, args);
    if (result.exitCode != 0)
        throw std::runtime_error(name + " failed (" + std::to_string(result.exitCode) + "): " + result.err);
    return result;
}

class Descriptor {
public:
    explicit Descriptor(int descriptor)
        : FDescriptor(descriptor) {}
    ~Descriptor() {
        if (FDescriptor >= 0)
            ::close(FDescriptor);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return FDescriptor; }

private:
    int FDescriptor;
};

} // namespace

std::optional<std::string> LoopMountUnavailable() {
    if (::geteuid() != 0)
        return "loop-mounted images need root, and this test runs as user " + std::to_string(::geteuid());
    for (const char* tool : {"losetup", "mkfs.ext4", "e2fsck", "mount", "umount"})
        if (!FindTool(tool))
            return std::string(tool) + " is not installed";
    if (::access("/dev/loop-control", R_OK | W_OK) != 0)
        return "no loop device (/dev/loop-control: " + std::string(std::strerror(errno)) + ")";
    return std::nullopt;
}

void MakeExt4Image(const fs::path& image, std::uint64_t mebibytes) {
    {
        const Descriptor file(::open(image.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        if (file.Get() < 0 || ::ftruncate(file.Get(), static_cast<off_t>(mebibytes << 20)) != 0)
            throw std::runtime_error("cannot make " + image.string() + ": " + std::strerror(errno));
    }
    Require("mkfs.ext4", {"-q", "-F", image.string()});
}

ImageCheck CheckExt4Image(const fs::path& image) {
    const ProgramResult result = RunTool("e2fsck", {"-f", "-y", image.string()});
    return {result.exitCode, result.out + result.err};
}

LoopMount::LoopMount(fs::path image, fs::path mountPoint, const std::string& options)
    : FImage(std::move(image))
    , FMountPoint(std::move(mountPoint)) {
    FDevice = Require("losetup", {"--find", "--show", FImage.string()}).out;
    while (!FDevice.empty() && (FDevice.back() == '\n' || FDevice.back() == ' '))
        FDevice.pop_back();
    const ProgramResult mounted = RunTool("mount", {"-t", "ext4", "-o", options, FDevice, FMountPoint.string()});
    if (mounted.exitCode != 0) {
        RunTool("losetup", {"-d", FDevice});
        throw std::runtime_error("cannot mount " + FImage.string() + ": " + mounted.err);
    }
    FMounted = true;
}

LoopMount::~LoopMount() {
    try {
        if (FMounted)
            RunTool("umount", {FMountPoint.string()});
        RunTool("losetup", {"-d", FDevice});
    } catch (...) {
        // a device left attached is the machine's to clean; the test has its verdict already
    }
}

void LoopMount::CopyDiskTo(const fs::path& copy) const {
    // A plain read of the backing file: the loop device writes into it through the page cache, so
    // this is exactly what the device has received (O_DIRECT would miss what the host has not yet
    // written back of the image itself, which a cut of the emulated disk does not lose).
    const Descriptor from(::open(FImage.c_str(), O_RDONLY | O_CLOEXEC));
    const Descriptor to(::open(copy.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (from.Get() < 0 || to.Get() < 0)
        throw std::runtime_error("cannot copy " + FImage.string() + ": " + std::strerror(errno));
    std::vector<char> buffer(8 << 20);
    for (;;) {
        const ssize_t count = ::read(from.Get(), buffer.data(), buffer.size());
        if (count == 0)
            return;
        if (count < 0)
            throw std::runtime_error("cannot read " + FImage.string() + ": " + std::strerror(errno));
        for (ssize_t done = 0; done < count;) {
            const ssize_t written = ::write(to.Get(), buffer.data() + done, static_cast<std::size_t>(count - done));
            if (written <= 0)
                throw std::runtime_error("cannot write " + copy.string() + ": " + std::strerror(errno));
            done += written;
        }
    }
}

void LoopMount::Sync() const {
    const Descriptor folder(::open(FMountPoint.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() < 0 || ::syncfs(folder.Get()) != 0)
        throw std::runtime_error("cannot sync " + FMountPoint.string() + ": " + std::strerror(errno));
}

} // namespace testsupport

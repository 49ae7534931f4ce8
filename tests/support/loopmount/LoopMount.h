#pragma once

// A real ext4 file system in an image file, attached to a loop device and mounted: what a test
// needs to see what a power cut leaves on a disk. The image file only receives what the kernel
// has written back to the device; what the mounted file system still holds in memory (data not
// yet written back, a journal transaction not yet committed) is not in it. A copy of the image
// file is therefore the disk as a machine finds it after a cut. Needs root and losetup, mkfs.ext4,
// e2fsck and mount.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace testsupport {

// Why loop-mounted images cannot be used here (not root, a tool missing, no free loop device);
// nothing when they can.
std::optional<std::string> LoopMountUnavailable();

// Makes `image` a fresh, empty ext4 file system of `mebibytes`. Throws std::runtime_error.
void MakeExt4Image(const std::filesystem::path& image, std::uint64_t mebibytes);

struct ImageCheck {
    int exitCode = -1; // e2fsck's: 0 clean, 1 errors corrected (a journal replayed), 4 and above errors left
    std::string output;
};

// `e2fsck -fy` on an image that is not mounted: replays its journal and checks it, as a machine does
// at its next start.
ImageCheck CheckExt4Image(const std::filesystem::path& image);

// The image attached to a free loop device and mounted at `mountPoint` with `options` (for
// example "commit=600": the journal committed only when something asks for it). The destructor
// unmounts and detaches. Throws std::runtime_error when it cannot be mounted.
class LoopMount {
public:
    LoopMount(std::filesystem::path image, std::filesystem::path mountPoint, const std::string& options);
    ~LoopMount();
    LoopMount(const LoopMount&) = delete;
    LoopMount& operator=(const LoopMount&) = delete;

    // Copies what the device holds now (not what the file system holds in memory) to `copy`: the
    // disk after a power cut at this moment.
    void CopyDiskTo(const std::filesystem::path& copy) const;

    // Writes everything of the file system to the device (syncfs): a known state on the disk.
    void Sync() const;

    const std::filesystem::path& MountPoint() const { return FMountPoint; }

private:
    std::filesystem::path FImage;
    std::filesystem::path FMountPoint;
    std::string FDevice;
    bool FMounted = false;
};

} // namespace testsupport

#pragma once

// What a file is, beyond its name: GetFileInformationByHandle's volume and file index (the same
// file under two names has one identity), its size and last-write time. The recovery of an
// interrupted update compares them with what its journal recorded before it touches a file.

#include "platform/files/FileTime.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    std::uint64_t size = 0;
    FileTime lastWriteTime = 0;
    bool link = false;      // the entry is a link (never followed)
    bool directory = false; // a folder

    // The same file, unchanged since it was looked at.
    bool SameContentAs(const FileIdentity& other) const {
        return volume == other.volume && index == other.index && size == other.size &&
               lastWriteTime == other.lastWriteTime && link == other.link && directory == other.directory;
    }
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the entry `path` (a Windows path) itself: a final link is not followed. The
// folder is reached beneath its drive (5 through a link that leads out of it). Nothing, with the
// last error set (2 missing, 3 missing folder), when there is no such entry.
std::optional<FileIdentity> GetFileIdentity(std::string_view path);

// CreateHardLinkW: `newName` becomes a second name of the file `existing`, on the same drive,
// both reached beneath their drive. Fails with 1 (ERROR_INVALID_FUNCTION) on a drive whose file
// system has no hard links (FAT, FAT32, exFAT, or a host file system that refuses them), 17
// between drives, 183 when `newName` exists, 5 for a folder or a link.
bool CreateHardLink(std::string_view newName, std::string_view existing);

// Removes the name `path` (a Windows path) of a plain file or a link, reached beneath its drive,
// without the read-only and sharing checks of DeleteFile: the name is one the caller made (a
// backup kept as a second name of a file in use), and the file's other names keep it. 2/3
// missing, 5 a folder.
bool RemoveFileName(std::string_view path);

// Whether the file system of the drive of `path` keeps hard links, as far as the machine says.
bool DriveHasHardLinks(std::string_view path);

} // namespace platform

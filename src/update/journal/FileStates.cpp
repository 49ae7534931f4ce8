#include "update/journal/FileStates.h"

namespace update {

std::optional<platform::FileIdentity> EntryAt(std::string_view path) {
    return platform::GetFileIdentity(path);
}

FileState StateOf(const platform::FileIdentity& entry) {
    return FileState{entry.size, entry.lastWriteTime, entry.volume, entry.index};
}

bool Holds(const std::optional<platform::FileIdentity>& entry, const FileState& state) {
    return entry && !entry->link && !entry->directory && StateOf(*entry) == state;
}

bool SameFile(const std::optional<platform::FileIdentity>& a, const std::optional<platform::FileIdentity>& b) {
    return a && b && !a->link && !b->link && a->volume == b->volume && a->index == b->index;
}

} // namespace update

#pragma once

// What keeps the store of trusted keys (TrustedKeys.h) the updater's own: each entry is checked
// before it is read, and the folder is made for the updater alone. The checks are the host's: on
// Linux the owner and the mode; on Windows that no entry is a link (a reparse point).

#include "update/package/PackageError.h"

#include <filesystem>
#include <string_view>

namespace update::trust {

// "La réserve des clés de confiance n'est pas sûre : « entry » est refusé, <reason>. ..."
package::PackageError UnsafeEntry(const std::filesystem::path& entry, std::string_view reason);

// Refuses (UnsafeEntry) an entry that is a link, not a folder (`folder`) or not a regular file,
// or that another user could have put or changed.
void RequireSafeEntry(const std::filesystem::path& entry, bool folder);

bool IsLinkEntry(const std::filesystem::path& entry);

// Makes the store's folder, and those above it, when it does not exist; a folder made otherwise
// is refused by RequireSafeEntry, not mended.
void MakeStoreFolder(const std::filesystem::path& folder);

} // namespace update::trust

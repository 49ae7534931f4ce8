#pragma once

// A package named on a command line (`quarnel-update --package FILE`, `quarnel-pack --list FILE`):
// unlike a program, which may carry no package at all, the file must be one. Whatever is wrong is
// said before the file is used: missing, not a regular file (a folder, a FIFO that would block the
// reader), empty, all zero bytes, or without a package.

#include "update/package/PackageReader.h"

#include <filesystem>

namespace update::package {

// Opens and checks the package in `file`; throws PackageError saying what is wrong.
PackageReader OpenPackageFile(const std::filesystem::path& file, unsigned threads = 0);
// The same checks of the file, with the package's footer and directory only: its streams are
// checked later (PackageReader::Check, or as they are extracted).
PackageReader OpenPackageFile(const std::filesystem::path& file, CheckLater);

} // namespace update::package

#pragma once

// Packages assembled byte by byte, so that tests can build the damaged ones a correct writer
// never produces (a stream shorter than its header, a name that climbs out, ...).

#include "TestFiles.h"
#include "update/package/FileTime.h"

#include <cstdint>
#include <string>
#include <vector>

namespace packagetest {

// zlib at level 9, as the package holds it.
Bytes Deflate(const Bytes& raw);
// The stream of a packed file whose header announces `announcedSize` and holds `content`.
Bytes PackedStream(std::int64_t announcedSize, update::package::FileTime lastWrite, const Bytes& content);

struct RawEntry {
    std::string name; // stored as given
    Bytes stream;
};

// `program`, the start marker, the streams in the given order, a directory with correct offsets and
// digests, and a correct footer.
Bytes AssemblePackage(const std::vector<RawEntry>& entries, const Bytes& program = {});

// A small but well-formed ELF64 program: header, one loaded segment, a section table at its end.
Bytes MinimalElfProgram();

} // namespace packagetest

#pragma once

// The inflaters the package reader is measured against, each over one stream of a package and
// nothing else: no digest, no header check, no temporary file.

#include <cstdint>
#include <span>
#include <vector>

namespace packagebench {

// Streaming, 64 KiB of input and output at a time; the output goes to `outputFd` (-1: discarded).
// Each returns the count of bytes inflated.
std::uint64_t ZlibInflate(int packageFd, std::uint64_t offset, std::uint64_t length, int outputFd);
std::uint64_t IsalInflate(int packageFd, std::uint64_t offset, std::uint64_t length, int outputFd);

// In memory, the whole stream at once (libdeflate has no streaming interface); `output` must be
// large enough. Returns the count inflated, or 0 when the library is not there.
std::uint64_t LibdeflateInflate(std::span<const unsigned char> stream, std::vector<unsigned char>& output);
bool HaveLibdeflate();

} // namespace packagebench

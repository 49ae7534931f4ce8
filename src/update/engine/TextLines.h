#pragma once

// The lines of a text file of the package: a byte-order mark selects UTF-16 little-endian (FF FE),
// UTF-16 big-endian (FE FF) or UTF-8 (EF BB BF) and is dropped; without one the bytes are in the
// machine's ANSI code page. Lines break at CR LF, a lone CR and a lone LF; a final break makes no
// extra line. The lines come out in UTF-8; bytes that form no character become U+FFFD.

#include <string>
#include <string_view>
#include <vector>

namespace update {

std::string DecodeTextFile(std::string_view bytes, unsigned ansiCodePage);
std::vector<std::string> ReadTextLines(std::string_view bytes, unsigned ansiCodePage);

} // namespace update

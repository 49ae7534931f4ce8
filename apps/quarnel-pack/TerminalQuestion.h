#pragma once

// A question asked on the user's terminal (the console on Windows) whose answer is not shown as it
// is typed: the passphrase of a signing key.

#include <cstddef>
#include <optional>
#include <string>

namespace quarnelpack {

// Writes `prompt`, reads one line of at most `maxLength` bytes (UTF-8) without echo, and ends the
// line. Nothing when the program has no terminal to ask on.
std::optional<std::string> AskWithoutEcho(const std::string& prompt, std::size_t maxLength);

} // namespace quarnelpack

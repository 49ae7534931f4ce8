#pragma once

// `reg query|add|delete|import|export`: the machine's registry through the options of Windows'
// reg.exe, with its output and messages as a French Windows prints them. See docs/registry.md for
// the differences.

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

namespace platform {

class Registry;

// `args` starts with the operation ("query", "add", ...), followed by its arguments as reg.exe
// takes them. Returns 0 on success, 1 on failure, kRegUsageError for a command line that is not
// understood (syntax, option, type, data or key name).
inline constexpr int kRegUsageError = 64;
int RunRegCommand(Registry& registry, std::span<const std::string> args, std::ostream& out, std::ostream& err);

// The usage text that `reg /?` prints, for the machine tool's --help.
std::string_view RegCommandUsage();

} // namespace platform

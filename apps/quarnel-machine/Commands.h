#pragma once

// The verbs of quarnel-machine. Each takes the arguments after its own name and returns the
// process exit code: 0 done, 1 failed, 64 usage error.

#include <ostream>
#include <span>
#include <string>

namespace platform {
class Machine;
}

namespace quarnel_machine {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 64;

struct Context {
    std::ostream& out;
    std::ostream& err;
};

int RunInit(std::span<const std::string> args, Context context);
int RunShow(std::span<const std::string> args, Context context);
int RunDrive(std::span<const std::string> args, Context context);
int RunPath(std::span<const std::string> args, Context context);
int RunVersion(std::span<const std::string> args, Context context);
int RunReg(std::span<const std::string> args, Context context);
int RunFirebird(std::span<const std::string> args, Context context);
int RunReboot(std::span<const std::string> args, Context context);
// reboot where the system performs the renames itself (Windows): lists them.
int RunRebootList(std::span<const std::string> args, Context context);
int RunTrust(std::span<const std::string> args, Context context);
int RunProducts(std::span<const std::string> args, Context context);
int RunRecover(std::span<const std::string> args, Context context); // exits 5 on a journal it cannot read

// Creates the machine's Firebird root (configuration, security database with the users, libraries).
void InitFirebirdRootOf(const platform::Machine& machine);

} // namespace quarnel_machine

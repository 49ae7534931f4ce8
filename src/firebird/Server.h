#pragma once

// The prefix's Firebird server: Debian's /usr/sbin/firebird run on the prefix's Firebird root,
// as the invoking user, listening on 127.0.0.1 only, on a free port chosen at start. The state
// (process id and port) is recorded in <root>/server.state.

#include "platform/machine/Machine.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>

namespace fb {

struct ServerState {
    int pid = 0;
    std::uint16_t port = 0;
};

// The port of the prefix's server when it runs.
std::optional<std::uint16_t> RunningServerPort(const platform::Machine& machine);

enum class ServerLifetime {
    Detached,      // runs on after the caller ends (quarnel-machine firebird start)
    EndsWithCaller // ended when the calling thread ends, even by a crash (test fixtures)
};

// Starts the server (creating the Firebird root first when it is missing) and waits until it
// listens. Starting a running server changes nothing. Throws std::runtime_error.
ServerState StartServer(const platform::Machine& machine, ServerLifetime lifetime = ServerLifetime::Detached);

// Stops the server and waits for its end; nothing when it does not run.
void StopServer(const platform::Machine& machine);

// `quarnel-machine firebird start|stop|status`: messages to `out`, errors to `err`. Exit code:
// 0 done (status: running), 3 status: stopped, 1 failure, 64 usage error.
int RunFirebirdCommand(const platform::Machine& machine, std::span<const std::string> args, std::ostream& out,
                       std::ostream& err);

} // namespace fb

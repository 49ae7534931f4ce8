#include "firebird/Server.h"

#include "firebird/FirebirdRoot.h"
#include "platform/machine/WholeFile.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fb {

namespace fs = std::filesystem;

namespace {

const char* const ServerProgram = "/usr/sbin/firebird";
constexpr auto StartTimeout = std::chrono::seconds(20);
constexpr auto StopTimeout = std::chrono::seconds(5); // then SIGKILL: the careful writes keep databases sound
constexpr auto PollInterval = std::chrono::milliseconds(10);

fs::path StatePath(const platform::Machine& machine) {
    return machine.FirebirdRoot() / "server.state";
}

std::optional<ServerState> ReadState(const platform::Machine& machine) {
    std::ifstream file(StatePath(machine));
    ServerState state;
    std::string line;
    while (std::getline(file, line)) {
        if (line.starts_with("pid="))
            state.pid = std::atoi(line.c_str() + 4);
        else if (line.starts_with("port="))
            state.port = static_cast<std::uint16_t>(std::atoi(line.c_str() + 5));
    }
    if (state.pid <= 0 || state.port == 0)
        return std::nullopt;
    return state;
}

void WriteState(const platform::Machine& machine, const ServerState& state) {
    platform::WriteWholeFile(StatePath(machine),
                             "pid=" + std::to_string(state.pid) + "\nport=" + std::to_string(state.port) + "\n");
}

// A live firebird process (not a zombie, not a reused pid of another program).
bool IsServerProcess(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text))
        return false;
    auto close = text.rfind(')');
    auto open = text.find('(');
    if (close == std::string::npos || open == std::string::npos || close + 2 >= text.size())
        return false;
    return text.substr(open + 1, close - open - 1) == "firebird" && text[close + 2] != 'Z' && text[close + 2] != 'X';
}

std::uint16_t FreeLoopbackPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("impossible d'ouvrir une socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
              ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    ::close(fd);
    if (!ok)
        throw std::runtime_error("aucun port libre sur la boucle locale");
    return ntohs(address.sin_port);
}

// Whether process `pid` holds a socket listening on 127.0.0.1:`port`. Asking the process, not the
// port, tells our server from another one that took the same port meanwhile.
bool ListensOn(int pid, std::uint16_t port) {
    char local[32];
    std::snprintf(local, sizeof local, "0100007F:%04X", port);
    std::ifstream tcp("/proc/net/tcp");
    std::string line;
    std::vector<std::string> inodes;
    while (std::getline(tcp, line)) {
        std::istringstream fields(line);
        std::string slot, localAddress, remote, state, queues, timer, retransmit, uid, timeout, inode;
        fields >> slot >> localAddress >> remote >> state >> queues >> timer >> retransmit >> uid >> timeout >> inode;
        if (localAddress == local && state == "0A")
            inodes.push_back("socket:[" + inode + "]");
    }
    if (inodes.empty())
        return false;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        std::error_code linkError;
        std::string target = fs::read_symlink(entry.path(), linkError).string();
        for (const std::string& inode : inodes)
            if (target == inode)
                return true;
    }
    return false;
}

// The server's environment: ours with its FIREBIRD and the root's FIREBIRD_LOCK and FIREBIRD_TMP
// (shared with the embedded engines).
std::vector<std::string> ServerEnvironment(const fs::path& serverRoot, const fs::path& root) {
    std::vector<std::string> env;
    for (char** entry = environ; *entry; ++entry) {
        std::string_view text(*entry);
        if (!text.starts_with("FIREBIRD=") && !text.starts_with("FIREBIRD_LOCK=") && !text.starts_with("FIREBIRD_TMP="))
            env.emplace_back(text);
    }
    env.push_back("FIREBIRD=" + serverRoot.string());
    env.push_back("FIREBIRD_LOCK=" + (root / "lock").string());
    env.push_back("FIREBIRD_TMP=" + (root / "tmp").string());
    return env;
}

// Runs in the forked child of a threaded process: async-signal-safe calls only, everything
// else was prepared before the fork.
[[noreturn]] void ExecServer(const char* logPath, char* const* envp, bool endsWithCaller) {
    if (endsWithCaller)
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    ::setsid();
    int null = ::open("/dev/null", O_RDONLY);
    int log = ::open(logPath, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (null >= 0)
        ::dup2(null, 0);
    if (log >= 0) {
        ::dup2(log, 1);
        ::dup2(log, 2);
    }
    for (int fd = 3; fd < 1024; ++fd)
        ::close(fd);
    char name[] = "firebird";
    char* argv[] = {name, nullptr};
    ::execve(ServerProgram, argv, envp);
    ::_exit(127);
}

// True once our child `pid` has ended (and reaped). Until it has run exec its name is ours, so
// IsServerProcess cannot tell.
bool ChildEnded(int pid) {
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == pid;
}

// Reaps `pid` when it is our child; true once it has ended.
bool Ended(int pid) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid)
        return true;
    return !IsServerProcess(pid);
}

} // namespace

std::optional<std::uint16_t> RunningServerPort(const platform::Machine& machine) {
    auto state = ReadState(machine);
    if (!state || !IsServerProcess(state->pid))
        return std::nullopt;
    return state->port;
}

ServerState StartServer(const platform::Machine& machine, ServerLifetime lifetime) {
    if (auto state = ReadState(machine); state && IsServerProcess(state->pid))
        return *state;
    if (!FirebirdRootExists(machine))
        InitFirebirdRoot(machine);
    fs::path root = machine.FirebirdRoot();
    std::uint16_t port = FreeLoopbackPort();
    // The server takes its port from its configuration: "-p" would make it listen on every address.
    fs::path serverRoot = WriteServerConf(machine, port);
    std::string logPath = (root / "server.log").string();
    std::vector<std::string> env = ServerEnvironment(serverRoot, root);
    std::vector<char*> envp;
    for (std::string& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("impossible de lancer " + std::string(ServerProgram));
    if (pid == 0)
        ExecServer(logPath.c_str(), envp.data(), lifetime == ServerLifetime::EndsWithCaller);
    auto deadline = std::chrono::steady_clock::now() + StartTimeout;
    while (!ListensOn(pid, port)) {
        if (ChildEnded(pid) || std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            throw std::runtime_error("le serveur Firebird n'a pas démarré ; voir " + (root / "server.log").string());
        }
        std::this_thread::sleep_for(PollInterval);
    }
    ServerState state{pid, port};
    WriteState(machine, state);
    return state;
}

void StopServer(const platform::Machine& machine) {
    auto state = ReadState(machine);
    if (state && IsServerProcess(state->pid)) {
        ::kill(state->pid, SIGTERM);
        auto deadline = std::chrono::steady_clock::now() + StopTimeout;
        while (!Ended(state->pid)) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(state->pid, SIGKILL);
                deadline = std::chrono::steady_clock::now() + StopTimeout;
            }
            std::this_thread::sleep_for(PollInterval);
        }
    }
    std::error_code ignored;
    fs::remove(StatePath(machine), ignored);
}

int RunFirebirdCommand(const platform::Machine& machine, std::span<const std::string> args, std::ostream& out,
                       std::ostream& err) {
    if (args.size() != 1 || (args[0] != "start" && args[0] != "stop" && args[0] != "status")) {
        err << "Utilisation : quarnel-machine firebird start|stop|status\n";
        return 64;
    }
    try {
        if (args[0] == "start") {
            ServerState state = StartServer(machine);
            out << "Serveur Firebird en marche sur 127.0.0.1:" << state.port << " (processus " << state.pid << ")\n";
            return 0;
        }
        if (args[0] == "stop") {
            StopServer(machine);
            out << "Serveur Firebird arrêté\n";
            return 0;
        }
        if (auto state = ReadState(machine); state && IsServerProcess(state->pid)) {
            out << "Serveur Firebird en marche sur 127.0.0.1:" << state->port << " (processus " << state->pid << ")\n";
            return 0;
        }
        out << "Serveur Firebird arrêté\n";
        return 3;
    } catch (const std::exception& e) {
        err << e.what() << "\n";
        return 1;
    }
}

} // namespace fb

// The question on Linux: the controlling terminal (/dev/tty), echo switched off through termios.
#include "TerminalQuestion.h"

#include "update/package/HostFile.h"

#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace quarnelpack {

namespace {

// Echo is switched off for the answer and back on afterwards, whatever happens.
class NoEcho {
public:
    explicit NoEcho(int fd)
        : FFd(fd) {
        FSaved = ::tcgetattr(fd, &FOld) == 0;
        if (FSaved) {
            termios quiet = FOld;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            ::tcsetattr(fd, TCSAFLUSH, &quiet);
        }
    }
    ~NoEcho() {
        if (FSaved) {
            ::tcsetattr(FFd, TCSAFLUSH, &FOld);
        }
    }
    NoEcho(const NoEcho&) = delete;
    NoEcho& operator=(const NoEcho&) = delete;

private:
    int FFd;
    termios FOld{};
    bool FSaved = false;
};

} // namespace

std::optional<std::string> AskWithoutEcho(const std::string& prompt, std::size_t maxLength) {
    const update::package::FileDescriptor tty(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (tty.Get() < 0) {
        return std::nullopt;
    }
    std::string answer;
    {
        const NoEcho quiet(tty.Get());
        (void)!::write(tty.Get(), prompt.data(), prompt.size());
        char c = 0;
        while (answer.size() <= maxLength) {
            const ssize_t n = ::read(tty.Get(), &c, 1);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0 || c == '\n') {
                break;
            }
            answer += c;
        }
    }
    (void)!::write(tty.Get(), "\n", 1);
    return answer;
}

} // namespace quarnelpack

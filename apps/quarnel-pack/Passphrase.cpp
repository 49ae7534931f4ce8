#include "Passphrase.h"

#include "update/package/HostFile.h"
#include "update/package/PackageError.h"

#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace quarnelpack {

using update::package::PackageError;
using update::package::Quoted;

namespace {

constexpr std::size_t kMaxPassphrase = 1024;

std::string FirstLine(std::string text) {
    const auto end = text.find_first_of("\r\n");
    if (end != std::string::npos) {
        text.resize(end);
    }
    return text;
}

std::string ReadPassphraseFile(const std::filesystem::path& file) {
    const update::package::FileDescriptor fd = update::package::OpenForReading(file);
    std::string text(kMaxPassphrase + 1, '\0');
    const std::size_t count = update::package::ReadSome(
        fd.Get(), std::span(reinterpret_cast<unsigned char*>(text.data()), text.size()), file);
    text.resize(count);
    return FirstLine(std::move(text));
}

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

std::string AskOnTerminal(const std::filesystem::path& keyFile) {
    const update::package::FileDescriptor tty(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (tty.Get() < 0) {
        throw PackageError("La clé " + Quoted(keyFile.string()) +
                           " est protégée par une phrase secrète et aucun terminal ne permet de la demander : "
                           "donnez-la avec --passphrase-file FICHIER.");
    }
    const std::string prompt = "Phrase secrète de la clé " + Quoted(keyFile.string()) + " : ";
    std::string answer;
    {
        const NoEcho quiet(tty.Get());
        (void)!::write(tty.Get(), prompt.data(), prompt.size());
        char c = 0;
        while (answer.size() <= kMaxPassphrase) {
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
    return FirstLine(std::move(answer));
}

} // namespace

update::trust::PassphraseSource PassphraseFor(const std::filesystem::path& keyFile,
                                              const std::optional<std::filesystem::path>& passphraseFile) {
    if (passphraseFile) {
        return [file = *passphraseFile] {
            return ReadPassphraseFile(file);
        };
    }
    return [keyFile] {
        return AskOnTerminal(keyFile);
    };
}

} // namespace quarnelpack

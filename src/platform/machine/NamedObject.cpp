#include "platform/machine/NamedObject.h"

#include "platform/machine/Machine.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

namespace {

// Object names are case-sensitive and may hold any character; keep letters and digits as they
// are and escape the rest, so that two names never share a file.
std::string FileNameOf(std::string_view name) {
    std::string out;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.') {
            out += c;
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "_%02X", u);
            out += escaped;
        }
    }
    return out + ".lock";
}

} // namespace

NamedObject::NamedObject(const Machine& machine, std::string_view name) {
    std::filesystem::create_directories(machine.ObjectsFolder());
    const std::filesystem::path file = machine.ObjectsFolder() / FileNameOf(name);
    FDescriptor = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (FDescriptor < 0)
        throw std::runtime_error(file.string() + ": " + std::strerror(errno));
    // The lock, not the file, is the object: the kernel releases it with the last descriptor.
    if (::flock(FDescriptor, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK) {
            const int error = errno;
            ::close(FDescriptor);
            throw std::runtime_error(file.string() + ": " + std::strerror(error));
        }
        FAlreadyExists = true;
    }
}

NamedObject::~NamedObject() {
    if (FDescriptor >= 0)
        ::close(FDescriptor);
}

} // namespace platform

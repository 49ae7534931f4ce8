// The form of the temporary names, the same on every system.
#include "platform/machine/TemporaryNameFormat.h"

#include "platform/machine/TemporaryNames.h"

#include <charconv>
#include <random>
#include <unistd.h>

namespace platform {

namespace {

using temporary_detail::kMarker;
using temporary_detail::kRandomLength;
constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool IsAlphanumeric(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

std::string RandomSuffix() {
    thread_local std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
    std::string suffix(kRandomLength, 'A');
    for (char& c : suffix)
        c = kAlphabet[pick(generator)];
    return suffix;
}

} // namespace

std::string TemporaryNameFor(std::string_view finalName) {
    return "." + std::string(finalName) + std::string(kMarker) + std::to_string(::getpid()) + "." + RandomSuffix();
}

std::optional<pid_t> TemporaryNameWriter(std::string_view name) {
    // .NAME.quarnel-new.PID.XXXXXX with a non-empty NAME
    if (name.size() < 1 + 1 + kMarker.size() + 1 + 1 + kRandomLength || name.front() != '.')
        return std::nullopt;
    const std::string_view suffix = name.substr(name.size() - kRandomLength);
    for (const char c : suffix)
        if (!IsAlphanumeric(c))
            return std::nullopt;
    std::string_view rest = name.substr(0, name.size() - kRandomLength);
    if (rest.back() != '.')
        return std::nullopt;
    rest.remove_suffix(1);
    const std::size_t marker = rest.rfind(kMarker);
    if (marker == std::string_view::npos || marker < 2)
        return std::nullopt;
    const std::string_view digits = rest.substr(marker + kMarker.size());
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), pid);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || pid <= 0)
        return std::nullopt;
    return pid;
}

} // namespace platform

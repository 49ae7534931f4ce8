// The form of the temporary names, the same on every system.
#include "platform/machine/TemporaryNameFormat.h"

#include "platform/machine/TemporaryNames.h"

#include <charconv>
#include <random>
#include <unistd.h>

namespace platform {

namespace {

using temporary_detail::kFileSuffix;
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

std::string TemporaryFileName(std::string_view stem) {
    return std::string(stem) + std::string(kMarker) + std::to_string(::getpid()) + std::string(kFileSuffix);
}

std::optional<pid_t> TemporaryNameWriter(std::string_view name) {
    if (name.empty())
        return std::nullopt;
    std::string_view rest = name;
    if (name.front() == '.') {
        // .NAME.quarnel-new.PID.XXXXXX with a non-empty NAME
        if (name.size() < 1 + 1 + kMarker.size() + 1 + 1 + kRandomLength)
            return std::nullopt;
        for (const char c : name.substr(name.size() - kRandomLength))
            if (!IsAlphanumeric(c))
                return std::nullopt;
        rest.remove_suffix(kRandomLength);
        if (rest.back() != '.')
            return std::nullopt;
        rest.remove_suffix(1);
        rest.remove_prefix(1);
    } else {
        // STEM.quarnel-new.PID.tmp with a non-empty STEM
        if (!rest.ends_with(kFileSuffix))
            return std::nullopt;
        rest.remove_suffix(kFileSuffix.size());
    }
    const std::size_t marker = rest.rfind(kMarker);
    if (marker == std::string_view::npos || marker < 1)
        return std::nullopt;
    const std::string_view digits = rest.substr(marker + kMarker.size());
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), pid);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || pid <= 0)
        return std::nullopt;
    return pid;
}

} // namespace platform

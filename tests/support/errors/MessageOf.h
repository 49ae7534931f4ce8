#pragma once

// The message of the error `action` throws, or "(no error)": a test compares the system's text.

#include <exception>
#include <functional>
#include <string>

namespace testsupport {

inline std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace testsupport

#pragma once

// The errors the system raises: a plain error carrying its message, and the silent abort raised
// after a dialog has already told the user. A failed system call raises platform::SystemError.
// Like the rest of the machine-environment helpers these keep the names the product code uses,
// outside any namespace.

#include "platform/errors/SystemError.h"

#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message)
        : std::runtime_error(message) {}
};

// Ends the current operation without any further message: the program's error handler shows
// nothing for it, while a caller that catches every error receives it like any other.
class EAbort : public Exception {
public:
    EAbort()
        : Exception("Opération abandonnée") {}
};

// Abandons the current operation.
[[noreturn]] inline void Abort() {
    throw EAbort();
}

using platform::SystemError;

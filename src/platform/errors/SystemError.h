#pragma once

// The texts of system errors as a French Windows shows them, and the error that carries them.

#include "platform/machine/LastError.h"

#include <stdexcept>
#include <string>

namespace platform {

// The text FormatMessageW gives for `code` on a French Windows, its closing CR LF included;
// "code : N" for a code the system has no text for.
std::string SystemErrorText(ErrorCode code);

// "Erreur système.  Code : N.\r\n" + SystemErrorText(N), or "Un appel à une fonction du système
// d'exploitation a échoué" when `code` is 0: the message of a failed system call.
std::string SystemErrorMessage(ErrorCode code);

// A failed system call: carries the code, its message is SystemErrorMessage(code).
class SystemError : public std::runtime_error {
public:
    explicit SystemError(ErrorCode code);
    ErrorCode Code() const noexcept { return FCode; }

private:
    ErrorCode FCode;
};

// Throws SystemError for the calling thread's last error code (GetLastError).
[[noreturn]] void RaiseLastError();

} // namespace platform

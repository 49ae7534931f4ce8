#pragma once

// The French failure messages of file operations, built in one place each. "Abandon" below means
// raising the silent EAbort after an error dialog has told the user.

#include "platform/machine/LastError.h"

#include <string>
#include <string_view>

// The system's message text for `code` (its closing CR LF included), or "code : N".
std::string SystemErrorText(platform::ErrorCode code);

// message + CR LF + the text of the last error; error dialog, then abandon.
[[noreturn]] void FailWithLastError(std::string_view message);
// "Ne peut pas copier le fichier :" ... raised as Exception.
[[noreturn]] void RaiseCopyFailed(std::string_view source, std::string_view destination);
// "Ne peut pas supprimer le fichier :" ... raised as Exception.
[[noreturn]] void RaiseDeleteFailed(std::string_view file);
// "Ne peut pas modifier les attributs du fichier : " ...; error dialog, then abandon.
[[noreturn]] void FailAttributes(std::string_view file);

// The messages themselves, for callers that report rather than raise.
std::string CopyFailedMessage(std::string_view source, std::string_view destination, platform::ErrorCode code);
std::string DeleteFailedMessage(std::string_view file, platform::ErrorCode code);
std::string AttributesFailedMessage(std::string_view file, platform::ErrorCode code);

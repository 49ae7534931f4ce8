#pragma once

// What the Win32 implementation files share about who may write a file or folder of the
// machine-wide state. An internal header of the Win32 implementation files, never a public one.

#include "platform/machine/WindowsApi.h"

#include <optional>
#include <string>

namespace platform::win32 {

// A security descriptor for a new folder or file of the machine-wide state: owned by the
// Administrators group, inheritance cut, Administrators and SYSTEM with full control, Users with
// read and execute; folders and files made inside inherit it. Freed by its destructor.
class StateSecurity {
public:
    StateSecurity();
    ~StateSecurity();
    StateSecurity(const StateSecurity&) = delete;
    StateSecurity& operator=(const StateSecurity&) = delete;

    // For CreateDirectoryW / CreateFileW; null when the descriptor could not be built.
    SECURITY_ATTRIBUTES* Attributes() { return FDescriptor ? &FAttributes : nullptr; }

private:
    PSECURITY_DESCRIPTOR FDescriptor = nullptr;
    SECURITY_ATTRIBUTES FAttributes{};
};

enum class Exposure {
    None,             // fit to hold the machine-wide state
    Unreadable,       // its security cannot be read
    ForeignOwner,     // owned by neither the Administrators group nor SYSTEM
    WritableByOthers, // its DACL lets someone else write it (or it has no DACL at all)
};

// Who else than the administrators could change the object behind `handle` (opened with
// READ_CONTROL). The Administrators group, SYSTEM and CREATOR OWNER are trusted, and the process's
// own user when it is an administrator.
Exposure ExposureOf(HANDLE handle);

} // namespace platform::win32

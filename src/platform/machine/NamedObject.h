#pragma once

// A machine-wide named object (the stand-in for a named semaphore). It lives in the machine
// prefix, so two prefixes are two machines that never meet, and the operating system drops it
// when its holder ends, even by a crash.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

class Machine;

class NamedObject {
public:
    // Creates the object `name` on `machine`, or finds that another process holds it already.
    // Throws std::runtime_error when the prefix's objects folder cannot be used.
    NamedObject(const Machine& machine, std::string_view name);
    ~NamedObject();
    NamedObject(const NamedObject&) = delete;
    NamedObject& operator=(const NamedObject&) = delete;

    // True when another process held an object of this name when this one was created
    // (ERROR_ALREADY_EXISTS).
    bool AlreadyExists() const { return FAlreadyExists; }

private:
    std::intptr_t FDescriptor = -1; // a descriptor, or the value of a Windows HANDLE
    bool FAlreadyExists = false;
};

} // namespace platform

// A named semaphore of the machine (CreateSemaphoreW): Windows drops it when its last holder ends.
#include "platform/machine/NamedObject.h"
#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"

#include <stdexcept>

namespace platform {

NamedObject::NamedObject(const Machine&, std::string_view name) {
    HANDLE handle = ::CreateSemaphoreW(nullptr, 1, 1, win32::Wide(name).c_str());
    if (handle == nullptr)
        throw std::runtime_error("cannot create the named object " + std::string(name) + " (error " +
                                 std::to_string(::GetLastError()) + ")");
    FAlreadyExists = ::GetLastError() == ERROR_ALREADY_EXISTS;
    FDescriptor = reinterpret_cast<std::intptr_t>(handle);
}

NamedObject::~NamedObject() {
    ::CloseHandle(reinterpret_cast<HANDLE>(FDescriptor));
}

} // namespace platform

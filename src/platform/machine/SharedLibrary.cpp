// Libraries loaded at run time on Linux: dlopen.
#include "platform/machine/SharedLibrary.h"

#include "platform/machine/LastError.h"

#include <dlfcn.h>
#include <utility>

namespace platform {

SharedLibrary::SharedLibrary(const std::filesystem::path& file)
    : FHandle(::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (FHandle == nullptr) {
        const char* reason = ::dlerror();
        FLoadError = reason != nullptr ? reason : "dlopen";
    }
}

SharedLibrary::~SharedLibrary() {
    if (FHandle != nullptr)
        ::dlclose(FHandle); // nothing to tell at the end of its owner
}

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : FHandle(std::exchange(other.FHandle, nullptr))
    , FLoadError(std::move(other.FLoadError)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
    if (this != &other) {
        Unload();
        FHandle = std::exchange(other.FHandle, nullptr);
        FLoadError = std::move(other.FLoadError);
    }
    return *this;
}

void* SharedLibrary::Symbol(const char* name) const {
    return FHandle != nullptr ? ::dlsym(FHandle, name) : nullptr;
}

bool SharedLibrary::FreeHandle(void* handle) {
    if (::dlclose(handle) == 0)
        return true;
    SetLastError(kErrorInvalidHandle);
    return false;
}

bool SharedLibrary::Unload() {
    if (FHandle == nullptr)
        return true;
    if (::dlclose(std::exchange(FHandle, nullptr)) == 0)
        return true;
    SetLastError(kErrorInvalidHandle);
    return false;
}

} // namespace platform

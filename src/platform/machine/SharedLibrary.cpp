// Libraries loaded at run time on Linux: dlopen.
#include "platform/machine/SharedLibrary.h"

#include "platform/machine/LastError.h"

#include <dlfcn.h>

namespace platform {

SharedLibrary::SharedLibrary(const std::filesystem::path& file)
    : FHandle(::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (FHandle == nullptr) {
        const char* reason = ::dlerror();
        FLoadError = reason != nullptr ? reason : "dlopen";
    }
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

} // namespace platform

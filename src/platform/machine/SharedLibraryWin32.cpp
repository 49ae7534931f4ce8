// Libraries loaded at run time on Windows: LoadLibraryExW by full path, so that the library's own
// dependencies are searched beside it first.
#include "platform/machine/SharedLibrary.h"
#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"

#include <string>

namespace platform {

SharedLibrary::SharedLibrary(const std::filesystem::path& file)
    : FHandle(::LoadLibraryExW(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) {
    if (FHandle == nullptr)
        FLoadError = "code : " + std::to_string(::GetLastError());
}

void* SharedLibrary::Symbol(const char* name) const {
    if (FHandle == nullptr)
        return nullptr;
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(FHandle), name));
}

bool SharedLibrary::FreeHandle(void* handle) {
    return ::FreeLibrary(static_cast<HMODULE>(handle)) != 0;
}

} // namespace platform

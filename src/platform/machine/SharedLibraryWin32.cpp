// Libraries loaded at run time on Windows: LoadLibraryExW by full path, so that the library's own
// dependencies are searched beside it first.
#include "platform/machine/SharedLibrary.h"

#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"

#include <string>
#include <utility>

namespace platform {

SharedLibrary::SharedLibrary(const std::filesystem::path& file)
    : FHandle(::LoadLibraryExW(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) {
    if (FHandle == nullptr)
        FLoadError = "code : " + std::to_string(::GetLastError());
}

SharedLibrary::~SharedLibrary() {
    if (FHandle != nullptr)
        ::FreeLibrary(static_cast<HMODULE>(FHandle)); // nothing to tell at the end of its owner
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
    if (FHandle == nullptr)
        return nullptr;
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(FHandle), name));
}

bool SharedLibrary::FreeHandle(void* handle) {
    return ::FreeLibrary(static_cast<HMODULE>(handle)) != 0;
}

bool SharedLibrary::Unload() {
    if (FHandle == nullptr)
        return true;
    return ::FreeLibrary(static_cast<HMODULE>(std::exchange(FHandle, nullptr))) != 0;
}

} // namespace platform

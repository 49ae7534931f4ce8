#pragma once

// A library loaded into the process at run time, by its full host path, and the entry points
// taken from it.

#include <filesystem>
#include <string>

namespace platform {

class SharedLibrary {
public:
    SharedLibrary() = default;
    // Loads `file`; Loaded() says whether it could, LoadError() why not.
    explicit SharedLibrary(const std::filesystem::path& file);
    ~SharedLibrary();
    SharedLibrary(SharedLibrary&& other) noexcept;
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    bool Loaded() const { return FHandle != nullptr; }
    // The system's reason when loading failed (dlerror's text, or "code : N" of GetLastError).
    const std::string& LoadError() const { return FLoadError; }

    // The address of the entry point `name`, or null when the library has none.
    void* Symbol(const char* name) const;

    // Entry points as the function type the caller knows them by.
    template <typename Function> Function* Entry(const char* name) const {
        return reinterpret_cast<Function*>(Symbol(name));
    }

    // Unloads it now; false when the system refused (the last error is set).
    bool Unload();

    // Unloads a library that another loader bound, by its system handle; false as Unload.
    static bool FreeHandle(void* handle);

private:
    void* FHandle = nullptr;
    std::string FLoadError;
};

} // namespace platform

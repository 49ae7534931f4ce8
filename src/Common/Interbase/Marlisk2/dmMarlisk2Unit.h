#pragma once

// TdmMarlisk2: binds the address module's library "VTMarlisk2.dll". The class finds the library
// file next to the running program or where the address module is installed; an instance holds
// the bound library and its entry points and unloads it when destroyed. The library is a shared
// object bound with dlopen; its loader (outside this system) hands the handle and entry points over.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

class TdmMarlisk2 {
public:
    static constexpr std::string_view kLibraryName = "VTMarlisk2.dll";
    static constexpr std::size_t kEntryPointCount = 49;
    // The slot of the library's exit routine, called without arguments just before unloading.
    static constexpr std::size_t kExitSlot = kEntryPointCount - 1;

    TdmMarlisk2() = default;
    // Unloads the library twice over, as the destroy event and the destructor both do.
    virtual ~TdmMarlisk2();
    TdmMarlisk2(const TdmMarlisk2&) = delete;
    TdmMarlisk2& operator=(const TdmMarlisk2&) = delete;

    // The library file next to the running program, or in the address module's folders two
    // levels above it ("Marlisk\Programs\", "Marlisk_2\Programs\"), or in "Common files\" one
    // level above it; the bare file name when none holds it.
    static std::string LocateLibrary();
    // The same search from a given program file (a Windows path).
    static std::string LocateLibrary(std::string_view programFile);

    // The folder above: the parent of C:\Apps\Tool\Bin\ is C:\Apps\Tool\, the parent of C:\ is C:.
    static std::string ParentFolder(std::string_view path);

    // The system's text for the calling thread's last error, or "code : N".
    static std::string GetSystemErrorText();
    // Error box with the message, CR LF and the system's text; then a silent abort unless NoAbort.
    static void ShowSystemError(std::string_view message, bool NoAbort);

    // Takes over a library bound with dlopen, and fills entry-point slots.
    void BindLibrary(void* handle) { FLibraryHandle = handle; }
    void SetEntryPoint(std::size_t slot, void* address) { FEntryPoints.at(slot) = address; }
    void* LibraryHandle() const { return FLibraryHandle; }
    void* EntryPoint(std::size_t slot) const { return FEntryPoints.at(slot); }

    // Calls the exit routine when bound, then unloads the library; on success forgets the handle
    // and empties every slot, on failure shows the system error and keeps them.
    void UnloadLibrary();

    void DataModuleDestroy() { UnloadLibrary(); }

protected:
    // Unloads it (dlclose, FreeLibrary); false with the last error set when the library cannot be unloaded.
    virtual bool FreeLibrary(void* handle);

private:
    void* FLibraryHandle = nullptr;
    std::array<void*, kEntryPointCount> FEntryPoints{};
};

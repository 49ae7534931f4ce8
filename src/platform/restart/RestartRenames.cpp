// The emulated machine's renames at the next start: appended to PendingFileRenameOperations in
// the machine's registry.
#include "platform/restart/RestartRenames.h"

#include "platform/files/Files.h"
#include "platform/machine/LastError.h"
#include "platform/machine/Machine.h"
#include "platform/registry/Registry.h"

namespace platform {

bool MoveFileAtRestart(std::string_view source, std::string_view destination, std::uint32_t flags) {
    if (source.empty()) {
        SetLastError(kErrorInvalidParameter);
        return false;
    }
    const Machine& machine = Machine::Current();
    // The operations live in HKEY_LOCAL_MACHINE, which only an administrator may change.
    if (!machine.Settings().administrator) {
        SetLastError(kErrorAccessDenied);
        return false;
    }
    Registry registry(machine.RegistryFolder());
    RegistryKey key;
    ErrorCode error =
        registry.CreateKey(RegistryRoot::LocalMachine, kSessionManagerKey, kKeyQueryValue | kKeySetValue, key);
    if (error == kErrorSuccess) {
        std::vector<PendingRename> renames;
        RegistryValue value;
        if (key.QueryValue(kPendingRenamesValue, value) == kErrorSuccess)
            renames = DecodePendingRenames(value.data);
        renames.push_back({std::string(source), std::string(destination), (flags & kMoveFileReplaceExisting) != 0});
        error = key.SetValue(
            MakeBinaryValue(std::string(kPendingRenamesValue), EncodePendingRenames(renames), kRegMultiSz));
    }
    SetLastError(error);
    return error == kErrorSuccess;
}

} // namespace platform

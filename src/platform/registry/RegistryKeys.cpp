// The key calls both backends of the registry share (and the export): the key path checked and
// tidied, the backend's part done (Registry.cpp over hive files, RegistryWin32.cpp over the system's registry), the
// open key filled in.

#include "platform/registry/Registry.h"

#include <utility>

namespace platform {

std::string Registry::HiveFileName(RegistryRoot root) {
    return std::string(RootName(root)) + ".reg";
}

ErrorCode Registry::OpenKey(RegistryRoot root, std::string_view path, AccessMask access, RegistryKey& key) {
    const auto normalized = NormalizeKeyPath(path);
    if (!normalized)
        return kErrorBadPathname;
    std::shared_ptr<void> handle;
    if (const ErrorCode rc = OpenNormalized(root, *normalized, access, handle); rc != kErrorSuccess)
        return rc;
    Opened(key, root, *normalized, access, std::move(handle));
    return kErrorSuccess;
}

ErrorCode Registry::CreateKey(RegistryRoot root, std::string_view path, AccessMask access, RegistryKey& key,
                              bool* created) {
    if (created)
        *created = false;
    const auto normalized = NormalizeKeyPath(path);
    if (!normalized)
        return kErrorBadPathname;
    std::shared_ptr<void> handle;
    if (const ErrorCode rc = CreateNormalized(root, *normalized, access, handle, created); rc != kErrorSuccess)
        return rc;
    Opened(key, root, *normalized, access, std::move(handle));
    return kErrorSuccess;
}

ErrorCode Registry::DeleteKey(RegistryRoot root, std::string_view path) {
    const auto normalized = NormalizeKeyPath(path);
    if (!normalized)
        return kErrorBadPathname;
    if (normalized->empty())
        return kErrorInvalidParameter;
    return DeleteNormalized(root, *normalized);
}

ErrorCode Registry::Export(RegistryRoot root, std::string_view path, std::vector<std::uint8_t>& bytes) {
    const auto normalized = NormalizeKeyPath(path);
    if (!normalized)
        return kErrorBadPathname;
    std::shared_ptr<const Hive> hive;
    if (const ErrorCode rc = ReadSubtree(root, *normalized, hive); rc != kErrorSuccess)
        return rc;
    bytes = EncodeRegFile(FormatRegFile(root, hive->Subtree(*normalized)));
    return kErrorSuccess;
}

void Registry::Opened(RegistryKey& key, RegistryRoot root, const std::string& path, AccessMask access,
                      std::shared_ptr<void> handle) {
    key.FRegistry = this;
    key.FRoot = root;
    key.FPath = path;
    key.FAccess = access;
    key.FHandle = std::move(handle);
}

} // namespace platform

#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"
#include "platform/registry/Hive.h"
#include "platform/registry/Registry.h"

#include <algorithm>

namespace platform {

namespace {

using win32::Narrow;
using win32::Wide;

// The programs are 64-bit; the view is named all the same, so that a key never lands under
// WOW6432Node.
constexpr REGSAM kView = KEY_WOW64_64KEY;

HKEY RootHandle(RegistryRoot root) {
    return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

HKEY Handle(const std::shared_ptr<void>& handle) {
    return static_cast<HKEY>(handle.get());
}

std::shared_ptr<void> Own(HKEY key) {
    return std::shared_ptr<void>(key, [](void* opened) { RegCloseKey(static_cast<HKEY>(opened)); });
}

ErrorCode Code(LSTATUS status) {
    return static_cast<ErrorCode>(status);
}

// The sizes the enumerations need, in characters for names and bytes for data.
struct KeyInfo {
    DWORD subKeys = 0;
    DWORD maxSubKeyName = 0;
    DWORD values = 0;
    DWORD maxValueName = 0;
    DWORD maxValueData = 0;
};

ErrorCode QueryKeyInfo(HKEY key, KeyInfo& info) {
    return Code(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &info.subKeys, &info.maxSubKeyName, nullptr,
                                 &info.values, &info.maxValueName, &info.maxValueData, nullptr, nullptr));
}

ErrorCode ReadValue(HKEY key, const std::wstring& name, RegistryValue& value) {
    DWORD type = 0;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    std::vector<std::uint8_t> data;
    // The value may grow between the two calls: ask again with the size given.
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        data.resize(size);
        status = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.empty() ? nullptr : data.data(), &size);
        if (status == ERROR_SUCCESS) {
            data.resize(size);
            value.type = type;
            value.data = std::move(data);
            return kErrorSuccess;
        }
    }
    return Code(status);
}

ErrorCode EnumerateSubKeys(HKEY key, std::vector<std::string>& names) {
    KeyInfo info;
    if (const ErrorCode rc = QueryKeyInfo(key, info); rc != kErrorSuccess)
        return rc;
    std::vector<std::string> found;
    std::wstring buffer(std::max<DWORD>(info.maxSubKeyName, 255) + 1, L'\0');
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        const LSTATUS status = RegEnumKeyExW(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS)
            return Code(status);
        found.push_back(Narrow(std::wstring_view(buffer.data(), length)));
    }
    names = std::move(found);
    return kErrorSuccess;
}

ErrorCode EnumerateValues(HKEY key, std::vector<RegistryValue>& values) {
    std::vector<RegistryValue> found;
    for (DWORD index = 0;;) {
        KeyInfo info;
        if (const ErrorCode rc = QueryKeyInfo(key, info); rc != kErrorSuccess)
            return rc;
        std::wstring name(info.maxValueName + 1, L'\0');
        std::vector<std::uint8_t> data(std::max<DWORD>(info.maxValueData, 1));
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        const LSTATUS status = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status == ERROR_MORE_DATA)
            continue; // a value grew since the sizes were read: read them again
        if (status != ERROR_SUCCESS)
            return Code(status);
        data.resize(size);
        found.push_back({Narrow(std::wstring_view(name.data(), nameLength)), type, std::move(data)});
        ++index;
    }
    values = std::move(found);
    return kErrorSuccess;
}

ErrorCode OpenNative(RegistryRoot root, const std::string& path, REGSAM access, std::shared_ptr<void>& handle) {
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyExW(RootHandle(root), Wide(path).c_str(), 0, access | kView, &opened);
    if (status != ERROR_SUCCESS)
        return Code(status);
    handle = Own(opened);
    return kErrorSuccess;
}

ErrorCode CreateNative(RegistryRoot root, const std::string& path, REGSAM access, std::shared_ptr<void>& handle,
                       bool* created) {
    HKEY opened = nullptr;
    DWORD disposition = 0;
    const LSTATUS status = RegCreateKeyExW(RootHandle(root), Wide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           access | kView, nullptr, &opened, &disposition);
    if (status != ERROR_SUCCESS)
        return Code(status);
    handle = Own(opened);
    if (created)
        *created = disposition == REG_CREATED_NEW_KEY;
    return kErrorSuccess;
}

ErrorCode DeleteNative(RegistryRoot root, const std::string& path) {
    std::shared_ptr<void> handle;
    if (const ErrorCode rc =
            OpenNative(root, path, DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE, handle);
        rc != kErrorSuccess)
        return rc;
    if (const LSTATUS status = RegDeleteTreeW(Handle(handle), nullptr); status != ERROR_SUCCESS)
        return Code(status);
    handle.reset();
    return Code(RegDeleteKeyExW(RootHandle(root), Wide(path).c_str(), kView, 0));
}

// Copies the key and everything below it into `hive`, under the same paths.
ErrorCode CopyInto(HKEY key, const std::string& path, Hive& hive) {
    std::vector<RegistryValue> values;
    if (const ErrorCode rc = EnumerateValues(key, values); rc != kErrorSuccess)
        return rc;
    HiveKey& copy = hive.Create(path);
    for (auto& value : values)
        copy.SetValue(std::move(value));
    std::vector<std::string> names;
    if (const ErrorCode rc = EnumerateSubKeys(key, names); rc != kErrorSuccess)
        return rc;
    for (const auto& name : names) {
        HKEY sub = nullptr;
        const LSTATUS status = RegOpenKeyExW(key, Wide(name).c_str(), 0, KEY_READ | kView, &sub);
        if (status != ERROR_SUCCESS)
            return Code(status);
        const auto owned = Own(sub);
        if (const ErrorCode rc = CopyInto(sub, path.empty() ? name : path + "\\" + name, hive); rc != kErrorSuccess)
            return rc;
    }
    return kErrorSuccess;
}

} // namespace

// ---- RegistryKey ----

ErrorCode RegistryKey::Check(AccessMask) const {
    return FRegistry == nullptr || !FHandle ? kErrorInvalidHandle : kErrorSuccess;
}

ErrorCode RegistryKey::QueryValue(std::string_view name, RegistryValue& value) const {
    if (const ErrorCode rc = Check(kKeyQueryValue); rc != kErrorSuccess)
        return rc;
    RegistryValue read;
    read.name = std::string(name);
    if (const ErrorCode rc = ReadValue(Handle(FHandle), Wide(name), read); rc != kErrorSuccess)
        return rc;
    value = std::move(read);
    return kErrorSuccess;
}

ErrorCode RegistryKey::SetValue(const RegistryValue& value) {
    if (const ErrorCode rc = Check(kKeySetValue); rc != kErrorSuccess)
        return rc;
    if (!IsValidValueName(value.name))
        return kErrorInvalidParameter;
    return Code(RegSetValueExW(Handle(FHandle), Wide(value.name).c_str(), 0, value.type,
                               value.data.empty() ? nullptr : value.data.data(),
                               static_cast<DWORD>(value.data.size())));
}

ErrorCode RegistryKey::DeleteValue(std::string_view name) {
    if (const ErrorCode rc = Check(kKeySetValue); rc != kErrorSuccess)
        return rc;
    return Code(RegDeleteValueW(Handle(FHandle), Wide(name).c_str()));
}

ErrorCode RegistryKey::EnumSubKeys(std::vector<std::string>& names) const {
    if (const ErrorCode rc = Check(kKeyEnumerateSubKeys); rc != kErrorSuccess)
        return rc;
    return EnumerateSubKeys(Handle(FHandle), names);
}

ErrorCode RegistryKey::EnumValues(std::vector<RegistryValue>& values) const {
    if (const ErrorCode rc = Check(kKeyQueryValue); rc != kErrorSuccess)
        return rc;
    return EnumerateValues(Handle(FHandle), values);
}

ErrorCode RegistryKey::QueryInfo(std::size_t& subKeyCount, std::size_t& valueCount) const {
    if (const ErrorCode rc = Check(kKeyQueryValue); rc != kErrorSuccess)
        return rc;
    KeyInfo info;
    if (const ErrorCode rc = QueryKeyInfo(Handle(FHandle), info); rc != kErrorSuccess)
        return rc;
    subKeyCount = info.subKeys;
    valueCount = info.values;
    return kErrorSuccess;
}

// ---- Registry ----

Registry::Registry(std::filesystem::path folder, std::uintmax_t)
    : FFolder(std::move(folder)) {}

ErrorCode Registry::OpenNormalized(RegistryRoot root, const std::string& path, AccessMask access,
                                   std::shared_ptr<void>& handle) {
    return OpenNative(root, path, access, handle);
}

ErrorCode Registry::CreateNormalized(RegistryRoot root, const std::string& path, AccessMask access,
                                     std::shared_ptr<void>& handle, bool* created) {
    return CreateNative(root, path, access, handle, created);
}

ErrorCode Registry::DeleteNormalized(RegistryRoot root, const std::string& path) {
    return DeleteNative(root, path);
}

// Section by section, as regedit does: a section that fails stops the import, the sections
// before it stay applied. The access marks of the emulated machine's `.reg` files mean nothing
// here and are ignored.
ErrorCode Registry::Import(const RegFileDocument& document) {
    for (const auto& section : document.sections) {
        const auto normalized = NormalizeKeyPath(section.path);
        if (!normalized)
            return kErrorBadPathname;
        if (section.removeKey) {
            const ErrorCode rc = DeleteNative(section.root, *normalized);
            if (rc != kErrorSuccess && rc != kErrorFileNotFound) // regedit ignores a missing key
                return rc;
            continue;
        }
        RegistryKey key;
        if (const ErrorCode rc = CreateKey(section.root, *normalized, kKeyAllAccess, key); rc != kErrorSuccess)
            return rc;
        for (const auto& value : section.values) {
            const ErrorCode rc = value.remove ? key.DeleteValue(value.value.name) : key.SetValue(value.value);
            if (rc != kErrorSuccess && !(value.remove && rc == kErrorFileNotFound))
                return rc;
        }
    }
    return kErrorSuccess;
}

ErrorCode Registry::ReadSubtree(RegistryRoot root, const std::string& path, std::shared_ptr<const Hive>& hive) {
    std::shared_ptr<void> handle;
    if (const ErrorCode rc = OpenNative(root, path, KEY_READ, handle); rc != kErrorSuccess)
        return rc;
    auto copy = std::make_shared<Hive>();
    if (const ErrorCode rc = CopyInto(Handle(handle), path, *copy); rc != kErrorSuccess)
        return rc;
    hive = std::move(copy);
    return kErrorSuccess;
}

} // namespace platform

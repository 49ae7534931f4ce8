#pragma once

// The registry: HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER. The calls follow the Win32 registry
// API: they return Windows error codes (0 success, 2 no such key or value, 5 access denied, ...)
// so that callers can tell a missing key from one they may not open.
//
// On Linux (Registry.cpp) it is the registry of the emulated machine: each hive a `.reg` file in
// the machine's registry folder; a hive file that cannot be parsed throws RegFileError (file and
// line) and is never overwritten. On Windows (RegistryWin32.cpp) it is the system's own registry,
// through the Reg*W calls in the 64-bit view; the folder is not used, and the members that exist
// only for hive files (HiveFilePath, CreateMissingHives, FoldLogs, SetKeyAccess, Read, Modify)
// are not built.

#include "platform/registry/HiveFile.h"
#include "platform/registry/RegFile.h"

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class Registry;

// An open key: the root, the path and the rights granted when it was opened (RegOpenKeyEx's
// HKEY). Every call reads the hive as it is at that moment; a key deleted since gives 1018.
class RegistryKey {
public:
    RegistryKey() = default;

    bool IsOpen() const { return FRegistry != nullptr; }
    RegistryRoot Root() const { return FRoot; }
    const std::string& Path() const { return FPath; }
    AccessMask Access() const { return FAccess; }
    void Close() {
        FRegistry = nullptr;
        FHandle.reset();
    }

    // RegQueryValueEx: 2 when the value does not exist.
    ErrorCode QueryValue(std::string_view name, RegistryValue& value) const;
    // RegSetValueEx: the value's name says which value ("" the default one).
    ErrorCode SetValue(const RegistryValue& value);
    // RegDeleteValue: 2 when the value does not exist.
    ErrorCode DeleteValue(std::string_view name);
    // RegEnumKeyEx / RegEnumValue in one call: sub-key names in name order, values in their order.
    ErrorCode EnumSubKeys(std::vector<std::string>& names) const;
    ErrorCode EnumValues(std::vector<RegistryValue>& values) const;
    // RegQueryInfoKey: the numbers of sub-keys and of values.
    ErrorCode QueryInfo(std::size_t& subKeyCount, std::size_t& valueCount) const;

private:
    friend class Registry;

    ErrorCode Check(AccessMask needed) const;
    const HiveKey* FindKey(const Hive& hive) const;

    Registry* FRegistry = nullptr;
    RegistryRoot FRoot = RegistryRoot::CurrentUser;
    std::string FPath;
    AccessMask FAccess = 0;
    // The system's handle of the key where the registry is the system's own (closed with the
    // last copy of the key); empty over hive files.
    std::shared_ptr<void> FHandle;
};

// One object may serve several threads. Open keys point to it: it must outlive them, and it
// does not move.
class Registry {
public:
    // `folder` holds HKEY_LOCAL_MACHINE.reg and HKEY_CURRENT_USER.reg (missing files are empty hives).
    // `maxHiveSize`: the size above which a hive file is neither read nor written.
    explicit Registry(std::filesystem::path folder, std::uintmax_t maxHiveSize = kMaxHiveFileSize);
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    const std::filesystem::path& Folder() const { return FFolder; }
    std::filesystem::path HiveFilePath(RegistryRoot root) const;
    static std::string HiveFileName(RegistryRoot root); // "HKEY_CURRENT_USER.reg"

    // Writes an empty hive for each root that has no file yet.
    void CreateMissingHives();
    // Folds each hive's log into its file, whatever its size (the destructor folds a log past
    // kLogCloseFoldSize only: see HiveFile).
    void FoldLogs();

    // RegOpenKeyEx. 0 and an open key; 2 when the key does not exist; 5 when the key denies the
    // rights asked (see docs/registry.md); 161 for a path that is not a key path (a leading
    // backslash, an empty name, a name of more than 255 characters).
    ErrorCode OpenKey(RegistryRoot root, std::string_view path, AccessMask access, RegistryKey& key);
    // RegCreateKeyEx: opens the key, creating it and its missing parents first. 5 when the key
    // exists and denies the rights asked, or when it is missing and its nearest existing parent
    // denies writing (creating a sub-key needs that right).
    ErrorCode CreateKey(RegistryRoot root, std::string_view path, AccessMask access, RegistryKey& key,
                        bool* created = nullptr);
    // RegDeleteTree then RegDeleteKey: the key and everything below it. 2 when it does not exist;
    // 5 when it or a key below it denies writing (nothing is deleted then); 87 for a root itself.
    ErrorCode DeleteKey(RegistryRoot root, std::string_view path);

    // Marks a key (created when missing) as denying reading and/or writing, or clears the marks.
    // For tests and the machine tool; the marks live in the hive file (docs/registry.md).
    void SetKeyAccess(RegistryRoot root, std::string_view path, bool denyRead, bool denyWrite);

    // Applies a parsed `.reg` file ([-KEY] and "name"=- included), each hive in one locked write.
    // 5 when a key it changes denies writing: that hive is then left unchanged.
    ErrorCode Import(const RegFileDocument& document);
    // The key and everything below it as a version 5.00 `.reg` file (UTF-16LE). 2 when the key
    // does not exist; 5 when it or a key below it denies reading.
    ErrorCode Export(RegistryRoot root, std::string_view path, std::vector<std::uint8_t>& bytes);

    // The hive as its file and its log hold it now (cached on the files' identities).
    std::shared_ptr<const Hive> Read(RegistryRoot root);
    // The keys of `scope` (see HiveScope), or the whole hive when it is cached and current.
    std::shared_ptr<const Hive> Read(RegistryRoot root, const HiveScope& scope);
    // A change made under the hive's lock on a fresh read (see HiveFile::Modify), of the whole hive
    // or of the keys of `scope`.
    ErrorCode Modify(RegistryRoot root, const std::function<ErrorCode(Hive&)>& change);
    ErrorCode Modify(RegistryRoot root, const HiveScope& scope, const std::function<ErrorCode(Hive&)>& change);

private:
    // The backend's part of OpenKey, CreateKey (which opens the key too) and DeleteKey, on a
    // normalized path; `handle` is the system's handle of the key, none over hive files.
    ErrorCode OpenNormalized(RegistryRoot root, const std::string& path, AccessMask access,
                             std::shared_ptr<void>& handle);
    ErrorCode CreateNormalized(RegistryRoot root, const std::string& path, AccessMask access,
                               std::shared_ptr<void>& handle, bool* created);
    ErrorCode DeleteNormalized(RegistryRoot root, const std::string& path);
    // The backend's part of Export: a hive holding the key and everything below it, which may be
    // read; 2 when the key does not exist, 5 when it or a key below it denies reading.
    ErrorCode ReadSubtree(RegistryRoot root, const std::string& path, std::shared_ptr<const Hive>& hive);
    // Makes `key` the key just opened.
    void Opened(RegistryKey& key, RegistryRoot root, const std::string& path, AccessMask access,
                std::shared_ptr<void> handle);

    HiveFile& File(RegistryRoot root);

    std::filesystem::path FFolder;
    // Shared so that a backend that has no hive files never needs to destroy one.
    std::array<std::shared_ptr<HiveFile>, 2> FHives;
};

} // namespace platform

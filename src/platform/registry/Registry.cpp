#include "platform/registry/Registry.h"

#include <algorithm>

namespace platform {

namespace {

bool Denies(const HiveKey& key, AccessMask access) {
    return (key.denyRead && (access & kReadingRights) != 0) || (key.denyWrite && (access & kWritingRights) != 0);
}

bool AnyDenies(const Hive& hive, std::string_view path, bool HiveKey::*mark) {
    const auto keys = hive.Subtree(path);
    return std::any_of(keys.begin(), keys.end(), [&](const HiveKey* key) { return key->*mark; });
}

// The nearest key that exists at or above `path`.
const HiveKey& NearestExisting(const Hive& hive, std::string_view path) {
    while (true) {
        if (const HiveKey* key = hive.Find(path))
            return *key;
        const auto slash = path.rfind('\\');
        path = slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
    }
}

// Creating a key needs the right to write the nearest existing key above it.
ErrorCode CreateIn(Hive& hive, std::string_view path, bool* created) {
    if (!hive.Find(path) && NearestExisting(hive, path).denyWrite)
        return kErrorAccessDenied;
    hive.Create(path, created);
    return kErrorSuccess;
}

ErrorCode ImportSection(Hive& hive, const RegFileSection& section) {
    if (section.removeKey) {
        if (!hive.Find(section.path))
            return kErrorSuccess; // regedit ignores the deletion of a missing key
        if (AnyDenies(hive, section.path, &HiveKey::denyWrite))
            return kErrorAccessDenied;
        hive.Delete(section.path);
        return kErrorSuccess;
    }
    if (const ErrorCode rc = CreateIn(hive, section.path, nullptr); rc != kErrorSuccess)
        return rc;
    HiveKey& key = *hive.Find(section.path);
    if (key.denyWrite && !section.values.empty())
        return kErrorAccessDenied;
    ApplyMarksAndValues(key, section);
    return kErrorSuccess;
}

} // namespace

// ---- RegistryKey ----

ErrorCode RegistryKey::Check(AccessMask needed) const {
    if (FRegistry == nullptr)
        return kErrorInvalidHandle;
    return (FAccess & needed) == needed ? kErrorSuccess : kErrorAccessDenied;
}

const HiveKey* RegistryKey::FindKey(const Hive& hive) const {
    return hive.Find(FPath);
}

ErrorCode RegistryKey::QueryValue(std::string_view name, RegistryValue& value) const {
    if (const ErrorCode rc = Check(kKeyQueryValue); rc != kErrorSuccess)
        return rc;
    const auto hive = FRegistry->Read(FRoot, HiveScope{FPath});
    const HiveKey* key = FindKey(*hive);
    if (key == nullptr)
        return kErrorKeyDeleted;
    const RegistryValue* found = key->FindValue(name);
    if (found == nullptr)
        return kErrorFileNotFound;
    value = *found;
    return kErrorSuccess;
}

ErrorCode RegistryKey::SetValue(const RegistryValue& value) {
    if (const ErrorCode rc = Check(kKeySetValue); rc != kErrorSuccess)
        return rc;
    if (!IsValidValueName(value.name))
        return kErrorInvalidParameter;
    return FRegistry->Modify(FRoot, HiveScope{FPath}, [&](Hive& hive) {
        HiveKey* key = hive.Find(FPath);
        if (key == nullptr)
            return kErrorKeyDeleted;
        key->SetValue(value);
        return kErrorSuccess;
    });
}

ErrorCode RegistryKey::DeleteValue(std::string_view name) {
    if (const ErrorCode rc = Check(kKeySetValue); rc != kErrorSuccess)
        return rc;
    return FRegistry->Modify(FRoot, HiveScope{FPath}, [&](Hive& hive) {
        HiveKey* key = hive.Find(FPath);
        if (key == nullptr)
            return kErrorKeyDeleted;
        return key->DeleteValue(name) ? kErrorSuccess : kErrorFileNotFound;
    });
}

ErrorCode RegistryKey::EnumSubKeys(std::vector<std::string>& names) const {
    if (const ErrorCode rc = Check(kKeyEnumerateSubKeys); rc != kErrorSuccess)
        return rc;
    const auto hive = FRegistry->Read(FRoot, HiveScope{FPath, true});
    if (FindKey(*hive) == nullptr)
        return kErrorKeyDeleted;
    names.clear();
    for (const HiveKey* sub : hive->SubKeys(FPath))
        names.push_back(sub->Name());
    return kErrorSuccess;
}

ErrorCode RegistryKey::EnumValues(std::vector<RegistryValue>& values) const {
    if (const ErrorCode rc = Check(kKeyQueryValue); rc != kErrorSuccess)
        return rc;
    const auto hive = FRegistry->Read(FRoot, HiveScope{FPath});
    const HiveKey* key = FindKey(*hive);
    if (key == nullptr)
        return kErrorKeyDeleted;
    values = key->values;
    return kErrorSuccess;
}

ErrorCode RegistryKey::QueryInfo(std::size_t& subKeyCount, std::size_t& valueCount) const {
    if (const ErrorCode rc = Check(kKeyQueryValue); rc != kErrorSuccess)
        return rc;
    const auto hive = FRegistry->Read(FRoot, HiveScope{FPath, true});
    const HiveKey* key = FindKey(*hive);
    if (key == nullptr)
        return kErrorKeyDeleted;
    subKeyCount = hive->SubKeys(FPath).size();
    valueCount = key->values.size();
    return kErrorSuccess;
}

// ---- Registry ----

Registry::Registry(std::filesystem::path folder, std::uintmax_t maxHiveSize)
    : FFolder(std::move(folder)) {
    for (const RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser})
        FHives[static_cast<std::size_t>(root)] = std::make_shared<HiveFile>(HiveFilePath(root), root, maxHiveSize);
}

std::filesystem::path Registry::HiveFilePath(RegistryRoot root) const {
    return FFolder / HiveFileName(root);
}

void Registry::FoldLogs() {
    for (const auto& hive : FHives)
        hive->Fold();
}

HiveFile& Registry::File(RegistryRoot root) {
    return *FHives[static_cast<std::size_t>(root)];
}

void Registry::CreateMissingHives() {
    for (const auto& hive : FHives)
        hive->CreateIfMissing();
}

std::shared_ptr<const Hive> Registry::Read(RegistryRoot root) {
    return File(root).Load();
}

std::shared_ptr<const Hive> Registry::Read(RegistryRoot root, const HiveScope& scope) {
    return File(root).Load(scope);
}

ErrorCode Registry::Modify(RegistryRoot root, const std::function<ErrorCode(Hive&)>& change) {
    return File(root).Modify(change);
}

ErrorCode Registry::Modify(RegistryRoot root, const HiveScope& scope, const std::function<ErrorCode(Hive&)>& change) {
    return File(root).Modify(scope, change);
}

ErrorCode Registry::OpenNormalized(RegistryRoot root, const std::string& path, AccessMask access,
                                   std::shared_ptr<void>&) {
    // A key opened to be written reads its own key and those above it; one opened for reading
    // alone reads the whole hive (and keeps it for the calls that follow).
    const auto hive = (access & kWritingRights) != 0 ? Read(root, HiveScope{path}) : Read(root);
    const HiveKey* found = hive->Find(path);
    if (found == nullptr)
        return kErrorFileNotFound;
    if (Denies(*found, access))
        return kErrorAccessDenied;
    return kErrorSuccess;
}

ErrorCode Registry::CreateNormalized(RegistryRoot root, const std::string& path, AccessMask access,
                                     std::shared_ptr<void>& handle, bool* created) {
    // An existing key opens without taking the lock.
    if (Read(root, HiveScope{path})->Find(path) == nullptr) {
        const ErrorCode rc = Modify(root, HiveScope{path}, [&](Hive& hive) { return CreateIn(hive, path, created); });
        if (rc != kErrorSuccess)
            return rc;
    }
    return OpenNormalized(root, path, access, handle);
}

ErrorCode Registry::DeleteNormalized(RegistryRoot root, const std::string& path) {
    return Modify(root, HiveScope{path, true}, [&](Hive& hive) {
        if (hive.Find(path) == nullptr)
            return kErrorFileNotFound;
        if (AnyDenies(hive, path, &HiveKey::denyWrite))
            return kErrorAccessDenied;
        hive.Delete(path);
        return kErrorSuccess;
    });
}

void Registry::SetKeyAccess(RegistryRoot root, std::string_view path, bool denyRead, bool denyWrite) {
    const auto normalized = NormalizeKeyPath(path);
    if (!normalized)
        throw std::invalid_argument("Invalid registry key path: " + std::string(path));
    Modify(root, HiveScope{*normalized}, [&](Hive& hive) {
        HiveKey& key = hive.Create(*normalized);
        key.denyRead = denyRead;
        key.denyWrite = denyWrite;
        return kErrorSuccess;
    });
}

ErrorCode Registry::Import(const RegFileDocument& document) {
    for (const RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser}) {
        const bool touches = std::any_of(document.sections.begin(), document.sections.end(),
                                         [&](const RegFileSection& section) { return section.root == root; });
        if (!touches)
            continue;
        const ErrorCode rc = Modify(root, [&](Hive& hive) {
            for (const auto& section : document.sections) {
                if (section.root != root)
                    continue;
                if (const ErrorCode sectionRc = ImportSection(hive, section); sectionRc != kErrorSuccess)
                    return sectionRc;
            }
            return kErrorSuccess;
        });
        if (rc != kErrorSuccess)
            return rc;
    }
    return kErrorSuccess;
}

ErrorCode Registry::ReadSubtree(RegistryRoot root, const std::string& path, std::shared_ptr<const Hive>& hive) {
    hive = Read(root);
    if (hive->Find(path) == nullptr)
        return kErrorFileNotFound;
    if (AnyDenies(*hive, path, &HiveKey::denyRead))
        return kErrorAccessDenied;
    return kErrorSuccess;
}

} // namespace platform

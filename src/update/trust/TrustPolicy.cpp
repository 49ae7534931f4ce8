#include "update/trust/TrustPolicy.h"

#include "platform/registry/Registry.h"
#include "update/package/PackageError.h"

namespace update::trust {

namespace {

using package::PackageError;

PackageError RegistryFailure(std::string_view what, platform::ErrorCode code) {
    return PackageError("Impossible de " + std::string(what) + " la politique de confiance du poste (" +
                        std::string(kTrustPolicyKey) + ", erreur " + std::to_string(code) + ").");
}

std::optional<platform::RegistryValue> Query(const std::filesystem::path& folder, const char* key,
                                             std::string_view name) {
    platform::Registry registry(folder);
    platform::RegistryKey opened;
    platform::ErrorCode code = registry.OpenKey(platform::RegistryRoot::LocalMachine, key, platform::kKeyRead, opened);
    if (code == platform::kErrorFileNotFound) {
        return std::nullopt;
    }
    if (code != platform::kErrorSuccess) {
        throw RegistryFailure("lire", code);
    }
    platform::RegistryValue value;
    code = opened.QueryValue(name, value);
    if (code == platform::kErrorFileNotFound) {
        return std::nullopt;
    }
    if (code != platform::kErrorSuccess) {
        throw RegistryFailure("lire", code);
    }
    return value;
}

void Set(const std::filesystem::path& folder, const char* key, const platform::RegistryValue& value) {
    platform::Registry registry(folder);
    platform::RegistryKey opened;
    platform::ErrorCode code =
        registry.CreateKey(platform::RegistryRoot::LocalMachine, key, platform::kKeyAllAccess, opened);
    if (code == platform::kErrorSuccess) {
        code = opened.SetValue(value);
    }
    if (code != platform::kErrorSuccess) {
        throw RegistryFailure("écrire", code);
    }
}

} // namespace

TrustPolicy::TrustPolicy(const std::filesystem::path& prefix)
    : FRegistryFolder(prefix / "registry") {}

std::optional<bool> TrustPolicy::RequireSignatures() const {
    const auto value = Query(FRegistryFolder, kTrustPolicyKey, kRequireSignaturesValue);
    if (!value) {
        return std::nullopt;
    }
    const auto number = value->type == platform::kRegDword ? platform::DataAsDword(value->data) : std::nullopt;
    if (!number) {
        // A value that says neither: the safe reading.
        return true;
    }
    return *number != 0;
}

void TrustPolicy::SetRequireSignatures(bool required) const {
    Set(FRegistryFolder, kTrustPolicyKey, platform::MakeDwordValue(kRequireSignaturesValue, required ? 1 : 0));
}

std::optional<std::int64_t> TrustPolicy::NewestApplied(const crypto::KeyId& key) const {
    const auto value = Query(FRegistryFolder, kNewestPackageKey, crypto::DigestHex(key));
    if (!value) {
        return std::nullopt;
    }
    const auto number = value->type == platform::kRegQword ? platform::DataAsQword(value->data) : std::nullopt;
    if (!number) {
        throw PackageError("La date du dernier paquet appliqué pour la clé " + crypto::DigestHex(key) +
                           " est illisible dans " + std::string(kNewestPackageKey) + ".");
    }
    return static_cast<std::int64_t>(*number);
}

void TrustPolicy::RecordApplied(const crypto::KeyId& key, std::int64_t signingTime) const {
    const auto newest = NewestApplied(key);
    if (newest && *newest >= signingTime) {
        return;
    }
    Set(FRegistryFolder, kNewestPackageKey,
        platform::MakeQwordValue(crypto::DigestHex(key), static_cast<std::uint64_t>(signingTime)));
}

} // namespace update::trust

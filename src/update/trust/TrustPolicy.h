#pragma once

// What a machine has decided about signatures, kept in its registry where an administrator of
// the machine finds it (HKEY_LOCAL_MACHINE\SOFTWARE\Quarnel\Update\Trust, see docs/machine.md):
//
//   RequireSignatures   REG_DWORD  1: only packages signed by a trusted key are applied (set by
//                                  the first key trusted); 0: turned off by an administrator.
//                                  Absent on a machine that never trusted a key.
//   NewestPackage\<key identifier, 64 hexadecimal digits>
//                       REG_QWORD  the signing time (seconds since 1970-01-01 UTC) of the newest
//                                  package signed by that key that the machine applied.

#include "update/trust/crypto/Crypto.h"

#include <cstdint>
#include <filesystem>
#include <optional>

namespace update::trust {

inline constexpr const char* kTrustPolicyKey = "SOFTWARE\\Quarnel\\Update\\Trust";
inline constexpr const char* kNewestPackageKey = "SOFTWARE\\Quarnel\\Update\\Trust\\NewestPackage";
inline constexpr const char* kRequireSignaturesValue = "RequireSignatures";

class TrustPolicy {
public:
    explicit TrustPolicy(const std::filesystem::path& prefix);

    // The recorded decision; nothing when none was ever recorded. Throws PackageError when the
    // registry cannot be read.
    std::optional<bool> RequireSignatures() const;
    void SetRequireSignatures(bool required) const;

    std::optional<std::int64_t> NewestApplied(const crypto::KeyId& key) const;
    // Keeps the later of `signingTime` and what was recorded.
    void RecordApplied(const crypto::KeyId& key, std::int64_t signingTime) const;

private:
    std::filesystem::path FRegistryFolder;
};

} // namespace update::trust

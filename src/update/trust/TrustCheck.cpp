#include "update/trust/TrustCheck.h"

#include "update/package/PackageError.h"
#include "update/trust/PackageSigning.h"
#include "update/trust/TrustPolicy.h"

#include <algorithm>
#include <ctime>

namespace update::trust {

using namespace update::package;

namespace {

PackageError Refused(const std::string& reason) {
    return PackageError("Le paquet de mise à jour est refusé : " + reason +
                        " Ce poste n'applique que les mises à jour signées par une clé de confiance.");
}

std::string KeyList(const std::vector<SignatureRecord>& records) {
    std::string text;
    for (const auto& record : records) {
        const std::string id = ShortKeyId(record.keyId);
        if (text.find(id) == std::string::npos) {
            text += (text.empty() ? "" : ", ") + id;
        }
    }
    return text;
}

std::vector<SignatureRecord> RecordsOf(const PackageReader& reader, const KeyId& key) {
    std::vector<SignatureRecord> records;
    for (const auto& record : reader.Signatures()) {
        if (record.keyId == key) {
            records.push_back(record);
        }
    }
    return records;
}

// The keys of the machine of `prefix` when it requires signatures; nothing when it does not. A store
// that cannot be read, or a machine that requires signatures and trusts no key, refuses every package.
std::optional<std::vector<TrustedKey>> RequiredKeys(const TrustPolicy& policy, const std::filesystem::path& prefix) {
    const std::optional<bool> recorded = policy.RequireSignatures();
    if (recorded == false) {
        return std::nullopt; // turned off by an administrator
    }
    std::vector<TrustedKey> trusted;
    try {
        trusted = TrustedKeys(prefix).List();
    } catch (const PackageError& error) {
        throw Refused(std::string("la réserve des clés de confiance ne peut pas être lue. ") + error.what());
    }
    if (!recorded.value_or(!trusted.empty())) {
        return std::nullopt;
    }
    if (trusted.empty()) {
        throw Refused("aucune clé n'est de confiance sur ce poste, qui exige pourtant des paquets signés "
                      "(quarnel-machine trust add, ou trust off pour ne plus l'exiger).");
    }
    return trusted;
}

} // namespace

std::string UtcTime(std::int64_t seconds) {
    const auto time = static_cast<std::time_t>(seconds);
    std::tm utc{};
    char text[32] = "?";
    if (::gmtime_r(&time, &utc) != nullptr) {
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &utc);
    }
    return text;
}

void RefuseUnknownSigners(const PackageReader& reader, const std::vector<TrustedKey>& trusted) {
    if (trusted.empty()) {
        return;
    }
    const auto& signatures = reader.Signatures();
    if (signatures.empty()) {
        throw Refused("il n'est pas signé.");
    }
    for (const auto& key : trusted) {
        if (!RecordsOf(reader, key.id).empty()) {
            return; // judged once the package is checked
        }
    }
    throw Refused("il est signé par une clé inconnue de ce poste (" + KeyList(signatures) + ").");
}

std::optional<AcceptedSignature> RequireTrustedSignature(const PackageReader& reader,
                                                         const std::vector<TrustedKey>& trusted) {
    RefuseUnknownSigners(reader, trusted);
    if (trusted.empty()) {
        return std::nullopt;
    }
    std::vector<SignatureRecord> broken;
    std::vector<SignatureRecord> notCovering;
    for (const auto& key : trusted) {
        const KeyVerdict verdict = JudgeKey(reader, key.key);
        switch (verdict.kind) {
        case KeyVerdict::Kind::Holds:
            return AcceptedSignature{key.id, verdict.newest->signingTime};
        case KeyVerdict::Kind::Broken:
            for (const auto& record : RecordsOf(reader, key.id))
                broken.push_back(record);
            break;
        case KeyVerdict::Kind::NotCoveringProgram:
            for (const auto& record : RecordsOf(reader, key.id))
                notCovering.push_back(record);
            break;
        case KeyVerdict::Kind::NotSigned:
            break;
        }
    }
    if (!broken.empty()) {
        throw Refused("la signature de la clé " + KeyList(broken) +
                      " est rompue, le paquet a été modifié après sa signature.");
    }
    if (!notCovering.empty()) {
        throw Refused("la signature de la clé " + KeyList(notCovering) +
                      " est d'une forme antérieure qui ne couvre pas le programme placé devant le paquet ; "
                      "signez-le de nouveau (quarnel-pack --sign).");
    }
    throw Refused("il est signé par une clé inconnue de ce poste (" + KeyList(reader.Signatures()) + ").");
}

void RefuseUnknownSigners(const PackageReader& reader, const std::filesystem::path& prefix) {
    if (const auto trusted = RequiredKeys(TrustPolicy(prefix), prefix)) {
        RefuseUnknownSigners(reader, *trusted);
    }
}

void RequireTrustedSignature(const PackageReader& reader, const std::filesystem::path& prefix,
                             const MachineTrustOptions& options) {
    const TrustPolicy policy(prefix);
    const auto trusted = RequiredKeys(policy, prefix);
    if (!trusted) {
        return;
    }
    const auto accepted = RequireTrustedSignature(reader, *trusted);
    const auto newest = policy.NewestApplied(accepted->keyId);
    if (newest && accepted->signingTime < *newest && !options.allowOlder) {
        throw Refused("il a été signé le " + UtcTime(accepted->signingTime) + ", avant le dernier paquet de la clé " +
                      ShortKeyId(accepted->keyId) + " appliqué sur ce poste, signé le " + UtcTime(*newest) +
                      " (quarnel-update --allow-older pour l'accepter).");
    }
}

void RecordCheckedPackage(const PackageReader& reader, const std::filesystem::path& prefix) {
    const TrustPolicy policy(prefix);
    if (const auto trusted = RequiredKeys(policy, prefix)) {
        if (const auto accepted = RequireTrustedSignature(reader, *trusted)) {
            policy.RecordApplied(accepted->keyId, accepted->signingTime);
        }
    }
}

std::optional<std::string> UnsignedPackageNote(const PackageReader& reader) {
    if (!reader.Signatures().empty()) {
        return std::nullopt;
    }
    return "Attention : le paquet de mise à jour n'est pas signé, son origine n'a pas été vérifiée.";
}

std::optional<std::string> AllowOlderNote(const MachineTrustOptions& options) {
    if (!options.allowOlder) {
        return std::nullopt;
    }
    return "Attention : l'option --allow-older a été donnée, un paquet signé avant le dernier paquet appliqué "
           "sur ce poste est accepté.";
}

} // namespace update::trust

#include "update/trust/TrustCheck.h"

#include "update/package/PackageError.h"
#include "update/trust/PackageSigning.h"

#include <algorithm>

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
        text += (text.empty() ? "" : ", ") + ShortKeyId(record.keyId);
    }
    return text;
}

} // namespace

void RequireTrustedSignature(const PackageReader& reader, const std::vector<TrustedKey>& trusted) {
    if (trusted.empty()) {
        return;
    }
    const auto& signatures = reader.Signatures();
    if (signatures.empty()) {
        throw Refused("il n'est pas signé.");
    }
    std::vector<SignatureRecord> broken;
    for (const auto& record : signatures) {
        const auto key = std::find_if(trusted.begin(), trusted.end(),
                                      [&](const TrustedKey& candidate) { return candidate.id == record.keyId; });
        if (key == trusted.end()) {
            continue;
        }
        if (SignatureHolds(reader, record, key->key)) {
            return;
        }
        broken.push_back(record);
    }
    if (!broken.empty()) {
        throw Refused("la signature de la clé " + KeyList(broken) +
                      " est rompue, le paquet a été modifié après sa signature.");
    }
    throw Refused("il est signé par une clé inconnue de ce poste (" + KeyList(signatures) + ").");
}

void RequireTrustedSignature(const PackageReader& reader, const std::filesystem::path& prefix) {
    RequireTrustedSignature(reader, TrustedKeys(prefix).List());
}

std::optional<std::string> UnsignedPackageNote(const PackageReader& reader) {
    if (!reader.Signatures().empty()) {
        return std::nullopt;
    }
    return "Attention : le paquet de mise à jour n'est pas signé, son origine n'a pas été vérifiée.";
}

} // namespace update::trust

#include "SignCommands.h"

#include "Passphrase.h"
#include "update/package/PackageError.h"
#include "update/trust/PackageSigning.h"

#include <algorithm>
#include <ctime>

namespace quarnelpack {

using namespace update::package;
using namespace update::trust;

namespace {

std::string UtcTime(std::int64_t seconds) {
    const auto time = static_cast<std::time_t>(seconds);
    std::tm utc{};
    char text[32] = "?";
    if (::gmtime_r(&time, &utc) != nullptr) {
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &utc);
    }
    return text;
}

std::vector<const PrivateKey*> Pointers(const std::vector<PrivateKey>& keys) {
    std::vector<const PrivateKey*> pointers;
    for (const auto& key : keys) {
        pointers.push_back(&key);
    }
    return pointers;
}

} // namespace

std::vector<PrivateKey> LoadSigningKeys(const std::vector<std::filesystem::path>& files,
                                        const std::optional<std::filesystem::path>& passphraseFile) {
    std::vector<PrivateKey> keys;
    for (const auto& file : files) {
        keys.push_back(PrivateKey::FromPemFile(file, PassphraseFor(file, passphraseFile)));
    }
    return keys;
}

std::int64_t SigningTimeNow() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

void SignPackage(const std::filesystem::path& package, const std::vector<PrivateKey>& keys) {
    AddSignatures(package, Pointers(keys), SigningTimeNow());
}

void ListSignatures(const PackageReader& reader, std::ostream& out) {
    for (const auto& record : reader.Signatures()) {
        out << "signature\t" << DigestHex(record.keyId) << '\t' << UtcTime(record.signingTime) << '\n';
    }
}

bool VerifyPackage(const std::filesystem::path& package, const std::optional<std::filesystem::path>& key,
                   std::ostream& out, std::ostream& err) {
    const std::optional<PublicKey> wanted = key ? std::optional(PublicKey::FromPemFile(*key)) : std::nullopt;
    const PackageReader reader(package);
    const auto checks = CheckSignatures(reader);
    for (const auto& check : checks) {
        out << "signature\t" << DigestHex(check.record.keyId) << '\t' << UtcTime(check.record.signingTime) << '\t'
            << (check.holds ? "valide" : "rompue") << '\n';
    }
    if (checks.empty()) {
        err << "quarnel-pack : le paquet n'est pas signé.\n";
        return false;
    }
    if (wanted) {
        const auto mine = std::find_if(checks.begin(), checks.end(),
                                       [&](const SignatureCheck& c) { return c.record.keyId == wanted->Id(); });
        if (mine == checks.end()) {
            err << "quarnel-pack : le paquet n'est pas signé par la clé " << DigestHex(wanted->Id()) << ".\n";
            return false;
        }
        if (!SignatureHolds(reader, mine->record, *wanted)) {
            err << "quarnel-pack : la signature de la clé " << DigestHex(wanted->Id())
                << " est rompue : le paquet a changé après avoir été signé.\n";
            return false;
        }
        return true;
    }
    const auto broken = std::count_if(checks.begin(), checks.end(), [](const SignatureCheck& c) { return !c.holds; });
    if (broken > 0) {
        err << "quarnel-pack : " << broken << " signature" << (broken > 1 ? "s sont rompues" : " est rompue")
            << " : le paquet a changé après avoir été signé.\n";
        return false;
    }
    return true;
}

} // namespace quarnelpack

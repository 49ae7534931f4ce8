#include "SignCommands.h"

#include "Passphrase.h"
#include "update/package/PackageError.h"
#include "update/package/PackageFile.h"
#include "update/trust/PackageSigning.h"
#include "update/trust/TrustCheck.h"

#include <algorithm>
#include <ctime>

namespace quarnelpack {

using namespace update::package;
using namespace update::trust;

namespace {

const char* StateText(SignatureState state) {
    switch (state) {
    case SignatureState::Holds:
        return "valide";
    case SignatureState::NotCoveringProgram:
        return "ne couvre pas le programme";
    case SignatureState::Broken:
        break;
    }
    return "rompue";
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
    // A file that carries no package is said to be no package, not to be unsigned.
    const PackageReader reader = OpenPackageFile(package);
    const auto checks = CheckSignatures(reader);
    for (const auto& check : checks) {
        out << "signature\t" << DigestHex(check.record.keyId) << '\t' << UtcTime(check.record.signingTime) << '\t'
            << StateText(check.state) << '\n';
    }
    if (checks.empty()) {
        err << "quarnel-pack : le paquet n'est pas signé.\n";
        return false;
    }
    if (wanted) {
        // The verdict quarnel-update reaches on a machine that trusts this key.
        switch (JudgeKey(reader, *wanted).kind) {
        case KeyVerdict::Kind::Holds:
            return true;
        case KeyVerdict::Kind::NotSigned:
            err << "quarnel-pack : le paquet n'est pas signé par la clé " << DigestHex(wanted->Id()) << ".\n";
            return false;
        case KeyVerdict::Kind::NotCoveringProgram:
            err << "quarnel-pack : la signature de la clé " << DigestHex(wanted->Id())
                << " ne couvre pas le programme placé devant le paquet (forme antérieure) : signez-le de nouveau.\n";
            return false;
        case KeyVerdict::Kind::Broken:
            break;
        }
        err << "quarnel-pack : la signature de la clé " << DigestHex(wanted->Id())
            << " est rompue : le paquet a changé après avoir été signé.\n";
        return false;
    }
    const auto count = [&](SignatureState state) {
        return std::count_if(checks.begin(), checks.end(), [&](const SignatureCheck& c) { return c.state == state; });
    };
    if (const auto broken = count(SignatureState::Broken); broken > 0) {
        err << "quarnel-pack : " << broken << " signature" << (broken > 1 ? "s sont rompues" : " est rompue")
            << " : le paquet a changé après avoir été signé.\n";
        return false;
    }
    if (const auto previous = count(SignatureState::NotCoveringProgram); previous > 0) {
        err << "quarnel-pack : " << previous << " signature" << (previous > 1 ? "s ne couvrent pas" : " ne couvre pas")
            << " le programme placé devant le paquet (forme antérieure) : signez-le de nouveau.\n";
        return false;
    }
    return true;
}

} // namespace quarnelpack

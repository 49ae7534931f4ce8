// trust: the public keys whose signatures this machine accepts on update packages, and whether it
// requires them. The first key trusted makes signatures required; only `trust off` lifts that.

#include "Commands.h"
#include "platform/machine/Machine.h"
#include "update/trust/Ed25519Key.h"
#include "update/trust/TrustPolicy.h"
#include "update/trust/TrustedKeys.h"

namespace quarnel_machine {

namespace {

constexpr const char* kTrustUsage =
    "Utilisation : quarnel-machine trust add PUBLIQUE.pem | trust list | trust remove ID | trust off\n";

std::filesystem::path MachinePrefix() {
    return platform::Machine::Load(platform::Machine::DefaultPrefix()).Prefix();
}

} // namespace

int RunTrust(std::span<const std::string> args, Context context) {
    using update::trust::DigestHex;
    const std::string action = args.empty() ? std::string() : args.front();
    const auto prefix = MachinePrefix();
    const update::trust::TrustedKeys keys(prefix);
    const update::trust::TrustPolicy policy(prefix);
    if (action == "add" && args.size() == 2) {
        const auto key = update::trust::PublicKey::FromPemFile(args[1]);
        const auto id = keys.Add(key);
        policy.SetRequireSignatures(true);
        context.out << "Clé de confiance ajoutée : " << DigestHex(id) << '\n';
        context.out << "Ce poste exige des paquets signés par une clé de confiance.\n";
        return kExitOk;
    }
    if (action == "list" && args.size() == 1) {
        const auto trusted = keys.List();
        const bool required = policy.RequireSignatures().value_or(!trusted.empty());
        context.out << (required ? "Signatures exigées : oui\n" : "Signatures exigées : non\n");
        if (trusted.empty())
            context.out << (required ? "Aucune clé de confiance : ce poste refuse tous les paquets.\n"
                                     : "Aucune clé de confiance : ce poste applique aussi les paquets non signés.\n");
        for (const auto& key : trusted)
            context.out << DigestHex(key.id) << '\n';
        return kExitOk;
    }
    if (action == "remove" && args.size() == 2) {
        // Removed first: the confirmation is printed only for a key that is gone.
        const auto removed = keys.Remove(args[1]);
        context.out << "Clé de confiance retirée : " << DigestHex(removed) << '\n';
        if (keys.List().empty())
            context.out << "Ce poste ne fait plus confiance à aucune clé : il refuse tous les paquets tant que "
                           "les signatures sont exigées (quarnel-machine trust off pour ne plus les exiger).\n";
        return kExitOk;
    }
    if (action == "off" && args.size() == 1) {
        policy.SetRequireSignatures(false);
        context.out << "Signatures exigées : non. Ce poste applique aussi les paquets non signés.\n";
        return kExitOk;
    }
    context.err << kTrustUsage;
    return kExitUsage;
}

} // namespace quarnel_machine

// trust: the public keys whose signatures this machine accepts on update packages. While it
// trusts none, it applies unsigned packages too.

#include "Commands.h"
#include "platform/machine/Machine.h"
#include "update/trust/Ed25519Key.h"
#include "update/trust/TrustedKeys.h"

namespace quarnel_machine {

namespace {

constexpr const char* kTrustUsage =
    "Utilisation : quarnel-machine trust add PUBLIQUE.pem | trust list | trust remove ID\n";

update::trust::TrustedKeys MachineKeys() {
    return update::trust::TrustedKeys(platform::Machine::Load(platform::Machine::DefaultPrefix()).Prefix());
}

} // namespace

int RunTrust(std::span<const std::string> args, Context context) {
    using update::trust::DigestHex;
    const std::string action = args.empty() ? std::string() : args.front();
    if (action == "add" && args.size() == 2) {
        const auto key = update::trust::PublicKey::FromPemFile(args[1]);
        context.out << "Clé de confiance ajoutée : " << DigestHex(MachineKeys().Add(key)) << '\n';
        return kExitOk;
    }
    if (action == "list" && args.size() == 1) {
        const auto keys = MachineKeys().List();
        if (keys.empty())
            context.out << "Aucune clé de confiance : ce poste applique aussi les paquets non signés.\n";
        for (const auto& key : keys)
            context.out << DigestHex(key.id) << '\n';
        return kExitOk;
    }
    if (action == "remove" && args.size() == 2) {
        const auto keys = MachineKeys();
        context.out << "Clé de confiance retirée : " << DigestHex(keys.Remove(args[1])) << '\n';
        if (keys.List().empty())
            context.out << "Ce poste ne fait plus confiance à aucune clé : il applique aussi les paquets non signés.\n";
        return kExitOk;
    }
    context.err << kTrustUsage;
    return kExitUsage;
}

} // namespace quarnel_machine

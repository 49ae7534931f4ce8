// products: the products of the family that the machine has, where the wizard finds them.

#include "Commands.h"
#include "platform/machine/Machine.h"
#include "update/plan/InstalledProducts.h"

namespace quarnel_machine {

int RunProducts(std::span<const std::string> args, Context context) {
    if (!args.empty()) {
        context.err << "Usage : quarnel-machine products\n";
        return kExitUsage;
    }
    platform::Machine::SetCurrent(platform::Machine::Load(platform::Machine::DefaultPrefix()));
    const std::vector<update::plan::InstalledProduct> products = update::plan::FindInstalledProducts();
    if (products.empty())
        context.out << "Aucun produit Quarnel n'est installé sur cette machine.\n";
    for (const update::plan::InstalledProduct& product : products) {
        context.out << AppNames[product.type] << '\t' << product.folder << '\t'
                    << (product.mainFile.empty() ? "-" : product.version) << '\n';
        if (!product.question.empty())
            context.err << "quarnel-machine : " << AppNames[product.type]
                        << " : l'assistant demandera : " << product.question << '\n';
    }
    return context.out.flush() ? kExitOk : kExitFailure;
}

} // namespace quarnel_machine

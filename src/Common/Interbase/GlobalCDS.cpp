// Client-side cached datasets handed out by the module: their source query runs in
// GlobalTransaction, and their changes are applied there, each failure raising the French text
// of its kind.

#include "Common/Interbase/dmDBConnectionUnit.h"
#include "environment/Errors.h"

#include <algorithm>

namespace {

const char* UpdateFailureText(TUpdateKind kind) {
    switch (kind) {
    case TUpdateKind::ukModify:
        return "La modification n'a pas pu se faire dans la base de données.";
    case TUpdateKind::ukInsert:
        return "L'insertion n'a pas pu se faire dans la base de données.";
    case TUpdateKind::ukDelete:
        break;
    }
    return "La suppression n'a pas pu se faire dans la base de données.";
}

} // namespace

TLocalClientDataset* TdmDBConnection::CreateGlobalCDS() {
    FListeDesCDS.push_back(std::make_unique<TLocalClientDataset>());
    TLocalClientDataset* cds = FListeDesCDS.back().get();
    try {
        cds->Query().SetDatabase(&IBDatabase);
        cds->Query().SetTransaction(&GlobalTransaction);
        cds->Dsp().SetDataSet(&cds->Query());
        cds->SetTransactionLevels({[this] { DoStartTransaction(false); }, [this] { DoCommit(); },
                                   [this](std::exception_ptr e) {
                                       DoRollback(e);
                                   }});
        cds->Dsp().SetOnUpdateError([](TUpdateKind kind, const std::exception& e) {
            throw Exception(std::string(UpdateFailureText(kind)) + "\r\n" + "\r\n" + e.what());
        });
    } catch (...) {
        FreeGlobalCDS(cds);
        throw;
    }
    return cds;
}

void TdmDBConnection::FreeGlobalCDS(TLocalClientDataset*& Cds) {
    if (!Cds)
        return;
    auto entry =
        std::find_if(FListeDesCDS.begin(), FListeDesCDS.end(), [Cds](const auto& item) { return item.get() == Cds; });
    if (entry == FListeDesCDS.end())
        throw Exception("FreeGlobalCDS : ClientDataset not found");
    FListeDesCDS.erase(entry);
    Cds = nullptr;
}

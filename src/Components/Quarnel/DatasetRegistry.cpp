// The datasets the manager hands out (CreateQueryGlobal, the table manager's datasets) and the
// private transactions made for them, owned here until FreeDataset.

#include "Components/Quarnel/DatabaseManager.h"
#include "environment/Errors.h"

#include <algorithm>

fb::Query* TDatabaseManager::CreateQueryGlobal() {
    if (!FTransaction)
        throw Exception("DatabaseManager has no transaction");
    auto dataSet = std::make_unique<fb::Query>();
    dataSet->SetDatabase(FDatabase);
    dataSet->SetTransaction(FTransaction);
    return RegisterDataset(std::move(dataSet));
}

fb::Query* TDatabaseManager::RegisterDataset(std::unique_ptr<fb::Query> dataSet) {
    FDatasetList.push_back(std::move(dataSet));
    return FDatasetList.back().get();
}

fb::Transaction* TDatabaseManager::RegisterTransaction(std::unique_ptr<fb::Transaction> transaction) {
    FTransactionList.push_back(std::move(transaction));
    return FTransactionList.back().get();
}

bool TDatabaseManager::IsRegistered(const fb::Query* dataSet) const {
    return std::any_of(FDatasetList.begin(), FDatasetList.end(),
                       [dataSet](const auto& entry) { return entry.get() == dataSet; });
}

fb::Query& TDatabaseManager::FindRegistered(fb::Query* dataSet, const char* message) {
    if (!dataSet || !IsRegistered(dataSet))
        throw Exception(message);
    return *dataSet;
}

void TDatabaseManager::FreeDataset(fb::Query* dataSet) {
    if (!dataSet)
        return;
    fb::Query& query = FindRegistered(dataSet, "FreeDataset : not found");
    query.Close();
    if (!FDatabase || !FDatabase->Connected())
        query.DropBuffers();
    fb::Transaction* own = query.GetTransaction();
    auto transaction = std::find_if(FTransactionList.begin(), FTransactionList.end(),
                                    [own](const auto& entry) { return entry.get() == own; });
    if (transaction != FTransactionList.end()) {
        query.SetTransaction(nullptr);
        FTransactionList.erase(transaction);
    }
    ForgetDataset(dataSet);
}

void TDatabaseManager::ForgetDataset(const fb::Query* dataSet) {
    auto entry = std::find_if(FDatasetList.begin(), FDatasetList.end(),
                              [dataSet](const auto& item) { return item.get() == dataSet; });
    if (entry != FDatasetList.end())
        FDatasetList.erase(entry);
}

namespace {

fb::Transaction& TransactionOf(fb::Query& dataSet) {
    fb::Transaction* transaction = dataSet.GetTransaction();
    if (!transaction)
        throw Exception("Transaction not assigned");
    return *transaction;
}

} // namespace

void TDatabaseManager::Commit(fb::Query* dataSet) {
    TransactionOf(FindRegistered(dataSet, "IBQuery not found")).Commit();
}

void TDatabaseManager::CommitRetaining(fb::Query* dataSet) {
    TransactionOf(FindRegistered(dataSet, "IBQuery not found")).CommitRetaining();
}

void TDatabaseManager::Rollback(fb::Query* dataSet) {
    TransactionOf(FindRegistered(dataSet, "IBQuery not found")).Rollback();
}

void TDatabaseManager::CloseAllConnections() {
    for (const auto& dataSet : FDatasetList) {
        // Each step on its own: a lost connection must not keep the others from being closed.
        try {
            dataSet->Close();
        } catch (const std::exception&) {
        }
        try {
            fb::Transaction* transaction = dataSet->GetTransaction();
            if (transaction && transaction->InTransaction())
                transaction->Rollback();
        } catch (const std::exception&) {
        }
    }
}

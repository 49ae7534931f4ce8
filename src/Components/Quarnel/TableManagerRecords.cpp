// Datasets over the described table, key lookups and single-record operations. Every dataset is
// registered with the database manager and given back with FreeDataset.

#include "Components/Quarnel/TableManager.h"
#include "environment/Errors.h"

#include <cstdio>

namespace {

std::string DatasetName(const std::string& table, std::int32_t counter) {
    char number[16];
    std::snprintf(number, sizeof number, "%.4d", counter);
    return table + "_" + number;
}

} // namespace

TTableDataset* TTableManager::CreateQuery(bool ReadOnly, fb::Transaction* Transaction) {
    CheckDatabase(3);
    TDatabaseManager& manager = Manager();
    if (!Transaction)
        manager.EnsureNoActiveTransaction(); // a private transaction beside an active shared one would deadlock
    auto dataSet = std::make_unique<TTableDataset>();
    std::unique_ptr<fb::Transaction> own;
    dataSet->SetDatabase(manager.Database());
    if (!ReadOnly) {
        TTableDataset::Texts texts;
        BuildSQL4Insert(texts.insertSql);
        BuildSQL4Update(texts.modifySql, nullptr);
        texts.deleteSql = BuildDeleteSQL();
        std::vector<std::string> keys;
        for (const TFieldDef& def : ParsedDefs()) {
            if (def.key)
                keys.push_back(def.name);
            if (def.noWrite)
                continue;
            texts.insertParams.push_back(def.name);
            if (!def.key)
                texts.modifyParams.push_back(def.name);
        }
        for (const std::string& key : keys) {
            texts.modifyParams.push_back("OLD_" + key);
            texts.deleteParams.push_back("OLD_" + key);
        }
        dataSet->MakeEditable(std::move(texts));
    }
    if (Transaction) {
        dataSet->SetTransaction(Transaction);
    } else {
        own = std::make_unique<fb::Transaction>();
        own->SetDefaultDatabase(manager.Database());
        own->Params() = {"concurrency", "nowait"};
        dataSet->SetTransaction(own.get());
        dataSet->SetOwnsTransaction(true);
    }
    dataSet->SetName(DatasetName(FTableName, FQueryCounter));
    ++FQueryCounter;
    TTableDataset* result = dataSet.get();
    manager.RegisterDataset(std::move(dataSet));
    if (own)
        manager.RegisterTransaction(std::move(own));
    return result;
}

void TTableManager::FreeDataset(fb::Query* DataSet) {
    if (FDatabaseManager)
        FDatabaseManager->FreeDataset(DataSet);
}

TTableDataset* TTableManager::CreateDataset(const std::vector<std::string>& fieldNames, const std::string& whereClause,
                                            const std::vector<fb::Value>& values, bool readOnly, bool forwardOnly) {
    TTableDataset* dataSet = CreateQuery(readOnly, nullptr);
    try {
        std::string select = "SELECT ";
        for (std::size_t i = 0; i < fieldNames.size(); ++i)
            select += (i == 0 ? "" : ", ") + fieldNames[i];
        std::vector<std::string> lines{select, "FROM " + FTableName};
        if (!whereClause.empty()) {
            lines.push_back("WHERE");
            lines.push_back(whereClause);
        }
        lines.push_back(BuildOrderBy());
        dataSet->SQL() = lines;
        for (std::size_t i = 0; i < values.size(); ++i)
            dataSet->Params(i) = values[i];
        dataSet->SetForwardOnly(forwardOnly);
        dataSet->Open();
    } catch (...) {
        FreeDataset(dataSet);
        throw;
    }
    return dataSet;
}

TTableDataset* TTableManager::BuildFindDataset(std::vector<std::string> lines) {
    TTableDataset* dataSet = CreateQuery(true, Manager().Transaction());
    try {
        dataSet->SetForwardOnly(true);
        dataSet->SQL() = std::move(lines);
    } catch (...) {
        FreeDataset(dataSet);
        throw;
    }
    return dataSet;
}

TTableDataset* TTableManager::QueryFindPrimaryKey() {
    if (!FQueryFindPrimaryKey) {
        std::vector<std::string> lines{"SELECT * FROM " + FTableName + " WHERE"};
        const std::vector<std::string> keys = KeyFieldNames();
        for (std::size_t i = 0; i < keys.size(); ++i)
            lines.push_back((i == 0 ? "" : "AND ") + keys[i] + " = :p" + std::to_string(i));
        FQueryFindPrimaryKey = BuildFindDataset(std::move(lines));
    }
    if (FQueryFindPrimaryKey->Active())
        throw Exception("Query FWK is active");
    return FQueryFindPrimaryKey;
}

bool TTableManager::FindPK(const std::vector<fb::Value>& keyValues) {
    if (!FQueryFindPK) {
        std::vector<std::string> lines{"SELECT 'T' FROM RDB$DATABASE WHERE EXISTS", "(",
                                       "SELECT 'T' FROM " + FTableName + " WHERE"};
        const std::vector<std::string> keys = KeyFieldNames();
        for (std::size_t i = 0; i < keys.size(); ++i)
            lines.push_back((i == 0 ? "" : "AND ") + keys[i] + " = :p" + std::to_string(i));
        lines.push_back(")");
        FQueryFindPK = BuildFindDataset(std::move(lines));
    }
    if (FQueryFindPK->Active())
        throw Exception("Query FPK is active");
    if (static_cast<int>(keyValues.size()) != FPKCount)
        throw Exception("FindPK : count mismatch");
    for (std::size_t i = 0; i < keyValues.size(); ++i)
        FQueryFindPK->Params(i) = keyValues[i];
    FQueryFindPK->Open();
    const bool found = !FQueryFindPK->Eof();
    FQueryFindPK->Close();
    return found;
}

void TTableManager::AppendRecord(const std::vector<fb::Value>& values) {
    CheckDatabase(7);
    std::vector<std::string> lines;
    BuildSQL4Insert(lines);
    Manager().InNestedLevel([&] {
        CheckDatabase(5);
        fb::Statement& statement = Manager().SharedStatement();
        statement.SetParamCheck(true);
        statement.SQL() = lines;
        const std::size_t count = statement.ParamCount();
        if (values.size() > count)
            throw Exception("AppendRecord : too many values");
        for (std::size_t i = 0; i < count; ++i)
            statement.Params(i) = i < values.size() ? values[i] : fb::Value();
        statement.ExecQuery();
    });
}

void TTableManager::DeleteRecord(const std::vector<fb::Value>& keyValues) {
    const std::vector<std::string> keys = KeyFieldNames();
    if (keyValues.size() != keys.size())
        throw Exception("key mismatch");
    CheckDatabase(5);
    std::vector<std::string> lines{"DELETE FROM " + FTableName + " WHERE"};
    for (std::size_t i = 0; i < keys.size(); ++i)
        lines.push_back((i == 0 ? "" : "AND ") + keys[i] + " = :p" + std::to_string(i));
    Manager().InNestedLevel([&] { RunOnStatement(lines, keyValues); });
}

std::int32_t TTableManager::RecordCount() {
    CheckDatabase(6);
    TTableDataset* dataSet = CreateQuery(true, nullptr);
    try {
        dataSet->SQL() = {"SELECT COUNT(*) FROM " + FTableName};
        const std::int32_t count = Manager().InNestedLevel([&] {
            dataSet->Open();
            const std::int32_t value = dataSet->Fields(0).AsInteger();
            dataSet->Close();
            return value;
        });
        FreeDataset(dataSet);
        return count;
    } catch (...) {
        FreeDataset(dataSet);
        throw;
    }
}

void TTableManager::EmptyTable() {
    ExecuteSQL("DELETE FROM " + FTableName);
}

fb::Statement& TTableManager::SQLAppend() {
    CheckDatabase(5);
    FInsertSQL.SetDatabase(Manager().Database());
    FInsertSQL.SetTransaction(Manager().Transaction());
    if (FInsertSQL.SQL().empty())
        BuildSQL4Insert(FInsertSQL.SQL());
    return FInsertSQL;
}

fb::Statement& TTableManager::SQLUpdate() {
    CheckDatabase(5);
    FUpdateSQL.SetDatabase(Manager().Database());
    FUpdateSQL.SetTransaction(Manager().Transaction());
    if (FUpdateSQL.SQL().empty())
        BuildSQL4Update(FUpdateSQL.SQL(), nullptr);
    return FUpdateSQL;
}

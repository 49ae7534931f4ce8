#include "TestDatabase.h"

#include "firebird/Query.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"

#include <functional>
#include <optional>

namespace testsupport {

namespace {

// Calls `row` on every row of `sql`, read in a transaction of its own with `transactionParams`.
void ForEachRow(fb::Attachment& database, const std::string& sql, const std::function<void(fb::Query&)>& row,
                const fb::ParameterList& transactionParams = {}) {
    fb::Transaction transaction;
    transaction.SetDefaultDatabase(&database);
    transaction.Params() = transactionParams;
    transaction.StartTransaction();
    fb::Query query;
    query.SetTransaction(&transaction);
    query.SetText(sql);
    query.Open();
    for (; !query.Eof(); query.Next())
        row(query);
    query.Close();
    transaction.Commit();
}

} // namespace

fb::ParameterList QuarnelLogin() {
    return {"user_name=QUARNEL", "password=73914682", "lc_ctype=ISO8859_1"};
}

std::unique_ptr<fb::Attachment> Attach(const std::string& windowsPath, const std::string& name) {
    auto attachment = std::make_unique<fb::Attachment>(name);
    attachment->SetDatabaseName(windowsPath);
    attachment->Params() = QuarnelLogin();
    attachment->Open();
    return attachment;
}

void Execute(fb::Attachment& database, const std::string& sql) {
    fb::Transaction transaction;
    transaction.SetDefaultDatabase(&database);
    transaction.StartTransaction();
    fb::Statement statement;
    statement.SetTransaction(&transaction);
    statement.SetParamCheck(false);
    statement.SetText(sql);
    statement.ExecQuery();
    transaction.Commit();
}

void Execute(const std::string& windowsPath, const std::string& sql) {
    const auto database = Attach(windowsPath, "Breaker");
    Execute(*database, sql);
    database->Close();
}

std::vector<std::string> Column(fb::Attachment& database, const std::string& sql) {
    std::vector<std::string> values;
    ForEachRow(database, sql, [&](fb::Query& query) { values.push_back(query.Fields(0).AsString()); });
    return values;
}

std::vector<std::string> Column(const std::string& windowsPath, const std::string& sql) {
    const auto database = Attach(windowsPath, "Reader");
    std::vector<std::string> values = Column(*database, sql);
    database->Close();
    return values;
}

std::vector<std::string> Rows(const std::string& windowsPath, const std::string& sql) {
    const auto database = Attach(windowsPath, "Reader");
    std::vector<std::string> rows;
    ForEachRow(*database, sql, [&](fb::Query& query) {
        std::string row;
        for (std::size_t i = 0; i < query.FieldCount(); ++i)
            row += (i == 0 ? "" : "|") + query.Fields(i).AsString();
        rows.push_back(std::move(row));
    });
    database->Close();
    return rows;
}

std::string CommittedValue(fb::Attachment& database, const std::string& sql, const std::string& none) {
    std::optional<std::string> value;
    ForEachRow(database, sql,
               [&](fb::Query& query) {
                   if (!value)
                       value = query.Fields(0).AsString();
               },
               {"read_committed", "rec_version", "nowait", "read"});
    return value.value_or(none);
}

} // namespace testsupport

// Lookups and maintenance of schema objects by name: each a short fixed text with the caller's
// name spliced in unchanged, run on FQuery or through ExecuteSQL.

#include "Components/Quarnel/DatabaseManager.h"
#include "firebird/SqlText.h"
#include "environment/Errors.h"
#include "platform/text/Text.h"

namespace {

// Names in the system tables are CHAR columns padded with blanks.
std::string TrimRight(std::string text) {
    std::size_t end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

std::string Upper(const std::string& name) {
    return platform::text::ToUpper(name);
}

const char* const UserRelations = "((rdb$system_flag = 0) OR (rdb$system_flag IS NULL))";

} // namespace

void TDatabaseManager::OpenMetadata(const std::vector<std::string>& lines,
                                    const std::function<void(fb::Query&)>& read) {
    FQuery.Close();
    FQuery.SQL() = lines;
    InNestedLevel([&] {
        FQuery.Open();
        read(FQuery);
        FQuery.Close();
    });
}

bool TDatabaseManager::Exists(const std::vector<std::string>& lines) {
    bool found = false;
    OpenMetadata(lines, [&](fb::Query& query) { found = !query.Eof(); });
    return found;
}

std::int32_t TDatabaseManager::GeneratorStep(const std::string& gen_id, std::int32_t step) {
    std::int32_t value = 0;
    OpenMetadata({"SELECT GEN_ID(" + gen_id + ", " + std::to_string(step) + ") FROM RDB$DATABASE"},
                 [&](fb::Query& query) { value = query.Fields(0).AsInteger(); });
    return value;
}

std::int32_t TDatabaseManager::GenerateNumber(const std::string& gen_id) {
    return GeneratorStep(gen_id, 1);
}

std::int32_t TDatabaseManager::GenerateNumber(const std::string& gen_id, std::int32_t increment) {
    return GeneratorStep(gen_id, increment);
}

std::int32_t TDatabaseManager::GetCurrentGeneratorValue(const std::string& gen_id) {
    return GeneratorStep(gen_id, 0);
}

void TDatabaseManager::SetGeneratorValue(const std::string& gen_id, std::int32_t value) {
    ExecuteSQL("SET GENERATOR " + gen_id + " TO " + std::to_string(value));
}

void TDatabaseManager::CreateGenerator(const std::string& name) {
    ExecuteSQL("CREATE GENERATOR " + name);
}

// Firebird 3 keeps RDB$GENERATORS read-only: the generator is dropped by DDL.
void TDatabaseManager::DropGenerator(const std::string& name) {
    ExecuteSQL("DROP GENERATOR " + name);
}

void TDatabaseManager::CreateException(const std::string& name, const std::string& msg) {
    ExecuteSQL("create exception " + name + " " + fb::SqlLiteral(msg));
}

void TDatabaseManager::DropProcedure(const std::string& name) {
    ExecuteSQL("DROP PROCEDURE " + name);
}

void TDatabaseManager::DropIndex(const std::string& indexName) {
    ExecuteSQL("DROP INDEX " + indexName);
}

void TDatabaseManager::DropTrigger(const std::string& trigName) {
    ExecuteSQL("DROP TRIGGER " + trigName);
}

bool TDatabaseManager::FindTable(const std::string& tableName) {
    return Exists({"SELECT rdb$relation_name FROM rdb$relations WHERE", UserRelations, "AND (rdb$view_source IS NULL)",
                   "AND UPPER(rdb$relation_name) = " + fb::SqlLiteral(Upper(tableName))});
}

bool TDatabaseManager::FindGenerator(const std::string& name) {
    return Exists({"SELECT rdb$generator_name FROM rdb$generators WHERE", UserRelations,
                   "AND UPPER(rdb$generator_name) = " + fb::SqlLiteral(Upper(name))});
}

bool TDatabaseManager::FindIndex(const std::string& indexName) {
    return Exists(
        {"SELECT rdb$index_name FROM rdb$indices WHERE", "UPPER(rdb$index_name) = " + fb::SqlLiteral(Upper(indexName))});
}

bool TDatabaseManager::FindCheckConstraint(const std::string& name) {
    return Exists({"SELECT rdb$constraint_name FROM rdb$check_constraints WHERE",
                   "UPPER(rdb$constraint_name) = " + fb::SqlLiteral(Upper(name))});
}

// Trigger names are compared exactly.
bool TDatabaseManager::FindTrigger(const std::string& triggerName) {
    return Exists({"SELECT 'T' FROM RDB$TRIGGERS WHERE", "RDB$TRIGGER_NAME = " + fb::SqlLiteral(triggerName)});
}

void TDatabaseManager::GetTableNames(std::vector<std::string>& textList) {
    textList.clear();
    OpenMetadata({"SELECT rdb$relation_name FROM rdb$relations WHERE", UserRelations, "AND (rdb$view_source IS NULL)"},
                 [&](fb::Query& query) {
                     for (; !query.Eof(); query.Next())
                         textList.push_back(TrimRight(query.Fields(0).AsString()));
                 });
}

void TDatabaseManager::GetFieldNames(const std::string& tableName, std::vector<std::string>& textList) {
    textList.clear();
    OpenMetadata({"SELECT * FROM " + tableName}, [&](fb::Query& query) {
        for (std::size_t i = 0; i < query.FieldCount(); ++i)
            textList.push_back(query.FieldName(i));
    });
}

std::string TDatabaseManager::SingleIndexName(const std::vector<std::string>& lines, const char* failure) {
    std::string name;
    int rows = 0;
    OpenMetadata(lines, [&](fb::Query& query) {
        for (; !query.Eof(); query.Next()) {
            if (++rows == 1)
                name = TrimRight(query.Fields(0).AsString());
        }
    });
    if (rows != 1)
        throw Exception(failure);
    return name;
}

std::string TDatabaseManager::GetKeyname(const std::string& tableName) {
    return SingleIndexName({"SELECT rdb$index_name FROM rdb$indices WHERE ",
                            "RDB$RELATION_NAME = " + fb::SqlLiteral(Upper(tableName)), "AND rdb$index_name LIKE '%PRIMARY%'"},
                           "TDatabaseManager.GetKeyname");
}

std::string TDatabaseManager::GetConstraintIndexName(const std::string& constraintName) {
    std::string name = SingleIndexName({"SELECT rdb$index_name FROM rdb$relation_constraints WHERE ",
                                        "RDB$CONSTRAINT_NAME = " + fb::SqlLiteral(Upper(constraintName))},
                                       "TDatabaseManager.GetConstraintIndexName");
    if (name.empty())
        throw Exception("DatabaseManager.GetConstraintIndexName : résultat vide (" + constraintName + ")");
    return name;
}

void TDatabaseManager::SetStatistics() {
    OpenMetadata({"SELECT rdb$index_name FROM rdb$indices"}, [&](fb::Query& query) {
        for (; !query.Eof(); query.Next()) {
            try {
                ExecuteSQL("SET STATISTICS INDEX " + TrimRight(query.Fields(0).AsString()));
            } catch (const std::exception&) {
                // An index the login may not recompute (the server's own) does not stop the others.
            }
        }
    });
}

// Firebird 3 refuses both updates (system tables are read-only); the refusal reaches the caller.
void TDatabaseManager::ClearSource() {
    ExecuteSQL("UPDATE RDB$PROCEDURES SET RDB$PROCEDURE_SOURCE = 'empty'");
    ExecuteSQL("UPDATE RDB$TRIGGERS SET RDB$TRIGGER_SOURCE = '' WHERE RDB$TRIGGER_NAME NOT STARTING WITH 'RDB$' AND "
               "RDB$TRIGGER_NAME NOT STARTING WITH 'CHECK_'");
}

void TDatabaseManager::ClearTriggerSource(const std::string& triggerName) {
    ExecuteSQL("UPDATE RDB$TRIGGERS SET RDB$TRIGGER_SOURCE = '' WHERE RDB$TRIGGER_NAME = " + fb::SqlLiteral(triggerName));
}

std::string TDatabaseManager::GetDBOwner() {
    std::string owner;
    OpenMetadata(
        {"SELECT rdb$owner_name FROM rdb$relations WHERE", "rdb$relation_name = 'RDB$DATABASE                   '"},
        [&](fb::Query& query) { owner = TrimRight(query.Fields(0).AsString()); });
    return owner;
}

// Sets the owner recorded for RDB$DATABASE, the one GetDBOwner reads. Firebird 3 refuses the update
// (system tables are read-only); the refusal reaches the caller as a DatabaseError.
void TDatabaseManager::SetDBOwner(const std::string& value) {
    InNestedLevel([&] {
        FSQL.SetText("UPDATE RDB$RELATIONS SET RDB$OWNER_NAME = :p0 WHERE RDB$RELATION_NAME = 'RDB$DATABASE'");
        FSQL.Params(0) = value;
        FSQL.ExecQuery();
    });
}

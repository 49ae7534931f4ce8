// The table's description, the texts generated from it, table creation, statements and rights.

#include "Components/Quarnel/TableManager.h"

#include "environment/Errors.h"
#include "platform/text/Text.h"

namespace {

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string Trim(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlankOrControl(text[begin]))
        ++begin;
    while (end > begin && IsBlankOrControl(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

} // namespace

TFieldDef ParseFieldDef(const std::string& entry) {
    TFieldDef def;
    std::string text = Trim(entry);
    if (std::size_t star = text.find('*'); star != std::string::npos) {
        def.key = true;
        text.erase(star, 1);
    }
    if (std::size_t hash = text.find('#'); hash != std::string::npos) {
        def.noWrite = true;
        text.erase(hash, 1);
    }
    def.name = text.substr(0, text.find(' '));
    def.definition = text;
    return def;
}

TTableManager::TTableManager(std::string name)
    : fb::Component(std::move(name)) {}

TTableManager::~TTableManager() {
    ReleaseKept(FQueryFindPrimaryKey);
    ReleaseKept(FQueryFindPK);
    if (FDatabaseManager)
        FDatabaseManager->RemoveDestroyHandler(FManagerWatch);
}

void TTableManager::ReleaseKept(TTableDataset*& dataSet) {
    if (dataSet && FDatabaseManager) {
        try {
            FDatabaseManager->FreeDataset(dataSet);
        } catch (const std::exception&) {
            // A destructor cannot report; the manager frees what is left when it goes.
        }
    }
    dataSet = nullptr;
}

void TTableManager::SetDatabaseManager(TDatabaseManager* manager) {
    if (manager == FDatabaseManager)
        return;
    if (FDatabaseManager)
        FDatabaseManager->RemoveDestroyHandler(FManagerWatch);
    FDatabaseManager = manager;
    if (FDatabaseManager) {
        // The manager frees its registered datasets itself when it goes: the kept ones are forgotten.
        FManagerWatch = FDatabaseManager->AddDestroyHandler([this](const fb::Component&) {
            FDatabaseManager = nullptr;
            FQueryFindPrimaryKey = nullptr;
            FQueryFindPK = nullptr;
        });
    }
}

fb::Attachment* TTableManager::Database() const {
    return FDatabaseManager ? FDatabaseManager->Database() : nullptr;
}

void TTableManager::CheckDatabase(int n) const {
    if (!FDatabaseManager || !FDatabaseManager->Database())
        throw Exception("no database! (" + std::to_string(n) + ")");
}

const std::string& TTableManager::KeyName() {
    if (!FKeyname) {
        CheckDatabase(8);
        FKeyname = Manager().GetKeyname(FTableName);
    }
    return *FKeyname;
}

std::vector<TFieldDef> TTableManager::ParsedDefs() const {
    std::vector<TFieldDef> defs;
    for (const std::string& entry : FFieldDefs)
        defs.push_back(ParseFieldDef(entry));
    return defs;
}

std::vector<std::string> TTableManager::KeyFieldNames() {
    std::vector<std::string> keys;
    for (const TFieldDef& def : ParsedDefs()) {
        if (def.key)
            keys.push_back(def.name);
    }
    FPKCount = static_cast<int>(keys.size());
    return keys;
}

std::vector<std::string> TTableManager::BuildCreateTableSQL() {
    std::vector<std::string> sql{"CREATE TABLE " + FTableName + "("};
    std::string keyList;
    for (const TFieldDef& def : ParsedDefs()) {
        sql.push_back(def.definition + ",");
        if (def.key)
            keyList += def.name + ",";
    }
    if (!keyList.empty()) {
        keyList.back() = ')';
        sql.push_back("PRIMARY KEY (" + keyList);
    } else if (!sql.back().empty()) {
        sql.back().pop_back();
    }
    sql.push_back(")");
    return sql;
}

void TTableManager::BuildSQL4Insert(std::vector<std::string>& Sql) {
    Sql = {"INSERT INTO " + FTableName + "("};
    std::vector<std::string> names;
    for (const TFieldDef& def : ParsedDefs()) {
        if (def.noWrite)
            continue;
        if (!names.empty())
            Sql.back() += ",";
        Sql.push_back(def.name);
        names.push_back(def.name);
    }
    Sql.back() += ")";
    std::string values = "VALUES (";
    for (std::size_t i = 0; i < names.size(); ++i)
        values += (i == 0 ? ":" : ", :") + names[i];
    Sql.push_back(values + ")");
}

void TTableManager::BuildSQL4Update(std::vector<std::string>& Sql, const std::vector<std::string>* ExcludedFieldNames) {
    Sql = {"UPDATE " + FTableName + " SET"};
    std::vector<std::string> keys;
    bool first = true;
    for (const TFieldDef& def : ParsedDefs()) {
        if (def.key) {
            keys.push_back(def.name);
            continue;
        }
        if (def.noWrite)
            continue;
        bool excluded = false;
        if (ExcludedFieldNames) {
            for (const std::string& name : *ExcludedFieldNames)
                excluded = excluded || platform::text::EqualsIgnoreCase(name, def.name);
        }
        if (excluded)
            continue;
        if (!first)
            Sql.back() += ",";
        first = false;
        Sql.push_back(def.name + " = :" + def.name);
    }
    Sql.push_back("WHERE");
    for (std::size_t i = 0; i < keys.size(); ++i)
        Sql.push_back(keys[i] + " = :OLD_" + keys[i] + (i + 1 < keys.size() ? " AND" : ""));
}

std::vector<std::string> TTableManager::KeyLines(const std::string& firstLine) {
    std::vector<std::string> lines{firstLine};
    const std::vector<std::string> keys = KeyFieldNames();
    for (std::size_t i = 0; i < keys.size(); ++i)
        lines.push_back((i == 0 ? "" : "AND ") + keys[i] + " = :OLD_" + keys[i]);
    return lines;
}

std::vector<std::string> TTableManager::BuildDeleteSQL() {
    return KeyLines("DELETE FROM " + FTableName + " WHERE");
}

std::string TTableManager::BuildOrderBy() {
    const std::vector<std::string> keys = KeyFieldNames();
    if (keys.empty())
        return {};
    std::string line = "ORDER BY ";
    for (std::size_t i = 0; i < keys.size(); ++i)
        line += (i == 0 ? "" : ", ") + keys[i];
    return line;
}

void TTableManager::RunOnStatement(const std::vector<std::string>& lines, const std::vector<fb::Value>& values) {
    CheckDatabase(5);
    fb::Statement& statement = Manager().SharedStatement();
    statement.SetParamCheck(true);
    statement.SQL() = lines;
    for (std::size_t i = 0; i < values.size(); ++i)
        statement.Params(i) = values[i];
    statement.ExecQuery();
}

void TTableManager::ExecuteSQL(const std::string& Sql, const std::vector<fb::Value>& Values) {
    CheckDatabase(4);
    Manager().InNestedLevel([&] { RunOnStatement({Sql}, Values); });
}

void TTableManager::CreateTable() {
    CheckDatabase(1);
    Manager().InNestedLevel([&] {
        RunOnStatement(BuildCreateTableSQL(), {});
        ExecuteSQL("GRANT SELECT, REFERENCES ON " + FTableName + " TO ROLE_READER");
        ExecuteSQL("GRANT SELECT, REFERENCES, DELETE, UPDATE, INSERT ON " + FTableName + " TO ROLE_READER_WRITER");
    });
}

void TTableManager::CreateTable(bool FailIfExists) {
    CheckDatabase(1);
    if (FailIfExists || !Manager().FindTable(FTableName))
        CreateTable();
}

void TTableManager::DropTable() {
    CheckDatabase(2);
    Manager().InNestedLevel([&] { RunOnStatement({"DROP TABLE " + FTableName}, {}); });
}

void TTableManager::AllowAccess() {
    CheckDatabase(10);
    Manager().InNestedLevel([&] {
        ExecuteSQL("GRANT SELECT, REFERENCES ON " + FTableName + " TO ROLE_READER");
        ExecuteSQL("GRANT SELECT, REFERENCES, DELETE, UPDATE, INSERT ON " + FTableName + " TO ROLE_READER_WRITER");
    });
}

void TTableManager::DenyAccess() {
    CheckDatabase(11);
    Manager().InNestedLevel([&] {
        ExecuteSQL("REVOKE SELECT, REFERENCES ON " + FTableName + " FROM ROLE_READER");
        ExecuteSQL("REVOKE SELECT, REFERENCES, DELETE, UPDATE, INSERT ON " + FTableName + " FROM ROLE_READER_WRITER");
    });
}

// Columns, the text-to-integer conversion, column metadata, indexes, foreign keys and index names.

#include "Components/Quarnel/TableManager.h"
#include "firebird/SqlText.h"
#include "environment/Errors.h"
#include "platform/text/Text.h"

namespace {

std::string Upper(const std::string& name) {
    return platform::text::ToUpper(name);
}

std::string TrimText(std::string text) {
    const std::size_t end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
    const std::size_t begin = text.find_first_not_of(' ');
    return begin == std::string::npos ? std::string() : text.substr(begin);
}

std::string Joined(const std::vector<std::string>& names, const char* separator) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : separator) + names[i];
    return text;
}

// The operations that make no CheckDatabase call still need a manager to run on.
TDatabaseManager& Require(TDatabaseManager* manager) {
    if (!manager)
        throw Exception("no database!");
    return *manager;
}

} // namespace

bool TTableManager::FindColumn(const std::string& ColumnName) {
    TDatabaseManager& manager = Require(FDatabaseManager);
    fb::Query& query = manager.MetadataQuery();
    return manager.InNestedLevel([&] {
        query.Close();
        query.SQL() = {"SELECT RDB$FIELD_NAME FROM RDB$RELATION_FIELDS WHERE",
                       "RDB$RELATION_NAME = " + fb::SqlLiteral(Upper(FTableName)),
                       "AND RDB$FIELD_NAME = " + fb::SqlLiteral(Upper(ColumnName))};
        query.Open();
        const bool found = !query.Eof();
        query.Close();
        return found;
    });
}

bool TTableManager::AddColumn(const std::string& FieldName, const std::string& FieldDef, bool FailIfExists) {
    const bool existed = FindColumn(FieldName);
    if (!existed || FailIfExists)
        ExecuteSQL("ALTER TABLE " + FTableName + " Add " + FieldName + " " + FieldDef);
    return existed;
}

void TTableManager::DropColumn(const std::string& FieldName, bool FailIfNotExists) {
    if (FailIfNotExists || FindColumn(FieldName))
        ExecuteSQL("ALTER TABLE " + FTableName + " DROP " + FieldName);
}

void TTableManager::ChangeVarCharFieldLength(const std::string& FieldName, std::int32_t NewLength) {
    ExecuteSQL("ALTER TABLE " + FTableName + " ALTER " + FieldName + " TYPE VARCHAR(" + std::to_string(NewLength) +
               ")");
}

void TTableManager::EnlargeStringField(const std::string& OldFieldName, const std::string& NewFieldName,
                                       std::int32_t NewSize) {
    if (!FindColumn(NewFieldName))
        ExecuteSQL("ALTER TABLE " + FTableName + " Add " + NewFieldName + " VARCHAR(" + std::to_string(NewSize) + ")");
    if (FindColumn(OldFieldName)) {
        ExecuteSQL("UPDATE " + FTableName + " SET " + NewFieldName + " = " + OldFieldName);
        ExecuteSQL("ALTER TABLE " + FTableName + " DROP " + OldFieldName);
    }
}

void TTableManager::ConvertVarCharFieldToInteger(const std::string& FieldName, const std::string& TempName) {
    const std::string& t = FTableName;
    auto stepA = [&] {
        AddColumn(TempName, "Integer", true);
    };
    auto stepB = [&] {
        ExecuteSQL("UPDATE " + t + " SET " + TempName + " = CAST(" + FieldName + " AS Integer)");
    };
    auto stepC = [&] {
        DropColumn(FieldName, false);
    };
    auto stepD = [&] {
        AddColumn(FieldName, "Integer", true);
    };
    auto stepE = [&] {
        ExecuteSQL("UPDATE " + t + " SET " + FieldName + "=" + TempName);
    };
    auto stepF = [&] {
        DropColumn(TempName, false);
    };

    const bool column = FindColumn(FieldName);
    bool temp = FindColumn(TempName);
    if (temp && GetfieldType(TempName) != "LONG") {
        stepF();
        temp = false;
    }
    if (column) {
        const bool integer = GetfieldType(FieldName) == "LONG";
        if (integer && !temp)
            return;
        if (integer) {
            stepE();
            stepF();
            return;
        }
        if (temp)
            stepF();
        stepA();
        stepB();
        stepC();
        stepD();
        stepE();
        stepF();
        return;
    }
    if (!temp)
        throw Exception("0406291613:" + t + " " + FieldName);
    stepD();
    stepE();
    stepF();
}

namespace {

// Every row's first column; fails with `failure` unless there is exactly one.
fb::Value SingleValue(fb::Query& query, const char* failure) {
    query.Open();
    std::vector<fb::Value> rows;
    for (; !query.Eof(); query.Next())
        rows.push_back(query.Fields(0));
    query.Close();
    if (rows.size() != 1)
        throw Exception(failure);
    return rows.front();
}

} // namespace

std::int32_t TTableManager::GetfieldSize(const std::string& Fieldname) {
    TDatabaseManager& manager = Require(FDatabaseManager);
    return manager.InNestedLevel([&] {
        fb::Query* query = manager.CreateQueryGlobal();
        try {
            query->SQL() = {"SELECT RDB$FIELD_SOURCE FROM RDB$RELATION_FIELDS WHERE RDB$FIELD_NAME = :P0 AND "
                            "RDB$RELATION_NAME = :P1"};
            query->ParamByName("P0") = Upper(Fieldname);
            query->ParamByName("P1") = Upper(FTableName);
            const std::string domain = TrimText(SingleValue(*query, "0406291509").AsString());
            query->SQL() = {"SELECT RDB$FIELD_LENGTH FROM RDB$FIELDS WHERE RDB$FIELD_NAME = :P0"};
            query->ParamByName("P0") = domain;
            const std::int32_t length = SingleValue(*query, "0406291510").AsInteger();
            manager.FreeDataset(query);
            return length;
        } catch (...) {
            manager.FreeDataset(query);
            throw;
        }
    });
}

std::string TTableManager::GetfieldType(const std::string& Fieldname) {
    TDatabaseManager& manager = Require(FDatabaseManager);
    return manager.InNestedLevel([&] {
        fb::Query* query = manager.CreateQueryGlobal();
        try {
            query->SQL() = {"SELECT RDB$FIELD_SOURCE FROM RDB$RELATION_FIELDS WHERE RDB$FIELD_NAME = :P0 AND "
                            "RDB$RELATION_NAME = :P1"};
            query->ParamByName("P0") = Upper(Fieldname);
            query->ParamByName("P1") = Upper(FTableName);
            const std::string domain = TrimText(SingleValue(*query, "0406291619").AsString());
            query->SQL() = {"SELECT RDB$FIELD_TYPE FROM RDB$FIELDS WHERE RDB$FIELD_NAME = :P0"};
            query->ParamByName("P0") = domain;
            const std::int32_t code = SingleValue(*query, "0406291620").AsInteger();
            query->SQL() = {"SELECT RDB$TYPE_NAME FROM RDB$TYPES WHERE RDB$FIELD_NAME = 'RDB$FIELD_TYPE' AND "
                            "RDB$TYPE = :P0"};
            query->ParamByName("P0") = code;
            query->Open();
            if (query->Eof())
                throw Exception("0406291621");
            const std::string name = TrimText(query->Fields(0).AsString());
            query->Close();
            manager.FreeDataset(query);
            return name;
        } catch (...) {
            manager.FreeDataset(query);
            throw;
        }
    });
}

void TTableManager::CreateIndex(const std::string& name, const std::vector<std::string>& fields, bool unique) {
    ExecuteSQL(std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " + name + " ON " + FTableName + "(" +
               Joined(fields, ", ") + ")");
}

void TTableManager::CreateDescendingIndex(const std::string& name, const std::vector<std::string>& fields,
                                          bool unique) {
    ExecuteSQL(std::string("CREATE ") + (unique ? "UNIQUE " : "") + " DESC INDEX " + name + " ON " + FTableName + "(" +
               Joined(fields, ", ") + ")");
}

namespace {

std::string ReferenceText(const std::string& table, const std::string& name, const std::vector<std::string>& fields,
                          const std::string& refTable, const std::vector<std::string>& refFields) {
    return "ALTER TABLE " + table + " Add CONSTRAINT " + name + " FOREIGN KEY (" + Joined(fields, ",") +
           ") REFERENCES " + refTable + "(" + Joined(refFields, ",") + ")";
}

} // namespace

void TTableManager::CreateReferenceConstraint2(const std::string& name, const std::vector<std::string>& fields,
                                               const std::string& refTable, const std::vector<std::string>& refFields) {
    ExecuteSQL(ReferenceText(FTableName, name, fields, refTable, refFields));
}

void TTableManager::CreateReferenceConstraintCascadeSetNull(const std::string& name,
                                                            const std::vector<std::string>& fields,
                                                            const std::string& refTable,
                                                            const std::vector<std::string>& refFields) {
    ExecuteSQL(ReferenceText(FTableName, name, fields, refTable, refFields) + " ON DELETE SET NULL");
}

void TTableManager::CreateReferenceConstraintCascadeDelete(const std::string& name,
                                                           const std::vector<std::string>& fields,
                                                           const std::string& refTable,
                                                           const std::vector<std::string>& refFields) {
    ExecuteSQL(ReferenceText(FTableName, name, fields, refTable, refFields) + " ON DELETE CASCADE");
}

void TTableManager::CreateReferenceConstraint(const std::string& name, const std::vector<std::string>& fields,
                                              const std::string& refTable, const std::vector<std::string>& refFields,
                                              const TReferenceOptions& options) {
    const bool setNull = options.contains(TReferenceOption::roDeleteSetNull);
    const bool cascade = options.contains(TReferenceOption::roDeleteCascade);
    if (setNull && cascade)
        throw Exception("Incompatible delete options");
    std::string text = ReferenceText(FTableName, name, fields, refTable, refFields);
    if (setNull)
        text += " ON DELETE SET NULL";
    if (cascade)
        text += " ON DELETE CASCADE";
    if (options.contains(TReferenceOption::roUpdateCascade))
        text += " ON UPDATE CASCADE";
    ExecuteSQL(text);
}

std::string TTableManager::GetUserPrivileges(const std::string& UserName) {
    TDatabaseManager& manager = Require(FDatabaseManager);
    fb::Query& query = manager.MetadataQuery();
    return manager.InNestedLevel([&] {
        query.Close();
        query.SQL() = {"SELECT RDB$PRIVILEGE FROM RDB$USER_PRIVILEGES WHERE", "RDB$USER = " + fb::SqlLiteral(UserName),
                       "AND RDB$RELATION_NAME = " + fb::SqlLiteral(FTableName)};
        query.Open();
        std::string letters;
        for (; !query.Eof(); query.Next())
            letters += TrimText(query.Fields(0).AsString());
        query.Close();
        return letters;
    });
}

std::string TTableManager::GetPrimaryIndexName() {
    TDatabaseManager& manager = Require(FDatabaseManager);
    fb::Query& query = manager.MetadataQuery();
    return manager.InNestedLevel([&] {
        query.Close();
        query.SQL() = {"SELECT RDB$CONSTRAINT_NAME FROM RDB$RELATION_CONSTRAINTS WHERE RDB$RELATION_NAME = ",
                       fb::SqlLiteral(Upper(FTableName)), "AND RDB$CONSTRAINT_TYPE = 'PRIMARY KEY'"};
        query.Open();
        std::string name = query.Eof() ? std::string() : TrimText(query.Fields(0).AsString());
        query.Close();
        return name;
    });
}

std::string TTableManager::GetConstraintIndexName(const std::string& ConstraintName) {
    for (const auto& [constraint, index] : FConstraintIndexNames) {
        if (constraint == ConstraintName)
            return index;
    }
    CheckDatabase(9);
    std::string index = Manager().GetConstraintIndexName(ConstraintName);
    FConstraintIndexNames.emplace_back(ConstraintName, index);
    return index;
}

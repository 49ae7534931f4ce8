#pragma once

// TTableManager: one table described by its name and its field-definition strings, and everything
// derived from that description: the CREATE TABLE, INSERT, UPDATE, DELETE and SELECT texts, the
// grants of the two standard roles, column changes, indexes and foreign keys, and datasets and
// single-record operations. It owns no connection: every statement runs through its
// TDatabaseManager, on the manager's statement and shared transaction, one nesting level each.
//   TableManager.cpp          description, generated texts, table creation, statements, rights
//   TableManagerColumns.cpp   columns, conversions, column metadata, indexes, index names
//   TableManagerRecords.cpp   datasets, key lookups, single records

#include "Components/Quarnel/DatabaseManager.h"
#include "Components/Quarnel/TableDataset.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

// One entry of FieldDefs: '*' marks a key column, '#' a column the generated INSERT and UPDATE
// never write.
struct TFieldDef {
    std::string name;
    std::string definition;
    bool key = false;
    bool noWrite = false;
};
TFieldDef ParseFieldDef(const std::string& entry);

enum class TReferenceOption { roUpdateCascade, roDeleteSetNull, roDeleteCascade };
using TReferenceOptions = std::set<TReferenceOption>;

class TTableManager : public fb::Component {
public:
    explicit TTableManager(std::string name = "TableManager");
    // Frees the two kept find datasets (taking them out of the manager's registry).
    ~TTableManager() override;

    // Properties.
    const std::vector<std::string>& FieldDefs() const { return FFieldDefs; }
    void SetFieldDefs(const std::vector<std::string>& lines) { FFieldDefs = lines; }
    std::vector<std::string>& MutableFieldDefs() { return FFieldDefs; }
    const std::string& TableName() const { return FTableName; }
    void SetTableName(std::string value) { FTableName = std::move(value); }
    TDatabaseManager* DatabaseManager() const { return FDatabaseManager; }
    void SetDatabaseManager(TDatabaseManager* manager);
    fb::Attachment* Database() const;
    const std::string& KeyName();

    // The names of the key columns in FieldDefs order (also sets FPKCount).
    std::vector<std::string> KeyFieldNames();

    // Table and statements.
    void CreateTable();
    void CreateTable(bool FailIfExists);
    void DropTable();
    void ExecuteSQL(const std::string& Sql, const std::vector<fb::Value>& Values = {});
    std::vector<std::string> BuildCreateTableSQL();
    void BuildSQL4Insert(std::vector<std::string>& Sql);
    void BuildSQL4Update(std::vector<std::string>& Sql, const std::vector<std::string>* ExcludedFieldNames);
    std::vector<std::string> BuildDeleteSQL();
    std::string BuildOrderBy();

    // Columns.
    bool AddColumn(const std::string& FieldName, const std::string& FieldDef, bool FailIfExists);
    void DropColumn(const std::string& FieldName, bool FailIfNotExists);
    bool FindColumn(const std::string& ColumnName);
    void ChangeVarCharFieldLength(const std::string& FieldName, std::int32_t NewLength);
    void EnlargeStringField(const std::string& OldFieldName, const std::string& NewFieldName, std::int32_t NewSize);
    void ConvertVarCharFieldToInteger(const std::string& FieldName, const std::string& TempName);
    std::int32_t GetfieldSize(const std::string& Fieldname);
    std::string GetfieldType(const std::string& Fieldname);

    // Indexes and foreign keys.
    void CreateIndex(const std::string& name, const std::vector<std::string>& fields, bool unique);
    void CreateDescendingIndex(const std::string& name, const std::vector<std::string>& fields, bool unique);
    void CreateReferenceConstraint2(const std::string& name, const std::vector<std::string>& fields,
                                    const std::string& refTable, const std::vector<std::string>& refFields);
    void CreateReferenceConstraintCascadeSetNull(const std::string& name, const std::vector<std::string>& fields,
                                                 const std::string& refTable,
                                                 const std::vector<std::string>& refFields);
    void CreateReferenceConstraintCascadeDelete(const std::string& name, const std::vector<std::string>& fields,
                                                const std::string& refTable, const std::vector<std::string>& refFields);
    void CreateReferenceConstraint(const std::string& name, const std::vector<std::string>& fields,
                                   const std::string& refTable, const std::vector<std::string>& refFields,
                                   const TReferenceOptions& options);

    // Rights and index names.
    void AllowAccess();
    void DenyAccess();
    std::string GetUserPrivileges(const std::string& UserName);
    std::string GetPrimaryIndexName();
    std::string GetConstraintIndexName(const std::string& ConstraintName);

    // Datasets and records.
    TTableDataset* CreateQuery(bool ReadOnly, fb::Transaction* Transaction);
    TTableDataset* CreateQuery(bool ReadOnly) { return CreateQuery(ReadOnly, nullptr); }
    TTableDataset* CreateDataset(const std::vector<std::string>& fieldNames, const std::string& whereClause,
                                 const std::vector<fb::Value>& values, bool readOnly, bool forwardOnly);
    void FreeDataset(fb::Query* DataSet);
    TTableDataset* QueryFindPrimaryKey();
    bool FindPK(const std::vector<fb::Value>& keyValues);
    void AppendRecord(const std::vector<fb::Value>& values);
    void DeleteRecord(const std::vector<fb::Value>& keyValues);
    std::int32_t RecordCount();
    void EmptyTable();
    fb::Statement& SQLAppend();
    fb::Statement& SQLUpdate();

    std::int32_t QueryCounter() const { return FQueryCounter; }
    std::size_t KeptConstraintCount() const { return FConstraintIndexNames.size(); }

private:
    void CheckDatabase(int n) const;
    TDatabaseManager& Manager() const { return *FDatabaseManager; }
    std::vector<TFieldDef> ParsedDefs() const;
    // The manager's statement: text, values by position, execution (no nesting level of its own).
    void RunOnStatement(const std::vector<std::string>& lines, const std::vector<fb::Value>& values);
    std::vector<std::string> KeyLines(const std::string& firstLine);
    // A kept find dataset: the lines, read-only in the shared transaction, forward-only.
    TTableDataset* BuildFindDataset(std::vector<std::string> lines);
    void ReleaseKept(TTableDataset*& dataSet);

    std::vector<std::string> FFieldDefs;
    std::string FTableName;
    TDatabaseManager* FDatabaseManager = nullptr;
    int FManagerWatch = 0;
    std::optional<std::string> FKeyname;
    std::vector<std::pair<std::string, std::string>> FConstraintIndexNames;
    std::int32_t FQueryCounter = 0;
    fb::Statement FInsertSQL{"FInsertSQL"};
    fb::Statement FUpdateSQL{"FUpdateSQL"};
    TTableDataset* FQueryFindPrimaryKey = nullptr;
    TTableDataset* FQueryFindPK = nullptr;
    int FPKCount = 0;
};

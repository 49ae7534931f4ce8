#pragma once

// A client-side cached dataset over a one-table query: Open reads every row of its source query
// into the cache; rows are changed, appended and deleted in the cache; ApplyUpdates hands each
// change to the provider, which writes it to the table in the connection's shared transaction.

#include "firebird/Query.h"
#include "firebird/Statement.h"
#include "firebird/Value.h"

#include <cstddef>
#include <exception>
#include <functional>
#include <string>
#include <vector>

enum class TUpdateKind { ukModify, ukInsert, ukDelete };

// The nesting levels of the shared transaction the dataset works in.
struct TTransactionLevels {
    std::function<void()> start;
    std::function<void()> commit;
    std::function<void(std::exception_ptr)> rollback; // leaves the level and raises again
};

// Writes one cached change to the table of its data set.
class TDataSetProvider {
public:
    explicit TDataSetProvider(std::string name = "Dsp");

    fb::Query* DataSet() const { return FDataSet; }
    void SetDataSet(fb::Query* dataSet) { FDataSet = dataSet; }
    // The table written to; when empty, the first name after FROM in the data set's text.
    const std::string& TableName() const { return FTableName; }
    void SetTableName(std::string table) { FTableName = std::move(table); }
    // The columns that find a row for a change or a deletion; when empty, every column.
    const std::vector<std::string>& KeyFields() const { return FKeyFields; }
    void SetKeyFields(std::vector<std::string> keys) { FKeyFields = std::move(keys); }
    // Called when a change cannot be applied; it raises the error the caller sees.
    using UpdateErrorHandler = std::function<void(TUpdateKind, const std::exception&)>;
    void SetOnUpdateError(UpdateErrorHandler handler) { FOnUpdateError = std::move(handler); }

    // Writes one change in the data set's transaction. `original` is empty for an insertion,
    // `current` for a deletion.
    void ApplyUpdate(TUpdateKind kind, const std::vector<std::string>& fields, const std::vector<fb::Value>& original,
                     const std::vector<fb::Value>& current);

private:
    std::string Table() const;
    void Run(const std::vector<std::string>& fields, const std::vector<fb::Value>& original,
             const std::vector<fb::Value>& current, TUpdateKind kind);

    std::string FName;
    fb::Query* FDataSet = nullptr;
    std::string FTableName;
    std::vector<std::string> FKeyFields;
    UpdateErrorHandler FOnUpdateError;
};

class TLocalClientDataset {
public:
    TLocalClientDataset();

    TDataSetProvider& Dsp() { return FDsp; }
    fb::Query& Query() { return FQuery; }
    void SetTransactionLevels(TTransactionLevels levels) { FLevels = std::move(levels); }

    // Reads the source query's rows into the cache (one nesting level).
    void Open();
    void Close();
    bool Active() const { return FActive; }

    std::size_t FieldCount() const { return FFieldNames.size(); }
    const std::string& FieldName(std::size_t field) const;
    std::size_t RecordCount() const { return FRows.size(); }
    const fb::Value& Fields(std::size_t row, std::size_t field) const;
    const fb::Value& FieldByName(std::size_t row, const std::string& name) const;

    void SetField(std::size_t row, std::size_t field, fb::Value value);
    void SetFieldByName(std::size_t row, const std::string& name, fb::Value value);
    // Appends a row (missing values are null); gives its index.
    std::size_t Append(std::vector<fb::Value> values);
    void Delete(std::size_t row);

    // Changes not yet applied.
    std::size_t ChangeCount() const;
    // Applies every change in one nesting level; on the first failure the level is rolled back
    // (at the outermost level) and the cache keeps its changes.
    void ApplyUpdates();
    void CancelUpdates();

private:
    enum class RowState { Unchanged, Modified, Inserted };
    struct Row {
        std::vector<fb::Value> original;
        std::vector<fb::Value> current;
        RowState state = RowState::Unchanged;
    };

    void CheckActive() const;
    std::size_t FieldIndex(const std::string& name) const;
    Row& RowAt(std::size_t row);
    template <typename F> void InLevel(F&& body);

    TDataSetProvider FDsp;
    fb::Query FQuery{"Query"};
    TTransactionLevels FLevels;
    bool FActive = false;
    std::vector<std::string> FFieldNames;
    std::vector<Row> FRows;
    std::vector<Row> FDeleted; // deleted rows that exist in the table
};

#pragma once

// A dataset over one described table, handed out by TTableManager. Read-only it is a forward-only
// query; editable it also keeps a one-row buffer that Post writes through the generated INSERT or
// UPDATE text (the old key values in the :OLD_ parameters) and Delete through the DELETE text.
// Opening starts the dataset's own private transaction when it is not running; a shared
// transaction is the caller's to start.

#include "firebird/Query.h"
#include "firebird/Statement.h"

#include <string>
#include <utility>
#include <vector>

class TTableDataset : public fb::Query {
public:
    enum class State { Browse, Insert, Edit };

    explicit TTableDataset(std::string name = {});

    bool ReadOnly() const { return FReadOnly; }
    bool ForwardOnly() const { return FForwardOnly; }
    void SetForwardOnly(bool on) { FForwardOnly = on; }
    bool OwnsTransaction() const { return FOwnsTransaction; }
    State EditState() const { return FState; }

    // Hides fb::Query::Open: starts the private transaction first.
    void Open();

    // The generated texts and the parameter names they use, in order (set by the table manager).
    struct Texts {
        std::vector<std::string> insertSql, modifySql, deleteSql;
        std::vector<std::string> insertParams, modifyParams, deleteParams; // column names; "OLD_x" for old keys
    };
    void MakeEditable(Texts texts);
    void SetOwnsTransaction(bool on) { FOwnsTransaction = on; }
    const Texts& EditTexts() const { return FTexts; }

    // Editing: Append starts an empty row; Edit copies the current row; SetFieldValue changes the
    // buffer; Post writes it; Cancel drops it; Delete removes the current row. A Post or Delete
    // that changes no row (the row went meanwhile) fails and keeps the buffer.
    void Append();
    void Edit();
    void SetFieldValue(const std::string& column, fb::Value value);
    void Post();
    void Cancel();
    void Delete();

private:
    void CheckEditable() const;
    std::vector<std::pair<std::string, fb::Value>> CurrentRow() const;
    static fb::Value Lookup(const std::vector<std::pair<std::string, fb::Value>>& row, const std::string& column);
    void Run(const std::vector<std::string>& sql, const std::vector<std::string>& params);

    bool FReadOnly = true;
    bool FForwardOnly = false;
    bool FOwnsTransaction = false;
    State FState = State::Browse;
    Texts FTexts;
    std::vector<std::pair<std::string, fb::Value>> FOld;
    std::vector<std::pair<std::string, fb::Value>> FNew;
    fb::Statement FPost{"Post"};
};

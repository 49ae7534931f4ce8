#include "Components/Quarnel/TableDataset.h"

#include "environment/Errors.h"
#include "firebird/Transaction.h"
#include "platform/text/Text.h"

TTableDataset::TTableDataset(std::string name)
    : fb::Query(std::move(name)) {}

void TTableDataset::Open() {
    fb::Transaction* transaction = GetTransaction();
    if (FOwnsTransaction && transaction && !transaction->InTransaction())
        transaction->StartTransaction();
    fb::Query::Open();
}

void TTableDataset::MakeEditable(Texts texts) {
    FTexts = std::move(texts);
    FReadOnly = false;
}

void TTableDataset::CheckEditable() const {
    if (FReadOnly)
        throw Exception("Cannot modify a read-only dataset");
}

std::vector<std::pair<std::string, fb::Value>> TTableDataset::CurrentRow() const {
    if (!Active() || Eof())
        throw Exception("No current record");
    std::vector<std::pair<std::string, fb::Value>> row;
    for (std::size_t i = 0; i < FieldCount(); ++i)
        row.emplace_back(FieldName(i), Fields(i));
    return row;
}

fb::Value TTableDataset::Lookup(const std::vector<std::pair<std::string, fb::Value>>& row, const std::string& column) {
    for (const auto& [name, value] : row) {
        if (platform::text::EqualsIgnoreAsciiCase(name, column))
            return value;
    }
    return {};
}

void TTableDataset::Append() {
    CheckEditable();
    FOld.clear();
    FNew.clear();
    FState = State::Insert;
}

void TTableDataset::Edit() {
    CheckEditable();
    FOld = CurrentRow();
    FNew = FOld;
    FState = State::Edit;
}

void TTableDataset::SetFieldValue(const std::string& column, fb::Value value) {
    if (FState == State::Browse)
        throw Exception("Dataset not in edit or insert mode");
    for (auto& [name, current] : FNew) {
        if (platform::text::EqualsIgnoreAsciiCase(name, column)) {
            current = std::move(value);
            return;
        }
    }
    FNew.emplace_back(column, std::move(value));
}

void TTableDataset::Post() {
    if (FState == State::Browse)
        throw Exception("Dataset not in edit or insert mode");
    if (FState == State::Insert)
        Run(FTexts.insertSql, FTexts.insertParams);
    else
        Run(FTexts.modifySql, FTexts.modifyParams);
    Cancel();
}

void TTableDataset::Cancel() {
    FOld.clear();
    FNew.clear();
    FState = State::Browse;
}

void TTableDataset::Delete() {
    CheckEditable();
    FOld = CurrentRow();
    FNew.clear();
    Run(FTexts.deleteSql, FTexts.deleteParams);
    Cancel();
}

void TTableDataset::Run(const std::vector<std::string>& sql, const std::vector<std::string>& params) {
    fb::Transaction* transaction = GetTransaction();
    if (FOwnsTransaction && transaction && !transaction->InTransaction())
        transaction->StartTransaction();
    FPost.SetDatabase(Database());
    FPost.SetTransaction(transaction);
    FPost.SQL() = sql;
    for (const std::string& param : params) {
        const bool old = param.size() > 4 && platform::text::StartsWithIgnoreAsciiCase(param, "OLD_");
        FPost.ParamByName(param) = old ? Lookup(FOld, param.substr(4)) : Lookup(FNew, param);
    }
    FPost.ExecQuery();
    // The row the buffer stands for went meanwhile: nothing was written, and the caller must know.
    if (FPost.RowsAffected() == 0)
        throw Exception("L'enregistrement n'a pas été trouvé : il a été modifié ou supprimé entre-temps.");
}

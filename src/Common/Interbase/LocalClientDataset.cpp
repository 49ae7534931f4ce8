#include "Common/Interbase/LocalClientDataset.h"

#include "environment/Errors.h"
#include "platform/text/Text.h"

#include <algorithm>
#include <cctype>

namespace {

// The first name after FROM in `text` (a one-table query).
std::string TableOfQuery(const std::string& text) {
    std::string upper = platform::text::AsciiUpper(text);
    std::size_t pos = 0;
    while ((pos = upper.find("FROM", pos)) != std::string::npos) {
        bool wordStart =
            pos == 0 || !(std::isalnum(static_cast<unsigned char>(upper[pos - 1])) || upper[pos - 1] == '_');
        bool wordEnd = pos + 4 < upper.size() && std::isspace(static_cast<unsigned char>(upper[pos + 4]));
        if (wordStart && wordEnd)
            break;
        pos += 4;
    }
    if (pos == std::string::npos)
        return {};
    pos += 4;
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])))
        ++pos;
    std::size_t end = pos;
    if (end < text.size() && text[end] == '"') {
        end = text.find('"', end + 1);
        return end == std::string::npos ? std::string() : text.substr(pos, end + 1 - pos);
    }
    while (end < text.size() &&
           (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_' || text[end] == '$'))
        ++end;
    return text.substr(pos, end - pos);
}

} // namespace

TDataSetProvider::TDataSetProvider(std::string name)
    : FName(std::move(name)) {}

std::string TDataSetProvider::Table() const {
    if (!FTableName.empty())
        return FTableName;
    if (!FDataSet)
        throw Exception(FName + " : no DataSet");
    std::string table = TableOfQuery(FDataSet->Text());
    if (table.empty())
        throw Exception(FName + " : table name not found");
    return table;
}

void TDataSetProvider::ApplyUpdate(TUpdateKind kind, const std::vector<std::string>& fields,
                                   const std::vector<fb::Value>& original, const std::vector<fb::Value>& current) {
    try {
        Run(fields, original, current, kind);
    } catch (const std::exception& e) {
        if (!FOnUpdateError)
            throw;
        FOnUpdateError(kind, e);
        throw; // a handler that does not raise leaves the failure as it was
    }
}

void TDataSetProvider::Run(const std::vector<std::string>& fields, const std::vector<fb::Value>& original,
                           const std::vector<fb::Value>& current, TUpdateKind kind) {
    if (!FDataSet)
        throw Exception(FName + " : no DataSet");
    std::string table = Table();
    fb::Statement statement("DspStatement");
    statement.SetDatabase(FDataSet->Database());
    statement.SetTransaction(FDataSet->GetTransaction());

    std::vector<std::pair<std::string, fb::Value>> params;
    auto where = [&]() {
        std::string text;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            bool key =
                FKeyFields.empty() || std::any_of(FKeyFields.begin(), FKeyFields.end(), [&](const std::string& k) {
                    return platform::text::EqualsIgnoreAsciiCase(k, fields[i]);
                });
            if (!key)
                continue;
            text += text.empty() ? " WHERE " : " AND ";
            if (original[i].IsNull()) {
                text += fields[i] + " IS NULL";
            } else {
                text += fields[i] + " = :o" + std::to_string(i);
                params.emplace_back("o" + std::to_string(i), original[i]);
            }
        }
        return text;
    };

    std::string sql;
    if (kind == TUpdateKind::ukInsert) {
        std::string names, values;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            names += (i ? ", " : "") + fields[i];
            values += (i ? ", :n" : ":n") + std::to_string(i);
            params.emplace_back("n" + std::to_string(i), current[i]);
        }
        sql = "INSERT INTO " + table + " (" + names + ") VALUES (" + values + ")";
    } else if (kind == TUpdateKind::ukModify) {
        std::string set;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (current[i] == original[i])
                continue;
            set += (set.empty() ? "" : ", ") + fields[i] + " = :n" + std::to_string(i);
            params.emplace_back("n" + std::to_string(i), current[i]);
        }
        if (set.empty())
            return;
        sql = "UPDATE " + table + " SET " + set + where();
    } else {
        sql = "DELETE FROM " + table + where();
    }
    statement.SetText(sql);
    for (auto& [name, value] : params)
        statement.ParamByName(name) = value;
    statement.ExecQuery();
    if (kind != TUpdateKind::ukInsert && statement.RowsAffected() != 1)
        throw Exception(statement.RowsAffected() == 0 ? "Record not found or changed by another user"
                                                      : "Too many records affected by the change");
}

TLocalClientDataset::TLocalClientDataset() {
    FDsp.SetDataSet(&FQuery);
}

template <typename F> void TLocalClientDataset::InLevel(F&& body) {
    if (FLevels.start)
        FLevels.start();
    try {
        body();
    } catch (...) {
        if (!FLevels.rollback)
            throw;
        FLevels.rollback(std::current_exception());
        throw; // a rollback that does not raise (a handled error) leaves the failure to the caller
    }
    if (FLevels.commit)
        FLevels.commit();
}

void TLocalClientDataset::Open() {
    Close();
    InLevel([&] {
        FQuery.Open();
        FFieldNames.clear();
        for (std::size_t i = 0; i < FQuery.FieldCount(); ++i)
            FFieldNames.push_back(FQuery.FieldName(i));
        for (; !FQuery.Eof(); FQuery.Next()) {
            Row row;
            for (std::size_t i = 0; i < FFieldNames.size(); ++i)
                row.original.push_back(FQuery.Fields(i));
            row.current = row.original;
            FRows.push_back(std::move(row));
        }
        FQuery.Close();
    });
    FActive = true;
}

void TLocalClientDataset::Close() {
    FQuery.Close();
    FActive = false;
    FRows.clear();
    FDeleted.clear();
    FFieldNames.clear();
}

void TLocalClientDataset::CheckActive() const {
    if (!FActive)
        throw Exception("Cannot perform this operation on a closed dataset");
}

const std::string& TLocalClientDataset::FieldName(std::size_t field) const {
    if (field >= FFieldNames.size())
        throw Exception("Field index " + std::to_string(field) + " out of range");
    return FFieldNames[field];
}

std::size_t TLocalClientDataset::FieldIndex(const std::string& name) const {
    for (std::size_t i = 0; i < FFieldNames.size(); ++i)
        if (platform::text::EqualsIgnoreAsciiCase(FFieldNames[i], name))
            return i;
    throw Exception("Field " + name + " not found");
}

TLocalClientDataset::Row& TLocalClientDataset::RowAt(std::size_t row) {
    CheckActive();
    if (row >= FRows.size())
        throw Exception("Record index " + std::to_string(row) + " out of range");
    return FRows[row];
}

const fb::Value& TLocalClientDataset::Fields(std::size_t row, std::size_t field) const {
    CheckActive();
    if (row >= FRows.size())
        throw Exception("Record index " + std::to_string(row) + " out of range");
    FieldName(field);
    return FRows[row].current[field];
}

const fb::Value& TLocalClientDataset::FieldByName(std::size_t row, const std::string& name) const {
    return Fields(row, FieldIndex(name));
}

void TLocalClientDataset::SetField(std::size_t row, std::size_t field, fb::Value value) {
    Row& target = RowAt(row);
    FieldName(field);
    target.current[field] = std::move(value);
    if (target.state == RowState::Unchanged)
        target.state = RowState::Modified;
}

void TLocalClientDataset::SetFieldByName(std::size_t row, const std::string& name, fb::Value value) {
    SetField(row, FieldIndex(name), std::move(value));
}

std::size_t TLocalClientDataset::Append(std::vector<fb::Value> values) {
    CheckActive();
    if (values.size() > FFieldNames.size())
        throw Exception("Too many values for the dataset's fields");
    values.resize(FFieldNames.size());
    FRows.push_back(Row{{}, std::move(values), RowState::Inserted});
    return FRows.size() - 1;
}

void TLocalClientDataset::Delete(std::size_t row) {
    Row& target = RowAt(row);
    if (target.state != RowState::Inserted)
        FDeleted.push_back(std::move(target));
    FRows.erase(FRows.begin() + static_cast<std::ptrdiff_t>(row));
}

std::size_t TLocalClientDataset::ChangeCount() const {
    return FDeleted.size() + static_cast<std::size_t>(std::count_if(FRows.begin(), FRows.end(), [](const Row& row) {
               return row.state != RowState::Unchanged;
           }));
}

void TLocalClientDataset::ApplyUpdates() {
    CheckActive();
    InLevel([&] {
        for (const Row& row : FDeleted)
            FDsp.ApplyUpdate(TUpdateKind::ukDelete, FFieldNames, row.original, {});
        for (const Row& row : FRows) {
            if (row.state == RowState::Modified)
                FDsp.ApplyUpdate(TUpdateKind::ukModify, FFieldNames, row.original, row.current);
            else if (row.state == RowState::Inserted)
                FDsp.ApplyUpdate(TUpdateKind::ukInsert, FFieldNames, {}, row.current);
        }
    });
    FDeleted.clear();
    for (Row& row : FRows) {
        row.original = row.current;
        row.state = RowState::Unchanged;
    }
}

void TLocalClientDataset::CancelUpdates() {
    CheckActive();
    std::vector<Row> rows;
    for (Row& row : FRows) {
        if (row.state == RowState::Inserted)
            continue;
        row.current = row.original;
        row.state = RowState::Unchanged;
        rows.push_back(std::move(row));
    }
    for (Row& row : FDeleted) {
        row.current = row.original;
        row.state = RowState::Unchanged;
        rows.push_back(std::move(row));
    }
    FRows = std::move(rows);
    FDeleted.clear();
}

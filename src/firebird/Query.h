#pragma once

// A forward-only dataset: Open runs the text and stands on the first row (Eof when there is
// none), Next moves on, fields are read by index or name, Close ends the cursor.

#include "firebird/Messages.h"
#include "firebird/SqlCommand.h"

#include <memory>
#include <optional>

namespace fb {

class Query : public SqlCommand {
public:
    explicit Query(std::string name = {});
    ~Query() override;

    void Open();
    // Ends the cursor. Never fails: a cursor whose connection is gone is dropped client-side.
    void Close();
    bool Active() const { return FCursor != nullptr; }
    bool Eof() const { return FEof; }
    void Next();

    // The columns of the open (or last opened) query.
    std::size_t FieldCount() const;
    const std::string& FieldName(std::size_t index) const;
    // The current row's value; fails with "Field index N out of range" or, by name, with
    // "Field <name> not found". Names compare without regard to ASCII case.
    const Value& Fields(std::size_t index) const;
    const Value& FieldByName(const std::string& name) const;

    // Drops the row buffers and the cursor without contacting the server (lost connections).
    void DropBuffers();

private:
    void Fetch();

    Firebird::IResultSet* FCursor = nullptr;
    std::unique_ptr<OutputMessage> FOutput;
    std::vector<Value> FRow;
    bool FEof = true;
};

} // namespace fb

#pragma once

// A statement without a cursor (DDL, INSERT / UPDATE / DELETE, EXECUTE PROCEDURE): ExecQuery
// runs the text in the transaction; the output values of a procedure are then in Fields.

#include "firebird/SqlCommand.h"

namespace fb {

class Statement : public SqlCommand {
public:
    explicit Statement(std::string name = {});

    void ExecQuery();
    // Rows changed by the last ExecQuery of an INSERT, UPDATE or DELETE.
    std::size_t RowsAffected() const { return FRowsAffected; }
    std::size_t FieldCount() const { return FOutputs.size(); }
    const Value& Fields(std::size_t index) const;

private:
    std::vector<Value> FOutputs;
    std::size_t FRowsAffected = 0;
};

} // namespace fb

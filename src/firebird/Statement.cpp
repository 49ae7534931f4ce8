#include "firebird/Statement.h"

#include "firebird/Attachment.h"
#include "firebird/Messages.h"
#include "firebird/Transaction.h"

#include <stdexcept>

namespace fb {

Statement::Statement(std::string name)
    : SqlCommand(std::move(name)) {}

void Statement::ExecQuery() {
    FOutputs.clear();
    FRowsAffected = 0;
    Firebird::IStatement* statement = Prepared();
    Attachment& database = EffectiveDatabase();
    Transaction& transaction = EffectiveTransaction();
    Status status;
    Ref<Firebird::IMessageMetadata> inputs(statement->getInputMetadata(&status));
    status.Check();
    InputMessage input(database, transaction, inputs.get(), PositionalValues(), PositionalNames());
    Ref<Firebird::IMessageMetadata> outputs(statement->getOutputMetadata(&status));
    status.Check();
    OutputMessage output(outputs.get());
    bool hasOutput = !output.Names().empty();
    statement->execute(&status, transaction.Handle(), input.Metadata(), input.Buffer(),
                       hasOutput ? output.Metadata() : nullptr, hasOutput ? output.Buffer() : nullptr);
    status.Check();
    if (hasOutput)
        FOutputs = output.Decode(database, transaction);
    auto affected = statement->getAffectedRecords(&status);
    if (!status.Failed())
        FRowsAffected = static_cast<std::size_t>(affected);
}

const Value& Statement::Fields(std::size_t index) const {
    if (index >= FOutputs.size())
        throw std::out_of_range("Field index " + std::to_string(index) + " out of range");
    return FOutputs[index];
}

} // namespace fb

#include "firebird/Query.h"

#include "firebird/Attachment.h"
#include "firebird/Transaction.h"
#include "platform/text/Text.h"

#include <stdexcept>

namespace fb {

Query::Query(std::string name)
    : SqlCommand(std::move(name)) {}

Query::~Query() {
    Close();
}

void Query::Open() {
    Close();
    Firebird::IStatement* statement = Prepared();
    Attachment& database = EffectiveDatabase();
    Transaction& transaction = EffectiveTransaction();
    Status status;
    Ref<Firebird::IMessageMetadata> inputs(statement->getInputMetadata(&status));
    status.Check();
    InputMessage input(database, transaction, inputs.get(), PositionalValues(), PositionalNames());
    Ref<Firebird::IMessageMetadata> outputs(statement->getOutputMetadata(&status));
    status.Check();
    auto output = std::make_unique<OutputMessage>(outputs.get());
    Firebird::IResultSet* cursor =
        statement->openCursor(&status, transaction.Handle(), input.Metadata(), input.Buffer(), output->Metadata(), 0);
    status.Check();
    FCursor = cursor;
    FOutput = std::move(output);
    FEof = false;
    Fetch();
}

void Query::Fetch() {
    Status status;
    int result = FCursor->fetchNext(&status, FOutput->Buffer());
    status.Check();
    if (result == Firebird::IStatus::RESULT_OK) {
        FRow = FOutput->Decode(EffectiveDatabase(), EffectiveTransaction());
    } else {
        FRow.clear();
        FEof = true;
    }
}

void Query::Next() {
    if (!FCursor)
        throw std::runtime_error("Dataset not open");
    if (!FEof)
        Fetch();
}

void Query::Close() {
    if (!FCursor)
        return;
    Status status;
    FCursor->close(&status);
    if (status.Failed())
        FCursor->release(); // the connection is gone; the server side went with it
    FCursor = nullptr;
    FRow.clear();
    FEof = true;
}

void Query::DropBuffers() {
    if (FCursor)
        FCursor->release();
    FCursor = nullptr;
    FRow.clear();
    FEof = true;
    Unprepare();
}

std::size_t Query::FieldCount() const {
    return FOutput ? FOutput->Names().size() : 0;
}

const std::string& Query::FieldName(std::size_t index) const {
    if (index >= FieldCount())
        throw std::out_of_range("Field index " + std::to_string(index) + " out of range");
    return FOutput->Names()[index];
}

const Value& Query::Fields(std::size_t index) const {
    if (index >= FRow.size())
        throw std::out_of_range("Field index " + std::to_string(index) + " out of range");
    return FRow[index];
}

const Value& Query::FieldByName(const std::string& name) const {
    for (std::size_t i = 0; i < FieldCount() && i < FRow.size(); ++i)
        if (platform::text::EqualsIgnoreAsciiCase(FOutput->Names()[i], name))
            return FRow[i];
    throw std::runtime_error("Field " + name + " not found");
}

} // namespace fb

#include "firebird/SqlCommand.h"

#include "firebird/Attachment.h"
#include "firebird/Transaction.h"
#include "platform/text/Text.h"

#include <algorithm>
#include <stdexcept>

namespace fb {

SqlCommand::SqlCommand(std::string name)
    : Component(std::move(name)) {}

SqlCommand::~SqlCommand() {
    Unprepare();
}

void SqlCommand::SetText(std::string text) {
    FLines.clear();
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        FLines.push_back(std::move(line));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
}

void SqlCommand::SyncParams() {
    std::string text = Text();
    if (FParsedValid && text == FParsedText && FParamCheck == FParsedCheck)
        return;
    FParsedValid = true;
    FParsedText = text;
    FParsedCheck = FParamCheck;
    FParsed = FParamCheck ? ParseNamedParameters(text) : ParsedSql{text, {}};
    FParamNames.clear();
    for (std::size_t i = 0; i < FParsed.names.size(); ++i) {
        std::string name = platform::text::AsciiUpper(FParsed.names[i]);
        // A "?" of the original text is a parameter of its own, reached by position.
        if (name.empty())
            name = "?" + std::to_string(i);
        if (std::find(FParamNames.begin(), FParamNames.end(), name) == FParamNames.end())
            FParamNames.push_back(name);
    }
    FParamValues.assign(FParamNames.size(), Value());
}

std::size_t SqlCommand::ParamCount() {
    SyncParams();
    return FParamNames.size();
}

Value& SqlCommand::Params(std::size_t index) {
    SyncParams();
    if (index >= FParamValues.size())
        throw std::out_of_range("Parameter index " + std::to_string(index) + " out of range");
    return FParamValues[index];
}

Value& SqlCommand::ParamByName(const std::string& name) {
    SyncParams();
    std::string wanted = platform::text::AsciiUpper(name);
    auto found = std::find(FParamNames.begin(), FParamNames.end(), wanted);
    if (found == FParamNames.end())
        throw std::runtime_error("Parameter " + name + " not found");
    return FParamValues[static_cast<std::size_t>(found - FParamNames.begin())];
}

void SqlCommand::ClearParams() {
    SyncParams();
    for (Value& value : FParamValues)
        value.Clear();
}

Attachment& SqlCommand::EffectiveDatabase() const {
    Attachment* database = FDatabase;
    if (!database && FTransaction)
        database = FTransaction->DefaultDatabase();
    if (!database)
        throw std::runtime_error("Database not assigned");
    return *database;
}

Transaction& SqlCommand::EffectiveTransaction() const {
    if (!FTransaction)
        throw std::runtime_error("Transaction not assigned");
    return *FTransaction;
}

Firebird::IStatement* SqlCommand::Prepared() {
    SyncParams();
    Attachment& database = EffectiveDatabase();
    Transaction& transaction = EffectiveTransaction();
    std::string wire = database.ToServer(FParsed.text);
    if (FStatement && wire == FPreparedText && database.ConnectionId() == FPreparedOn)
        return FStatement;
    Unprepare();
    Status status;
    Firebird::IStatement* statement = database.Handle()->prepare(
        &status, transaction.Handle(), static_cast<unsigned>(wire.size()), wire.c_str(),
        static_cast<unsigned>(database.SQLDialect()), Firebird::IStatement::PREPARE_PREFETCH_METADATA);
    status.Check();
    FStatement = statement;
    FPreparedText = wire;
    FPreparedOn = database.ConnectionId();
    return FStatement;
}

std::vector<Value> SqlCommand::PositionalValues() {
    SyncParams();
    std::vector<Value> values;
    for (std::size_t i = 0; i < FParsed.names.size(); ++i) {
        std::string name = platform::text::AsciiUpper(FParsed.names[i]);
        if (name.empty())
            name = "?" + std::to_string(i);
        auto found = std::find(FParamNames.begin(), FParamNames.end(), name);
        values.push_back(FParamValues[static_cast<std::size_t>(found - FParamNames.begin())]);
    }
    return values;
}

void SqlCommand::Unprepare() {
    if (!FStatement)
        return;
    Status status;
    FStatement->free(&status);
    if (status.Failed())
        FStatement->release(); // the attachment is gone; only the client side is left to free
    FStatement = nullptr;
    FPreparedText.clear();
    FPreparedOn = 0;
}

} // namespace fb

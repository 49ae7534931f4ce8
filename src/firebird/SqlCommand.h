#pragma once

// What a query and a statement share: the text as lines, the database and transaction they run
// on, named parameters mapped to positions, and the prepared statement.

#include "firebird/Client.h"
#include "firebird/Component.h"
#include "firebird/SqlText.h"
#include "firebird/Value.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fb {

class Attachment;
class Transaction;

class SqlCommand : public Component {
public:
    explicit SqlCommand(std::string name = {});
    ~SqlCommand() override;

    // The database; without one, the transaction's default database.
    Attachment* Database() const { return FDatabase; }
    void SetDatabase(Attachment* database) { FDatabase = database; }
    Transaction* GetTransaction() const { return FTransaction; }
    void SetTransaction(Transaction* transaction) { FTransaction = transaction; }

    // The text, one entry per line (joined by CR LF when sent). Editing it drops the parameter
    // values and the prepared statement.
    std::vector<std::string>& SQL() { return FLines; }
    const std::vector<std::string>& SQL() const { return FLines; }
    void SetText(std::string text);
    std::string Text() const { return JoinLines(FLines); }

    // When off, the text is sent unchanged (procedure bodies use ":name" for their variables).
    bool ParamCheck() const { return FParamCheck; }
    void SetParamCheck(bool on) { FParamCheck = on; }

    // The parameters of the text, one per distinct name in order of first use (a name used twice
    // is one parameter). ParamByName fails with "Parameter <name> not found".
    std::size_t ParamCount();
    Value& Params(std::size_t index);
    Value& ParamByName(const std::string& name);
    void ClearParams();

protected:
    Attachment& EffectiveDatabase() const;
    Transaction& EffectiveTransaction() const;
    // The statement prepared for the current text, database and transaction.
    Firebird::IStatement* Prepared();
    // The positional values of the prepared text.
    std::vector<Value> PositionalValues();
    // The name of each positional parameter, as written in the text ("" for a plain "?").
    const std::vector<std::string>& PositionalNames() const { return FParsed.names; }
    void Unprepare();

private:
    void SyncParams();

    Attachment* FDatabase = nullptr;
    Transaction* FTransaction = nullptr;
    std::vector<std::string> FLines;
    bool FParamCheck = true;
    bool FParsedValid = false;
    std::string FParsedText;
    bool FParsedCheck = true;
    ParsedSql FParsed;
    std::vector<std::string> FParamNames; // distinct, upper case
    std::vector<Value> FParamValues;
    Firebird::IStatement* FStatement = nullptr;
    std::string FPreparedText;
    std::uint64_t FPreparedOn = 0; // Attachment::ConnectionId of the prepared statement
};

} // namespace fb

#pragma once

// A transaction: a default database, parameter block items, an integer tag (the component's
// Tag, used by the system as its nesting counter) and start / commit / rollback. A transaction
// still active when destroyed is rolled back.

#include "firebird/Component.h"
#include "firebird/ParameterBlock.h"

namespace Firebird {
class ITransaction;
}

namespace fb {

class Attachment;

class Transaction : public Component {
public:
    explicit Transaction(std::string name = {});
    ~Transaction() override;

    Attachment* DefaultDatabase() const { return FDefaultDatabase; }
    void SetDefaultDatabase(Attachment* database) { FDefaultDatabase = database; }

    ParameterList& Params() { return FParams; }
    const ParameterList& Params() const { return FParams; }

    // Starts on the default database with the parameter items. Fails with "Transaction is
    // active" when active, "Nil Database" without a database.
    void StartTransaction();
    // A failed commit leaves the transaction active; a failed rollback leaves it inactive.
    void Commit();
    // Commits; when the commit fails, rolls the work back and raises the commit's error, so that
    // the transaction is never left active with work that can no longer be committed.
    void CommitOrRollback();
    void CommitRetaining();
    void Rollback();
    void RollbackRetaining();
    bool InTransaction() const { return FHandle != nullptr; }

    // For every transaction of the process that does not choose its own wait mode: wait at most
    // `seconds` for a record that another transaction holds, then fail with a lock conflict
    // (0: wait as long as it takes, the engine's default).
    static void SetDefaultLockTimeout(int seconds);
    // The parameter items a start sends: Params, with the default lock timeout where it applies.
    ParameterList EffectiveParams() const;

    // The transaction; fails with "Transaction not active" when it is not.
    Firebird::ITransaction* Handle() const;

private:
    Attachment* FDefaultDatabase = nullptr;
    ParameterList FParams;
    Firebird::ITransaction* FHandle = nullptr;
};

} // namespace fb

#include "firebird/Transaction.h"

#include "firebird/Attachment.h"
#include "firebird/Client.h"

#include "platform/text/Text.h"

#include <atomic>
#include <stdexcept>

namespace fb {

namespace {

std::atomic<int> DefaultLockTimeout{0};

bool Names(const std::string& item, std::string_view name) {
    std::string lower = platform::text::ToLower(item.substr(0, item.find('=')));
    if (lower.starts_with("isc_tpb_"))
        lower.erase(0, 8);
    return lower == name;
}

} // namespace

void Transaction::SetDefaultLockTimeout(int seconds) {
    DefaultLockTimeout = seconds;
}

ParameterList Transaction::EffectiveParams() const {
    const int timeout = DefaultLockTimeout;
    if (timeout <= 0)
        return FParams;
    for (const std::string& item : FParams)
        if (Names(item, "nowait") || Names(item, "lock_timeout"))
            return FParams;
    ParameterList items = FParams;
    bool waits = false;
    for (const std::string& item : FParams)
        waits = waits || Names(item, "wait");
    if (!waits)
        items.push_back("wait");
    items.push_back("lock_timeout=" + std::to_string(timeout));
    return items;
}

Transaction::Transaction(std::string name)
    : Component(std::move(name)) {}

Transaction::~Transaction() {
    if (!FHandle)
        return;
    Status status;
    FHandle->rollback(&status);
    if (status.Failed())
        FHandle->release(); // a destructor cannot report; the server ends the transaction with the attachment
}

void Transaction::StartTransaction() {
    if (FHandle)
        throw std::runtime_error("Transaction is active");
    if (!FDefaultDatabase)
        throw std::runtime_error("Nil Database");
    auto tpb = BuildTransactionParameterBlock(EffectiveParams());
    Status status;
    Firebird::ITransaction* handle = FDefaultDatabase->Handle()->startTransaction(
        &status, static_cast<unsigned>(tpb.size()), tpb.empty() ? nullptr : tpb.data());
    status.Check();
    FHandle = handle;
}

void Transaction::Commit() {
    Status status;
    Handle()->commit(&status);
    // A failed commit leaves the transaction active, so that the caller can roll it back.
    status.Check();
    FHandle = nullptr; // a successful commit released the interface
}

void Transaction::CommitOrRollback() {
    try {
        Commit();
    } catch (...) {
        if (FHandle) {
            Status status;
            FHandle->rollback(&status);
            if (status.Failed())
                FHandle->release(); // the commit's error says more than the rollback's
            FHandle = nullptr;
        }
        throw;
    }
}

void Transaction::Rollback() {
    Firebird::ITransaction* handle = Handle();
    Status status;
    handle->rollback(&status);
    // A failed rollback (a lost connection) leaves nothing more to try: drop the client side.
    if (status.Failed())
        handle->release();
    FHandle = nullptr;
    status.Check();
}

void Transaction::CommitRetaining() {
    Status status;
    Handle()->commitRetaining(&status);
    status.Check();
}

void Transaction::RollbackRetaining() {
    Status status;
    Handle()->rollbackRetaining(&status);
    status.Check();
}

Firebird::ITransaction* Transaction::Handle() const {
    if (!FHandle)
        throw std::runtime_error("Transaction not active");
    return FHandle;
}

} // namespace fb

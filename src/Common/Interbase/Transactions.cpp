// The nesting levels of GlobalTransaction: its tag counts the open levels, and only the outermost
// level starts, commits or rolls back the Firebird transaction. The database manager counts on
// the same tag.

#include "Common/Interbase/dmDBConnectionUnit.h"
#include "environment/Errors.h"
#include "firebird/DatabaseError.h"

bool TdmDBConnection::DoStartTransaction(bool ProtectedFlag) {
    if (GlobalTransaction.Tag() == 0) {
        try {
            GlobalTransaction.StartTransaction();
        } catch (const std::exception&) {
            if (!ProtectedFlag)
                throw;
            return false;
        }
    }
    GlobalTransaction.SetTag(GlobalTransaction.Tag() + 1);
    return true;
}

bool TdmDBConnection::DoStartReadOnlyTransaction(bool ProtectedFlag) {
    if (GlobalTransaction.Tag() != 0)
        return DoStartTransaction(ProtectedFlag); // the open transaction is joined, whatever it is
    GlobalTransaction.Params() = {"concurrency", "nowait", "read"};
    try {
        bool started = DoStartTransaction(ProtectedFlag);
        if (!started)
            GlobalTransaction.Params().clear();
        return started;
    } catch (...) {
        // The next start must not inherit the read-only parameters of a start that failed.
        GlobalTransaction.Params().clear();
        throw;
    }
}

void TdmDBConnection::DoCommit() {
    GlobalTransaction.SetTag(GlobalTransaction.Tag() - 1);
    if (GlobalTransaction.Tag() < 0) {
        // A commit without a start: the counter goes back to "no level open" so that the next
        // start really starts.
        GlobalTransaction.SetTag(0);
        throw Exception("TRANSACTION MANAGEMENT ERROR");
    }
    if (GlobalTransaction.Tag() == 0) {
        GlobalTransaction.Params().clear();
        if (Connected() && GlobalTransaction.InTransaction())
            GlobalTransaction.CommitOrRollback();
    }
}

void TdmDBConnection::DoRollback(std::exception_ptr e) {
    GlobalTransaction.SetTag(GlobalTransaction.Tag() - 1);
    if (GlobalTransaction.Tag() < 0)
        GlobalTransaction.SetTag(0); // an unbalanced rollback: as for DoCommit
    if (GlobalTransaction.Tag() == 0) {
        GlobalTransaction.Params().clear();
        if (Connected() && GlobalTransaction.InTransaction())
            GlobalTransaction.Rollback();
    }
    if (!e)
        return;
    try {
        std::rethrow_exception(e);
    } catch (const fb::DatabaseError& error) {
        if (FExceptionMessageHandler) {
            FExceptionMessageHandler(error.SqlCode(), error.FbCode(), error.what());
            return;
        }
        throw fb::DatabaseError(error.SqlCode(), error.FbCode(), error.what());
    } catch (const EAbort&) {
        throw EAbort();
    } catch (const std::exception& error) {
        throw Exception(error.what());
    }
}

void TdmDBConnection::DoSilentRollback() {
    try {
        DoRollback(nullptr);
    } catch (const std::exception&) {
        // silent by definition: the caller is already leaving on an error of its own
    }
}

void TdmDBConnection::FreeDataset(fb::Query* DataSet) {
    if (!DataSet)
        return;
    switch (DataSet->Tag()) {
    case 1:
    case 2:
        try {
            DataSet->Close();
            DoCommit();
        } catch (...) {
            if (DataSet->Tag() == 2)
                delete DataSet;
            DoRollback(std::current_exception());
            return;
        }
        if (DataSet->Tag() == 2)
            delete DataSet;
        return;
    case 3:
        DatabaseManager.FreeDataset(DataSet);
        return;
    default:
        throw Exception("Tag unknown in DataSet " + DataSet->Name());
    }
}

#include "RecordHolder.h"

#include "TestDatabase.h"
#include "firebird/Statement.h"

namespace testsupport {

RecordHolder::RecordHolder(const std::string& windowsPath, const std::string& sql)
    : FAttachment(Attach(windowsPath, "Holder")) {
    FHeld.SetDefaultDatabase(FAttachment.get());
    FHeld.StartTransaction();
    fb::Statement statement;
    statement.SetTransaction(&FHeld);
    statement.SetText(sql);
    statement.ExecQuery();
}

RecordHolder::~RecordHolder() {
    try {
        if (FHeld.InTransaction())
            FHeld.Rollback();
    } catch (...) {
        // a connection already lost has nothing left to roll back: the attachment still goes
    }
    FAttachment->ForceClose();
}

std::string RecordHolder::CommittedValue(const std::string& sql) {
    return testsupport::CommittedValue(*FAttachment, sql);
}

} // namespace testsupport

#pragma once

// Another program's connection that holds records: it ran an update in a transaction it keeps
// open, so that whoever updates the same records waits on it (or gives up after its lock
// timeout) until the holder commits or rolls back.

#include "firebird/Attachment.h"
#include "firebird/Transaction.h"

#include <memory>
#include <string>

namespace testsupport {

class RecordHolder {
public:
    // Attaches to `windowsPath` as QUARNEL and runs `sql` in a transaction left open.
    RecordHolder(const std::string& windowsPath, const std::string& sql);
    // Rolls back a transaction still open and lets go of the attachment.
    ~RecordHolder();
    RecordHolder(const RecordHolder&) = delete;
    RecordHolder& operator=(const RecordHolder&) = delete;

    void Commit() { FHeld.Commit(); }
    void Rollback() { FHeld.Rollback(); }

    // The first value of `sql` as committed, read through the holder's attachment.
    std::string CommittedValue(const std::string& sql);

private:
    std::unique_ptr<fb::Attachment> FAttachment;
    fb::Transaction FHeld{"Held"};
};

} // namespace testsupport

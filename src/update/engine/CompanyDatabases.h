#pragma once

// The company databases that receive print lists, over the engine's connection module and print
// parameter store: Connect tries the database identities of the product, in order, on the
// database the product registry names for the company; the store does the rest.

#include "update/engine/TdmUpdateCommon.h"

#include <cstdint>
#include <string>
#include <string_view>

class TdmDBConnection;
class TdmStructurePrinting;

namespace update {

// The identities tried for an application type, in order, and the schema version.
struct DatabaseIdentity {
    std::string_view identifier;
    std::int32_t version;
};
std::vector<DatabaseIdentity> PrintListIdentities(Tquar_AppNameType type);

class CompanyPrintListDatabase : public PrintListDatabase {
public:
    CompanyPrintListDatabase(TdmDBConnection& connection, TdmStructurePrinting& store)
        : mDbConnection(connection)
        , mStructurePrinting(store) {}

    // From a closed connection, each identity of the type until one connects.
    bool Connect(Tquar_AppNameType type, std::string_view company) override;
    // One attempt; an error of the connection is a failed attempt.
    bool TryConnect(Tquar_AppNameType type, std::int32_t version, std::string_view identifier,
                    std::string_view company);
    bool Disconnect() override;
    // An outer nesting level of the module's global transaction: the store's levels join it.
    void StartTransaction() override;
    void Commit() override;
    void Rollback() noexcept override;
    bool FindPrintParams(std::string_view key) override;
    void UpdatePrintParams(std::string_view key, const std::vector<std::string>& lines) override;
    // The store reads the header with the list's key as the last default of the descriptions.
    std::string AppendPrintParams(const std::vector<std::string>& lines) override;
    // The key of the list being installed (FindPrintParams sets it).
    const std::string& CurrentKey() const { return FCurrentKey; }

private:
    TdmDBConnection& mDbConnection;
    TdmStructurePrinting& mStructurePrinting;
    std::string FCurrentKey;
};

} // namespace update

#pragma once

// TdmStructurePrinting: the print lists of a company database, one row of PRT_Params per list
// (name, compatibility key, three descriptions, the whole text). It works through one connection
// module: its database, its global transaction and its database manager. Each operation is one
// nesting level of the global transaction, so it commits on its own unless the caller holds an
// outer level.

#include "Common/Interbase/dmDBConnectionUnit.h"
#include "Components/Quarnel/IBManagers.h"

#include <string>
#include <vector>

class TdmStructurePrinting {
public:
    // `connection` must outlive the store; null fails with "FConnection = NIL".
    explicit TdmStructurePrinting(TdmDBConnection* connection);
    TdmStructurePrinting(const TdmStructurePrinting&) = delete;
    TdmStructurePrinting& operator=(const TdmStructurePrinting&) = delete;

    // True when PRT_Params has a row for the list.
    bool FindPrintParams(const std::string& listName);
    // Replaces the stored text of the list; the other columns keep their values.
    void UpdatePrintParams(const std::string& listName, const std::vector<std::string>& lines);
    // Adds the list with its header's compatibility key and descriptions; gives description F.
    std::string AppendPrintParams(const std::string& listName, const std::vector<std::string>& lines);

    // The stored text of a list: every line followed by CR LF.
    static std::string PrintListText(const std::vector<std::string>& lines);

    TTableManager ManagerPrintParams{"ManagerPrintParams"};
    TTableManager ManagerPrintImages{"ManagerPrintImages"};
    // Runs the store's UPDATE and INSERT, which return no rows: a statement.
    fb::Statement QueryPrint{"QueryPrint"};
    fb::Statement IBSQL1{"IBSQL1"};

private:
    void DataModuleCreate();
    template <typename F> decltype(auto) InLevel(F&& body);

    TdmDBConnection* FConnection;
};

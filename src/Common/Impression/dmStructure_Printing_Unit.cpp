#include "Common/Impression/dmStructure_Printing_Unit.h"

#include "Common/Impression/PrintListHeader.h"
#include "environment/Errors.h"

#include <exception>
#include <type_traits>

TdmStructurePrinting::TdmStructurePrinting(TdmDBConnection* connection)
    : FConnection(connection) {
    DataModuleCreate();
}

void TdmStructurePrinting::DataModuleCreate() {
    if (!FConnection)
        throw Exception("FConnection = NIL (TdmStructurePrinting)");
    ManagerPrintParams.SetDatabaseManager(&FConnection->DatabaseManager);
    ManagerPrintImages.SetDatabaseManager(&FConnection->DatabaseManager);
    for (fb::Statement* command : {&QueryPrint, &IBSQL1}) {
        command->SetDatabase(&FConnection->IBDatabase);
        command->SetTransaction(&FConnection->GlobalTransaction);
    }
    ManagerPrintParams.SetTableName("PRT_Params");
    ManagerPrintParams.SetFieldDefs({"pname VARCHAR(60) NOT NULL *", "d_text VARCHAR(90)", "f_text VARCHAR(90)",
                                     "i_text VARCHAR(90)", "compat VARCHAR(30)",
                                     "print_params BLOB SUB_TYPE 1 SEGMENT SIZE 80"});
    ManagerPrintImages.SetTableName("PRT_Images");
    ManagerPrintImages.SetFieldDefs(
        {"image_name VARCHAR(30) NOT NULL *", "image_data BLOB SUB_TYPE 0 SEGMENT SIZE 1024"});
}

template <typename F> decltype(auto) TdmStructurePrinting::InLevel(F&& body) {
    FConnection->DoStartTransaction(false);
    try {
        if constexpr (std::is_void_v<decltype(body())>) {
            body();
            FConnection->DoCommit();
        } else {
            decltype(auto) result = body();
            FConnection->DoCommit();
            return result;
        }
    } catch (...) {
        FConnection->DoRollback(std::current_exception());
        // With a message handler installed DoRollback returns: the failure still reaches the caller.
        throw;
    }
}

std::string TdmStructurePrinting::PrintListText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

bool TdmStructurePrinting::FindPrintParams(const std::string& listName) {
    return InLevel([&] { return ManagerPrintParams.FindPK({fb::Value(listName)}); });
}

void TdmStructurePrinting::UpdatePrintParams(const std::string& listName, const std::vector<std::string>& lines) {
    InLevel([&] {
        // Parameters named after their columns: an error names the column.
        QueryPrint.SetText("UPDATE PRT_Params SET print_params=:print_params WHERE pname=:pname");
        QueryPrint.ParamByName("print_params") = PrintListText(lines);
        QueryPrint.ParamByName("pname") = listName;
        QueryPrint.ExecQuery();
    });
}

std::string TdmStructurePrinting::AppendPrintParams(const std::string& listName,
                                                    const std::vector<std::string>& lines) {
    const TPrintListHeader header = ReadPrintListHeader(lines, listName);
    InLevel([&] {
        ManagerPrintParams.BuildSQL4Insert(QueryPrint.SQL());
        const fb::Value values[] = {listName,     header.dText,  header.fText,
                                    header.iText, header.compat, PrintListText(lines)};
        for (std::size_t i = 0; i < std::size(values); ++i)
            QueryPrint.Params(i) = values[i];
        QueryPrint.ExecQuery();
    });
    return header.fText;
}

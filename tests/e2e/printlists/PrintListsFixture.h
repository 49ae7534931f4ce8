#pragma once

// A Veltrane update whose package brings print lists, on a machine with company databases: the
// databases, their registration and what they hold after the run.

#include "Components/Quarnel/IBManagers.h"
#include "UpdateFixture.h"
#include "environment/MachineRegistry.h"
#include "environment/RegistryText.h"
#include "firebird/FirebirdRoot.h"
#include "platform/machine/Machine.h"
#include "platform/registry/Registry.h"

#include <string>
#include <vector>

namespace updatee2e {

using Lines = std::vector<std::string>;

inline constexpr std::string_view kVeltrane = "C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe";

class PrintListsE2eTest : public UpdateE2eTest {
protected:
    void SetUp() override {
        UpdateE2eTest::SetUp();
        fb::InitFirebirdRoot(platform::Machine::Current());
        MakeFolder("C:\\Data");
        SetUpdates("Veltrane\r\n");
        AddPackedProgram("Veltrane.exe", {5, 2, 0, 0});
        InstallProgram(kVeltrane, {5, 1, 0, 0});
        RegisterProgram("Veltrane", kVeltrane);
        InstallCompatibleClient();
    }

    // A company database with the given identity, its server functions and its PRT_Params table.
    void CreateCompanyDatabase(const std::string& windowsPath, const std::string& identity) {
        fb::Attachment database("Database");
        fb::Transaction transaction("Transaction");
        TDatabaseManager manager;
        manager.SetDatabase(&database);
        manager.SetTransaction(&transaction);
        manager.SetConnectionString(windowsPath);
        manager.SetDBIdentifier(identity);
        manager.SetExpectedDBVersion(2);
        manager.CreateDatabase();
        // The server functions the connection's free-space check calls, as in every company database.
        manager.RegisterUDF();
        manager.RegisterStoredProcs();
        TTableManager params;
        params.SetTableName("PRT_Params");
        params.SetFieldDefs({"pname VARCHAR(60) NOT NULL *", "d_text VARCHAR(90)", "f_text VARCHAR(90)",
                             "i_text VARCHAR(90)", "compat VARCHAR(30)",
                             "print_params BLOB SUB_TYPE 1 SEGMENT SIZE 80"});
        params.SetDatabaseManager(&manager);
        params.CreateTable();
        database.Close();
    }

    // HKEY_LOCAL_MACHINE\SOFTWARE\QUARNEL S.A.\Veltrane\<company>\VTP_DatabaseName "Path".
    void RegisterDatabase(const std::string& company, const std::string& windowsPath) {
        WriteRegistryString(platform::RegistryRoot::LocalMachine,
                            "SOFTWARE\\QUARNEL S.A.\\Veltrane\\" + company + "\\VTP_DatabaseName", "Path", windowsPath);
    }

    // Runs `sql` on the database in a transaction of its own.
    void Execute(const std::string& windowsPath, const std::string& sql) {
        fb::Attachment database("Breaker");
        database.SetDatabaseName(windowsPath);
        database.Params() = {"user_name=QUARNEL", "password=73914682", "lc_ctype=ISO8859_1"};
        database.Open();
        fb::Transaction transaction;
        transaction.SetDefaultDatabase(&database);
        transaction.StartTransaction();
        fb::Statement statement;
        statement.SetTransaction(&transaction);
        statement.SetParamCheck(false);
        statement.SetText(sql);
        statement.ExecQuery();
        transaction.Commit();
        database.Close();
    }

    // "pname|d_text|f_text|i_text|compat|print_params" of every row, by name.
    Lines Rows(const std::string& windowsPath) {
        fb::Attachment database("Reader");
        database.SetDatabaseName(windowsPath);
        database.Params() = {"user_name=QUARNEL", "password=73914682", "lc_ctype=ISO8859_1"};
        database.Open();
        fb::Transaction transaction;
        transaction.SetDefaultDatabase(&database);
        transaction.StartTransaction();
        fb::Query query;
        query.SetTransaction(&transaction);
        query.SetText("SELECT pname, d_text, f_text, i_text, COALESCE(compat, 'null'), print_params FROM PRT_Params "
                      "ORDER BY pname");
        query.Open();
        Lines rows;
        for (; !query.Eof(); query.Next()) {
            std::string row;
            for (std::size_t i = 0; i < 6; ++i)
                row += (i == 0 ? "" : "|") + query.Fields(i).AsString();
            rows.push_back(row);
        }
        query.Close();
        transaction.Commit();
        database.Close();
        return rows;
    }

    // The first value of `sql` read as the database holds it: the text column cast to OCTETS.
    std::string StoredBytes(const std::string& windowsPath, const std::string& sql) {
        fb::Attachment database("Reader");
        database.SetDatabaseName(windowsPath);
        database.Params() = {"user_name=QUARNEL", "password=73914682", "lc_ctype=ISO8859_1"};
        database.Open();
        fb::Transaction transaction;
        transaction.SetDefaultDatabase(&database);
        transaction.StartTransaction();
        fb::Query query;
        query.SetTransaction(&transaction);
        query.SetText(sql);
        query.Open();
        std::string value = query.Eof() ? std::string("(no row)") : query.Fields(0).AsString();
        query.Close();
        transaction.Commit();
        database.Close();
        return value;
    }

    static Lines Concat(std::initializer_list<Lines> parts) {
        Lines all;
        for (const Lines& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    }
};

// A list as the applications write it: Windows-1252 ("cl\xE9" is "clé"), here without a final line break.
inline const char* const kGro = "/* Liste des prix de gros\r\nCOM:GRO-2   /* cl\xE9\r\nDES:F:Prix de gros\r\n"
                         "DES:D:Grosspreise\r\nPRO:1\r\nCOL1:Code";
// The same list as stored: read back in UTF-8, every line followed by CR LF.
inline const char* const kGroStored = "/* Liste des prix de gros\r\nCOM:GRO-2   /* clé\r\nDES:F:Prix de gros\r\n"
                               "DES:D:Grosspreise\r\nPRO:1\r\nCOL1:Code\r\n";

} // namespace updatee2e

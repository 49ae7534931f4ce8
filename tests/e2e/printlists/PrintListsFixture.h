#pragma once

// A Veltrane update whose package brings print lists, on a machine with company databases: the
// databases, their registration and what they hold after the run.

#include "Components/Quarnel/IBManagers.h"
#include "UpdateFixture.h"
#include "environment/MachineRegistry.h"
#include "environment/RegistryText.h"
#include "fbmachine/ManagedDatabase.h"
#include "fbmachine/TestDatabase.h"
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
        testsupport::CreateCompanyDatabase(windowsPath, identity, 2, [](TDatabaseManager& manager) {
            TTableManager params;
            params.SetTableName("PRT_Params");
            params.SetFieldDefs({"pname VARCHAR(60) NOT NULL *", "d_text VARCHAR(90)", "f_text VARCHAR(90)",
                                 "i_text VARCHAR(90)", "compat VARCHAR(30)",
                                 "print_params BLOB SUB_TYPE 1 SEGMENT SIZE 80"});
            params.SetDatabaseManager(&manager);
            params.CreateTable();
        });
    }

    // HKEY_LOCAL_MACHINE\SOFTWARE\QUARNEL S.A.\Veltrane\<company>\VTP_DatabaseName "Path".
    void RegisterDatabase(const std::string& company, const std::string& windowsPath) {
        WriteRegistryString(platform::RegistryRoot::LocalMachine,
                            "SOFTWARE\\QUARNEL S.A.\\Veltrane\\" + company + "\\VTP_DatabaseName", "Path", windowsPath);
    }

    // Runs `sql` on the database in a transaction of its own.
    static void Execute(const std::string& windowsPath, const std::string& sql) {
        testsupport::Execute(windowsPath, sql);
    }

    // "pname|d_text|f_text|i_text|compat|print_params" of every row, by name.
    static Lines Rows(const std::string& windowsPath) {
        return testsupport::Rows(windowsPath, "SELECT pname, d_text, f_text, i_text, COALESCE(compat, 'null'), "
                                              "print_params FROM PRT_Params ORDER BY pname");
    }

    // The first value of `sql` read as the database holds it: the text column cast to OCTETS.
    static std::string StoredBytes(const std::string& windowsPath, const std::string& sql) {
        const Lines values = testsupport::Column(windowsPath, sql);
        return values.empty() ? std::string("(no row)") : values.front();
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

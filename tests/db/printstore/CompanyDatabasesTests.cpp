// The company database of each application type: which identities and schema versions connect,
// on the database the product registry names for the company.

#include "Common/Impression/dmStructure_Printing_Unit.h"
#include "DbTestMachine.h"
#include "environment/RegistryText.h"
#include "update/engine/CompanyDatabases.h"

#include <gtest/gtest.h>

namespace {

struct IdentityRow {
    const char* name;
    Tquar_AppNameType type;
    const char* identity; // of the database
    std::int32_t version;
    bool connects;
};

void PrintTo(const IdentityRow& row, std::ostream* out) {
    *out << row.name;
}

// Where the product registry keeps the database name of a company, by application type.
void RegisterDatabase(Tquar_AppNameType type, const std::string& company, const std::string& path) {
    const std::string key = "SOFTWARE\\QUARNEL S.A.\\" + std::string(AppNames[type]) + "\\" + company;
    switch (type) {
    case antVTP:
    case antVTI:
        WriteRegistryString(platform::RegistryRoot::LocalMachine, key + "\\VTP_DatabaseName", "Path", path);
        break;
    case antMarlisk:
        WriteRegistryString(platform::RegistryRoot::LocalMachine, key, "DatabaseName", path);
        break;
    default:
        WriteRegistryString(platform::RegistryRoot::LocalMachine, key, "ConnectionString", path);
        break;
    }
}

class CompanyIdentities : public ::testing::TestWithParam<IdentityRow> {};

TEST_P(CompanyIdentities, ConnectTriesTheIdentitiesOfTheType) {
    const IdentityRow& row = GetParam();
    const std::string path = dbtest::NewDatabasePath("company");
    {
        TdmDBConnection creator;
        creator.Init(row.version, row.identity, "", "TEST");
        creator.SetParams(path, "QUARNEL", "", "73914682");
        creator.CreateDatabase();
        TdmStructurePrinting store(&creator);
        store.ManagerPrintParams.CreateTable();
        creator.Disconnect();
    }
    RegisterDatabase(row.type, "Alpha", path);

    TdmDBConnection connection;
    TdmStructurePrinting store(&connection);
    update::CompanyPrintListDatabase companies(connection, store);
    EXPECT_EQ(companies.Connect(row.type, "Alpha"), row.connects);
    EXPECT_EQ(connection.Connected(), row.connects);
    if (row.connects) {
        EXPECT_TRUE(companies.Connect(row.type, "Alpha")); // again, from a closed connection
        EXPECT_FALSE(companies.FindPrintParams("liste"));
        EXPECT_EQ(companies.AppendPrintParams({"DES:F:Liste"}), "Liste");
        EXPECT_TRUE(companies.FindPrintParams("liste"));
    }
    EXPECT_TRUE(companies.Disconnect());
    EXPECT_FALSE(connection.Connected());
    EXPECT_FALSE(companies.Connect(row.type, "Beta")); // no database registered for it
}

INSTANTIATE_TEST_SUITE_P(Rows, CompanyIdentities,
                         ::testing::Values(IdentityRow{"VeltranePro", antVTP, "VTP_PRO", 2, true},
                                           IdentityRow{"VeltraneDx", antVTP, "VTP_DX", 2, true},
                                           IdentityRow{"VeltraneWrongVersion", antVTP, "VTP_PRO", 3, false},
                                           IdentityRow{"VeltraneIngenieurDatabase", antVTP, "VTP_ING", 2, false},
                                           IdentityRow{"Ingenieur", antVTI, "VTP_ING", 2, true},
                                           IdentityRow{"Marlisk", antMarlisk, "VT_Marlisk", 2, true},
                                           IdentityRow{"Tessaro", antTessaro, "Tessaro", 1, true},
                                           IdentityRow{"NVX", antNVX, "NVX", 1, true},
                                           IdentityRow{"NVXWrongVersion", antNVX, "NVX", 2, false},
                                           IdentityRow{"OrbelNeverConnects", antOrbel, "VTP_PRO", 2, false}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(PrintListIdentities, TypesWithoutCompanyDatabaseTryNothing) {
    for (Tquar_AppNameType type : {antUnknown, antCorvath, antOrbel, antSuvana, antCommon})
        EXPECT_TRUE(update::PrintListIdentities(type).empty()) << static_cast<int>(type);
    EXPECT_EQ(update::PrintListIdentities(antVTP).size(), 2u);
    EXPECT_EQ(update::PrintListIdentities(antVTP)[0].identifier, "VTP_PRO");
}

} // namespace

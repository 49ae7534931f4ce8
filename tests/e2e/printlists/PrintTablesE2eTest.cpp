// A company database prepared by the administrator with quarnel-db (create, then print-tables)
// receives the package's print lists.

#include "UpdateFixture.h"
#include "environment/RegistryText.h"
#include "firebird/FirebirdRoot.h"
#include "platform/machine/Machine.h"

#include <gmock/gmock.h>

namespace updatee2e {
namespace {

using ::testing::HasSubstr;

class PrintTablesE2eTest : public UpdateE2eTest {
protected:
    testsupport::ProgramResult Db(const std::vector<std::string>& args) {
        testsupport::ProgramOptions options;
        options.environment["QUARNEL_PREFIX"] = (Root() / "prefix").string();
        return testsupport::RunProgram(QUARNEL_DB_PROGRAM, args, options);
    }
};

TEST_F(PrintTablesE2eTest, PreparedCompanyDatabaseReceivesTheLists) {
    fb::InitFirebirdRoot(platform::Machine::Current());
    MakeFolder("C:\\Data");
    const std::string database = "C:\\Data\\nvx.fdb";
    ASSERT_EQ(Db({database, "create", "--id", "NVX", "--version", "1"}).exitCode, 0);

    const testsupport::ProgramResult first = Db({database, "print-tables"});
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, "Table créée : PRT_Params\nTable créée : PRT_Images\n");
    const testsupport::ProgramResult again = Db({database, "print-tables"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.out, "Table déjà présente : PRT_Params\nTable déjà présente : PRT_Images\n");
    EXPECT_EQ(Db({database, "print-tables", "extra"}).exitCode, 64);
    EXPECT_EQ(Db({"C:\\Data\\absente.fdb", "print-tables"}).exitCode, 1);

    // NVX: its program and the company's connection string in the registry.
    SetUpdates("NVX\r\n");
    AddPackedProgram("NVX.exe", {2, 1, 0, 0});
    InstallProgram("C:\\WQuarnel\\NVX\\Programs\\NVX.exe", {2, 0, 0, 0});
    RegisterProgram("NVX", "C:\\WQuarnel\\NVX\\Programs\\NVX.exe");
    WriteRegistryString(platform::RegistryRoot::LocalMachine, "SOFTWARE\\QUARNEL S.A.\\NVX\\Default",
                        "ConnectionString", database);
    AddPackedText("PrintLists.txt", "NvxFact.lst\r\n");
    AddPackedText("NvxFact.lst", "DES:X:Factures  /* toutes\r\nPRO:1\r\n");

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(result.report, ::testing::Contains("Mise à jour de listes pour la société Default"));
    EXPECT_THAT(result.report, ::testing::Contains("Les paramètres pour l'impression : \"Factures\" ont été ajoutés."));
}

} // namespace
} // namespace updatee2e

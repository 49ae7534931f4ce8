// Where the wizard finds each product, by the rules of its update procedures, without asking.

#include "update/plan/InstalledProducts.h"

#include "MachineFixture.h"
#include "environment/RegAccess.h"
#include "pe/PeWriter.h"

#include <functional>
#include <gmock/gmock.h>

namespace {

using update::plan::FindInstalledProduct;
using update::plan::InstalledProduct;

// The rows of the table below prepare the machine through these.
class InstalledProductsTest : public MachineTest {
public:
    using MachineTest::MakeFolder;
    using MachineTest::WriteFile;
    void Program(std::string_view windowsPath, std::uint16_t major, std::uint16_t build) {
        const std::string path(windowsPath);
        MakeFolder(path.substr(0, path.find_last_of('\\')));
        testsupport::WritePeFile(Host(path), testsupport::MakeVersionResource(major, 0, 0, build));
    }
    void AddDriveWith(char letter, std::string_view folder) {
        ChangeMachine([&](platform::MachineSettings& settings) {
            const std::filesystem::path host = Root() / ("drive" + std::string(1, letter));
            std::filesystem::create_directories(host / std::string(folder));
            platform::Drive drive;
            drive.letter = letter;
            drive.hostFolder = host;
            settings.drives.push_back(drive);
        });
    }
};

struct Row {
    const char* name;
    Tquar_AppNameType type;
    std::function<void(InstalledProductsTest&)> setUp;
    bool installed;
    const char* mainFile;
    const char* version;
    const char* question;
};

const Row kRows[] = {
    {"OrbelBesideRecordedVeltrane", antOrbel,
     [](InstalledProductsTest& t) {
         ASSERT_TRUE(SetProgramPath("Veltrane", "C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe"));
         t.Program("C:\\WQuarnel\\Orbel\\Programs\\VTPOrbel.exe", 1, 1);
     },
     true, "C:\\WQuarnel\\Orbel\\Programs\\VTPOrbel.exe", "1.0.0.1", ""},
    {"OrbelWithoutVeltraneRecord", antOrbel, [](InstalledProductsTest&) {}, false, "", "", ""},
    {"VeltraneUnderTheRoot", antVTP,
     [](InstalledProductsTest& t) {
         ASSERT_TRUE(SetProgramPath("Veltrane", "C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe"));
         t.Program("C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe", 5, 2);
     },
     true, "C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe", "5.0.0.2", ""},
    {"IngenieurMissingWouldBeAskedFor", antVTI,
     [](InstalledProductsTest& t) {
         ASSERT_TRUE(SetProgramPath("Veltrane", "C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe"));
         t.MakeFolder("C:\\WQuarnel\\VTP\\Programs");
     },
     false, "C:\\WQuarnel\\VTI\\Programs\\Veltrane.exe", "",
     "Programme C:\\WQuarnel\\VTI\\Programs\\Veltrane.exe pas trouvé. Veuillez indiquer son emplacement."},
    {"AddressModuleFoundOnTwoDrivesTakesTheFirst", antMarlisk,
     [](InstalledProductsTest& t) {
         t.Program("C:\\WQuarnel\\Marlisk\\Programs\\VTMarlisk2.dll", 2, 7);
         t.AddDriveWith('D', "WQuarnel");
     },
     true, "C:\\WQuarnel\\Marlisk\\Programs\\VTMarlisk2.dll", "2.0.0.7",
     "2 répertoires WQuarnel ont été trouvés, veuillez choisir l'emplacement correct."},
    {"CorvathInItsBaseFolder", antCorvath,
     [](InstalledProductsTest& t) {
         ASSERT_TRUE(SetProgramPath("Corvath", "C:\\Corvath"));
         t.Program("C:\\Corvath\\Corvath.exe", 3, 4);
     },
     true, "C:\\Corvath\\Corvath.exe", "3.0.0.4", ""},
    {"SuvanaFoundByItsFolderOnTheDrives", antSuvana,
     [](InstalledProductsTest& t) { t.Program("C:\\Quarnel5\\zvk\\SA-00.int", 8, 1); }, true,
     "C:\\Quarnel5\\zvk\\SA-00.int", "8.0.0.1", ""},
    {"NvxWithoutVersionInformation", antNVX,
     [](InstalledProductsTest& t) {
         ASSERT_TRUE(SetProgramPath("NVX", "C:\\NVX\\NVX.exe"));
         t.MakeFolder("C:\\NVX");
         t.WriteFile("C:\\NVX\\NVX.exe", "MZ");
     },
     true, "C:\\NVX\\NVX.exe", "?", ""},
    {"TypeWithoutUpdate", antRLT, [](InstalledProductsTest&) {}, false, "", "", ""},
};

class InstalledProductsTable : public InstalledProductsTest, public ::testing::WithParamInterface<Row> {};

TEST_P(InstalledProductsTable, FoundAsTheProcedureFindsIt) {
    const Row& row = GetParam();
    row.setUp(*this);

    const InstalledProduct product = FindInstalledProduct(row.type);

    EXPECT_EQ(product.installed, row.installed);
    EXPECT_EQ(product.mainFile, row.mainFile);
    EXPECT_EQ(product.version, row.version);
    EXPECT_EQ(product.question, row.question);
    EXPECT_TRUE(Ui().Dialogs().empty()); // nothing is ever asked
}

INSTANTIATE_TEST_SUITE_P(Products, InstalledProductsTable, ::testing::ValuesIn(kRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(InstalledProductsTest, MachineListsOnlyWhatItHas) {
    ASSERT_TRUE(SetProgramPath("Veltrane", "C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe"));
    Program("C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe", 5, 2);
    Program("C:\\WQuarnel\\Orbel\\Programs\\VTPOrbel.exe", 1, 1);

    std::vector<std::string> found;
    for (const InstalledProduct& product : update::plan::FindInstalledProducts())
        found.push_back(std::string(AppNames[product.type]) + " " + product.folder + " " + product.version);

    EXPECT_THAT(found, ::testing::ElementsAre("Veltrane C:\\WQuarnel\\VTP\\Programs\\ 5.0.0.2",
                                              "VTPOrbel C:\\WQuarnel\\Orbel\\Programs\\ 1.0.0.1",
                                              "Common C:\\WQuarnel\\Common\\Programs\\ "));
}

struct CurrentRow {
    const char* name;
    std::uint16_t installedMajor; // 0: a file without version information
    std::uint16_t packedMajor;
    bool current;
};

const CurrentRow kCurrentRows[] = {
    {"SameVersion", 3, 3, true},           {"InstalledNewer", 4, 3, true},
    {"PackedNewer", 3, 4, false},          {"InstalledWithoutVersion", 0, 3, false},
    {"PackedWithoutVersion", 3, 0, false},
};

class IsCurrentTest : public InstalledProductsTest, public ::testing::WithParamInterface<CurrentRow> {};

TEST_P(IsCurrentTest, OnlyAVersionAtLeastThePackedOne) {
    const CurrentRow& row = GetParam();
    ASSERT_TRUE(SetProgramPath("NVX", "C:\\NVX\\NVX.exe"));
    MakeFolder("C:\\NVX");
    for (const auto& [path, major] :
         {std::pair{"C:\\NVX\\NVX.exe", row.installedMajor}, std::pair{"C:\\NVX\\Packed.tmp", row.packedMajor}}) {
        if (major == 0)
            WriteFile(path, "MZ");
        else
            Program(path, major, 0);
    }

    EXPECT_EQ(update::plan::IsCurrent(FindInstalledProduct(antNVX), "C:\\NVX\\Packed.tmp"), row.current);
}

INSTANTIATE_TEST_SUITE_P(Versions, IsCurrentTest, ::testing::ValuesIn(kCurrentRows),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace

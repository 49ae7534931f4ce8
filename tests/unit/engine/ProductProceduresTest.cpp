// The product procedures called directly on the engine: what each installs, skips and reports.

#include "EngineFixture.h"
#include "environment/Errors.h"
#include "environment/RegAccess.h"
#include "pe/PeWriter.h"

#include <gmock/gmock.h>

namespace enginetest {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using update::urtKo;
using update::urtOk;

constexpr std::string_view kVeltrane = "C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe";
constexpr std::string_view kTessaro = "C:\\WQuarnel\\Tessaro\\Programs\\Tessaro.exe";

// A program of version 5.minor, as its packed bytes.
std::string ProgramBytes(const std::filesystem::path& scratch, std::uint16_t minor) {
    testsupport::WritePeFile(scratch, testsupport::MakeVersionResource(5, minor, 0, 0));
    std::ifstream in(scratch, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ProductProceduresTest : public EngineTest {
protected:
    std::string Program(std::uint16_t minor) { return ProgramBytes(Root() / "program.bin", minor); }
    void InstallVeltrane() {
        WriteFile(kVeltrane, Program(1));
        ASSERT_TRUE(SetProgramPath("Veltrane", kVeltrane));
    }
};

TEST_F(ProductProceduresTest, VeltraneReplacesItsLibraryOnlyWhereInstalled) {
    InstallVeltrane();
    WriteFile("C:\\WQuarnel\\VTP\\Programs\\VTP_DB_INTF.dll", "ancienne");
    MakeEngine({{"Veltrane.exe", Program(2)}, {"VTP_DB_INTF.dll", "nouvelle"}, {"wPDF300A.dll", "pdf"}});
    Engine().SetAppNameType(antVTP);

    EXPECT_EQ(Engine().UpdateVeltrane(), urtOk);

    EXPECT_EQ(ReadFile("C:\\WQuarnel\\VTP\\Programs\\VTP_DB_INTF.dll"), "nouvelle");
    // The shared PDF library follows, into the common folder created for it.
    EXPECT_EQ(ReadFile("C:\\WQuarnel\\Common\\Programs\\wPDF300A.dll"), "pdf");
    EXPECT_THAT(ReportText(), HasSubstr("\r\n\r\nCopie de "));
}

TEST_F(ProductProceduresTest, VeltraneWithoutInstalledLibrarySkipsIt) {
    InstallVeltrane();
    MakeEngine({{"Veltrane.exe", Program(2)}, {"VTP_DB_INTF.dll", "nouvelle"}});
    Engine().SetAppNameType(antVTP);

    EXPECT_EQ(Engine().UpdateVeltrane(), urtOk);
    EXPECT_FALSE(Exists("C:\\WQuarnel\\VTP\\Programs\\VTP_DB_INTF.dll"));
    EXPECT_EQ(ReadFile(kVeltrane), Program(2));
}

TEST_F(ProductProceduresTest, VeltraneMissingFromThePackageEndsTheRun) {
    InstallVeltrane();
    MakeEngine({});
    Engine().SetAppNameType(antVTP);

    try {
        Engine().UpdateVeltrane();
        FAIL() << "the missing program was not raised";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "Cannot find Veltrane.exe");
    }
    EXPECT_EQ(ReportText(), "");
}

TEST_F(ProductProceduresTest, VeltraneWithoutInstallationAsksForTheFolderAndFailsSilently) {
    MakeEngine({{"Veltrane.exe", Program(2)}});
    Engine().SetAppNameType(antVTP);

    EXPECT_EQ(Engine().UpdateVeltrane(), urtKo);
    EXPECT_EQ(ReportText(), "");
    ASSERT_FALSE(Ui().Dialogs().empty());
    EXPECT_EQ(Ui().Dialogs()[0].text, "Répertoire WQuarnel pas trouvé. Veuillez indiquer son emplacement.");
}

TEST_F(ProductProceduresTest, TessaroWithoutInterfaceLibraryWritesTheInstallationError) {
    WriteFile(kTessaro, Program(1));
    ASSERT_TRUE(SetProgramPath("Tessaro", kTessaro));
    MakeEngine({{"Tessaro.exe", Program(2)}});
    Engine().SetAppNameType(antTessaro);

    EXPECT_EQ(Engine().UpdateTessaro(), urtKo);
    EXPECT_EQ(ReportText(), "Une erreur s'est produite lors de la mise à jour du Tessaro.exe\r\nL'installation de "
                            "C:\\WQuarnel\\Tessaro\\Programs\\VTE_INTF.dll n'a certainement pas été effectuée !!!");
}

TEST_F(ProductProceduresTest, TessaroMissingFromThePackageIsWrittenToTheReport) {
    WriteFile(kTessaro, Program(1));
    WriteFile("C:\\WQuarnel\\Tessaro\\Programs\\VTE_INTF.dll", "interface");
    ASSERT_TRUE(SetProgramPath("Tessaro", kTessaro));
    MakeEngine({});
    Engine().SetAppNameType(antTessaro);

    EXPECT_EQ(Engine().UpdateTessaro(), urtKo);
    EXPECT_EQ(ReportText(),
              "Une erreur s'est produite lors de la mise à jour du Tessaro.exe\r\nCannot find Tessaro.exe");
}

TEST_F(ProductProceduresTest, MarliskPrintListFailureIsWrittenWithoutFileName) {
    WriteFile("C:\\WQuarnel\\Marlisk\\Programs\\VTMarlisk2.dll", Program(1));
    ASSERT_TRUE(SetProgramPath("Veltrane", kVeltrane));
    MakeFolder("C:\\WQuarnel\\VTP\\Programs");
    MakeEngine({{"VTMarlisk2.dll", Program(2)}, {"PrintLists.txt", "Adresses.lst\r\n"}, {"Adresses.lst", "A"}});
    Engine().SetAppNameType(antMarlisk);
    struct FailingDatabase : update::PrintListDatabase {
        bool Connect(Tquar_AppNameType, std::string_view) override { return true; }
        bool Disconnect() override { return true; }
        void StartTransaction() override {}
        void Commit() override {}
        void Rollback() noexcept override {}
        bool FindPrintParams(std::string_view) override { throw Exception("lock conflict"); }
        void UpdatePrintParams(std::string_view, const std::vector<std::string>&) override {}
        std::string AppendPrintParams(const std::vector<std::string>&) override { return {}; }
    } database;
    Engine().SetPrintListDatabase(&database);

    EXPECT_EQ(Engine().UpdateMarlisk(), urtKo);
    EXPECT_THAT(ReportText(), HasSubstr("Une erreur s'est produite lors de la mise à jour du \r\nCannot import "
                                        "resource files"));
    EXPECT_EQ(ReadFile("C:\\WQuarnel\\Marlisk\\Programs\\VTMarlisk2.dll"), Program(2)); // not undone
}

TEST_F(ProductProceduresTest, NvxWithoutDocumentUpdatesProgramAndHelp) {
    WriteFile("C:\\NVX\\NVX.exe", Program(1));
    ASSERT_TRUE(SetProgramPath("NVX", "C:\\NVX\\NVX.exe"));
    MakeEngine({{"NVX.exe", Program(2)}, {"NVXHELP.rtf", "{\\rtf1 aide}"}});
    Engine().SetAppNameType(antNVX);

    EXPECT_EQ(Engine().UpdateNVX(), urtOk);
    EXPECT_EQ(ReadFile("C:\\NVX\\NVXHELP.rtf"), "{\\rtf1 aide}");
    EXPECT_FALSE(Exists("C:\\NVX\\NVXDOC.pdf"));
}

TEST_F(ProductProceduresTest, CorvathCopiesItsDataFilesWithoutLoggingThem) {
    MakeFolder("C:\\Corvath");
    testsupport::WritePeFile(Host("C:\\Corvath\\Corvath.exe"), testsupport::MakeVersionResource(3, 0, 0, 0));
    MakeFolder("C:\\Corvath\\Data");
    ASSERT_TRUE(SetProgramPath("Corvath", "C:\\Corvath"));
    const std::filesystem::path packed = Root() / "corvath.bin";
    testsupport::WritePeFile(packed, testsupport::MakeVersionResource(3, 1, 0, 0));
    std::ifstream in(packed, std::ios::binary);
    const std::string program{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    MakeEngine({{"Corvath.exe", program},
                {"Corvath.etf", "etf"},
                {"FileNames.txt", "corvath.ETF\r\nTarifs.dat\r\n"},
                {"Tarifs.dat", "tarifs"}});
    Engine().SetAppNameType(antCorvath);

    EXPECT_EQ(Engine().UpdateCorvath(), urtOk);

    EXPECT_EQ(ReadFile("C:\\Corvath\\Corvath.etf"), "etf");
    EXPECT_EQ(ReadFile("C:\\Corvath\\Data\\Tarifs.dat"), "tarifs");
    EXPECT_FALSE(Exists("C:\\Corvath\\Data\\corvath.ETF")); // taken off the data list
    EXPECT_THAT(ReportText(), HasSubstr("Copie de fichiers de données..."));
    EXPECT_THAT(ReportText(), ::testing::Not(HasSubstr("Tarifs.dat")));
}

TEST_F(ProductProceduresTest, CommonWithoutRootFailsSilently) {
    MakeEngine({{"FileNames.txt", "Commun.dll\r\n"}, {"Commun.dll", "commun"}});
    Engine().SetAppNameType(antCommon);

    EXPECT_EQ(Engine().UpdateCommon(), urtKo);
    EXPECT_EQ(ReportText(), "");
}

TEST_F(ProductProceduresTest, SuvanaWithoutFolderEndsTheRun) {
    MakeEngine({{"zvk\\SA-00.int", "interface"}});
    Engine().SetAppNameType(antSuvana);

    try {
        Engine().UpdateSuvanaFinance(antSuvana);
        FAIL() << "the missing folder was not raised";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "Répertoire Quarnel5 pas trouvé.");
    }
}

TEST_F(ProductProceduresTest, OrbelWithoutInstalledProgramWritesTheError) {
    ASSERT_TRUE(SetProgramPath("Veltrane", kVeltrane));
    MakeEngine({{"VTPOrbel.exe", "orbel"}});
    Engine().SetAppNameType(antOrbel);

    EXPECT_EQ(Engine().UpdateOrbel(), urtKo);
    EXPECT_EQ(ReportText(), "Une erreur s'est produite lors de la mise à jour du VTPOrbel.exe\r\nProgramme "
                            "C:\\WQuarnel\\Orbel\\Programs\\VTPOrbel.exe pas trouvé.");
}

} // namespace
} // namespace enginetest

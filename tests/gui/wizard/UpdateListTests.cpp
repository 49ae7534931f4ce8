// The list of products of a package and the start-up check of a Veltrane update.

#include "WizardTestSupport.h"
#include "environment/RegAccess.h"
#include "pe/PeWriter.h"
#include "platform/machine/Machine.h"
#include "update/run/AppInfo.h"
#include "update/run/InstalledVersions.h"

namespace wizardtest {
namespace {

class UpdateListTest : public WizardTest {};

struct FilterCase {
    const char* name;
    std::vector<std::string> lines;
    bool checkPasses;
    std::optional<std::vector<std::string>> expected;
    int checks;
};

// Test names and failure messages show the row by its name.
void PrintTo(const FilterCase& row, std::ostream* out) {
    *out << row.name;
}

class FilterTest : public UpdateListTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(FilterTest, KeepsKnownNamesOnceInPackageOrder) {
    const FilterCase& row = GetParam();
    int checks = 0;
    const update::run::UpdateList result = update::run::FilterUpdateList(row.lines, [&] {
        ++checks;
        return row.checkPasses;
    });
    if (row.expected) {
        EXPECT_EQ(result.state, update::run::UpdateListState::Loaded);
        EXPECT_EQ(result.names, *row.expected);
    } else {
        EXPECT_EQ(result.state, update::run::UpdateListState::Refused);
    }
    EXPECT_EQ(checks, row.checks);
}

using Lines = std::vector<std::string>;

INSTANTIATE_TEST_SUITE_P(
    Lists, FilterTest,
    ::testing::Values(
        FilterCase{"DuplicateAndCapitals",
                   {"Marlisk", "MARLISK", "VTPOrbel", "marlisk", "VTPOrbel"},
                   true,
                   Lines{"Marlisk", "VTPOrbel"},
                   0},
        FilterCase{"EmptyAndUnknownLines", {"", "Word", "Corvath", " Corvath"}, true, Lines{"Corvath"}, 0},
        // A part of a name passes the filter; the run skips it later as no product.
        FilterCase{"PartOfAName", {"Orbel", "Quarnel"}, true, Lines{"Orbel", "Quarnel"}, 0},
        FilterCase{"VeltraneChecked",
                   {"Veltrane", "Veltrane Ingenieur", "Veltrane"},
                   true,
                   Lines{"Veltrane", "Veltrane Ingenieur"},
                   1},
        FilterCase{"VeltraneRefused", {"Marlisk", "Veltrane", "Corvath", "Veltrane"}, false, std::nullopt, 1},
        FilterCase{"NothingAccepted", {"xyz"}, false, Lines{}, 0}),
    [](const ::testing::TestParamInfo<FilterCase>& testInfo) { return std::string(testInfo.param.name); });

TEST_F(UpdateListTest, ReferenceTextHoldsEveryProductName) {
    EXPECT_EQ(update::run::AppNamesReference(),
              "Veltrane\r\nVeltrane Ingenieur\r\nMarlisk\r\nCorvath\r\nPDFDLL\r\nTessaro\r\nVTPOrbel\r\nSuvana\r\n"
              "Quarnel Finance\r\nNVX\r\nBrisquel\r\nCommon\r\nOndrak\r\nZLK\r\nRalto\r\n");
}

TEST_F(UpdateListTest, ReasonNamesWhatFailed) {
    EXPECT_EQ(update::run::IncompatibilityReason(true, true), "");
    EXPECT_EQ(update::run::IncompatibilityReason(false, true), "de Firebird");
    EXPECT_EQ(update::run::IncompatibilityReason(true, false), "du module d'adresses");
    EXPECT_EQ(update::run::IncompatibilityReason(false, false), "de Firebird et du module d'adresses");
}

struct InstalledCase {
    const char* name;
    const char* clientVersion;        // nullptr: no gds32.dll on the machine
    const char* addressModuleVersion; // nullptr: no address module
    const char* reason;               // nullptr: compatible
};

// Test names and failure messages show the row by its name.
void PrintTo(const InstalledCase& row, std::ostream* out) {
    *out << row.name;
}

class InstalledVersionsTest : public UpdateListTest, public ::testing::WithParamInterface<InstalledCase> {
protected:
    std::filesystem::path Host(const std::string& windowsPath) {
        const auto host = platform::Machine::Current().ToHostPath(windowsPath);
        if (!host)
            throw std::runtime_error("no host path for " + windowsPath);
        std::filesystem::create_directories(host->parent_path());
        return *host;
    }
};

TEST_P(InstalledVersionsTest, AcceptsOnlyKnownClientsAndAddressModule2) {
    const InstalledCase& row = GetParam();
    std::filesystem::create_directories(Host("C:\\Quarnel\\VTP\\Programs\\VTP.exe").parent_path());
    ASSERT_TRUE(SetProgramPath("Veltrane", "C:\\Quarnel\\VTP\\Programs\\VTP.exe"));
    if (row.clientVersion != nullptr)
        testsupport::WritePeFile(Host("C:\\Windows\\System32\\gds32.dll"),
                                 testsupport::MakeVersionResource(6, 3, 0, 4290, row.clientVersion));
    if (row.addressModuleVersion != nullptr)
        testsupport::WritePeFile(Host("C:\\Quarnel\\Marlisk\\Programs\\VTMarlisk2.dll"),
                                 testsupport::MakeVersionResource(2, 1, 0, 0, row.addressModuleVersion));

    const bool compatible = update::run::CheckInstalledVersions();
    EXPECT_EQ(compatible, row.reason == nullptr);
    if (row.reason == nullptr) {
        EXPECT_TRUE(Ui().Dialogs().empty());
        return;
    }
    ASSERT_EQ(Ui().Dialogs().size(), 1u);
    EXPECT_EQ(Ui().Dialogs()[0].kind, ui::DialogKind::Warning);
    const std::string version = row.addressModuleVersion ? row.addressModuleVersion : "?";
    EXPECT_EQ(Ui().Dialogs()[0].text, std::string("ATTENTION !!!\r\n\r\nCette mise à jour a détecté une version "
                                                  "incompatible ") +
                                          row.reason +
                                          ".\r\n\r\nVeuillez contacter la société Quarnel.\r\n\r\nL'application va "
                                          "se terminer.\r\n\r\nPath=\"C:\\Quarnel\\Marlisk\\Programs\\VTMarlisk2.dll\" "
                                          "Ver=\"" +
                                          version + "\"");
}

INSTANTIATE_TEST_SUITE_P(
    Machines, InstalledVersionsTest,
    ::testing::Values(InstalledCase{"Compatible63", "WI-V6.3.0.4290", "2.1.0.0", nullptr},
                      InstalledCase{"Compatible632", "WI-V6.3.2.4731", "2.0", nullptr},
                      InstalledCase{"Compatible25", "WI-V2.5.2.26540", "2", nullptr},
                      InstalledCase{"UnknownClient", "WI-V3.0.7.33374", "2.1.0.0", "de Firebird"},
                      InstalledCase{"OldAddressModule", "WI-V6.3.0.4290", "1.9.0.0", "du module d'adresses"},
                      InstalledCase{"NothingInstalled", nullptr, nullptr, "de Firebird et du module d'adresses"}),
    [](const ::testing::TestParamInfo<InstalledCase>& testInfo) { return std::string(testInfo.param.name); });

} // namespace
} // namespace wizardtest

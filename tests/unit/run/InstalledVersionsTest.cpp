// The start-up check of a Veltrane update: the machine's installed Firebird client and the address
// module under the installation root.

#include "update/run/InstalledVersions.h"

#include "EngineFixture.h"
#include "environment/RegAccess.h"
#include "pe/PeWriter.h"

#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;

struct VersionsCase {
    const char* label;
    const char* clientFolder; // "" : no client anywhere on the library search
    const char* clientVersion;
    int moduleMajor; // 0: no address module
    bool passes;
    const char* reason;
};

void PrintTo(const VersionsCase& row, std::ostream* out) {
    *out << row.label;
}

class InstalledVersionsTest : public enginetest::EngineTest, public ::testing::WithParamInterface<VersionsCase> {};

TEST_P(InstalledVersionsTest, ChecksClientAndAddressModule) {
    const VersionsCase& row = GetParam();
    ASSERT_TRUE(SetProgramPath("Veltrane", "C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe"));
    MakeFolder("C:\\WQuarnel\\VTP\\Programs");
    if (*row.clientFolder) {
        MakeFolder(row.clientFolder);
        testsupport::WritePeFile(Host(std::string(row.clientFolder) + "\\gds32.dll"),
                                 testsupport::MakeVersionResource(6, 3, 2, 4731, row.clientVersion));
    }
    const std::string module = "C:\\WQuarnel\\Marlisk\\Programs\\VTMarlisk2.dll";
    if (row.moduleMajor != 0) {
        MakeFolder("C:\\WQuarnel\\Marlisk\\Programs");
        testsupport::WritePeFile(
            Host(module), testsupport::MakeVersionResource(static_cast<std::uint16_t>(row.moduleMajor), 4, 0, 1));
    }

    EXPECT_EQ(update::run::CheckInstalledVersions(), row.passes);

    if (row.passes) {
        EXPECT_TRUE(Ui().Dialogs().empty());
        return;
    }
    const std::string version = row.moduleMajor == 0 ? "?" : std::to_string(row.moduleMajor) + ".4.0.1";
    ASSERT_EQ(Ui().Dialogs().size(), 1u);
    EXPECT_EQ(Ui().Dialogs()[0].kind, ui::DialogKind::Warning);
    EXPECT_EQ(Ui().Dialogs()[0].text,
              "ATTENTION !!!\r\n\r\nCette mise à jour a détecté une version incompatible " + std::string(row.reason) +
                  ".\r\n\r\nVeuillez contacter la société Quarnel.\r\n\r\nL'application va se terminer.\r\n\r\n"
                  "Path=\"" +
                  module + "\" Ver=\"" + version + "\"");
}

INSTANTIATE_TEST_SUITE_P(
    Machines, InstalledVersionsTest,
    ::testing::Values(VersionsCase{"KnownClientInSystemFolder", "C:\\Windows\\System32", "WI-V6.3.2.4731", 2, true, ""},
                      VersionsCase{"KnownClientInWindowsFolder", "C:\\Windows", "WI-V2.5.2.26540", 2, true, ""},
                      VersionsCase{"UnknownClient", "C:\\Windows\\System32", "WI-V6.3.2.4732", 2, false, "de Firebird"},
                      VersionsCase{"NoClient", "", "", 2, false, "de Firebird"},
                      VersionsCase{"OldAddressModule", "C:\\Windows\\System32", "WI-V6.3.0.4290", 1, false,
                                   "du module d'adresses"},
                      VersionsCase{"NeitherFits", "", "", 0, false, "de Firebird et du module d'adresses"}),
    [](const auto& testInfo) { return std::string(testInfo.param.label); });

TEST(InstalledClientVersion, AcceptsOnlyTheReleasedBuilds) {
    EXPECT_TRUE(update::run::IsAcceptedInstalledClientVersion("WI-V6.3.0.4290"));
    EXPECT_TRUE(update::run::IsAcceptedInstalledClientVersion("WI-V6.3.2.4731"));
    EXPECT_TRUE(update::run::IsAcceptedInstalledClientVersion("WI-V2.5.2.26540"));
    EXPECT_FALSE(update::run::IsAcceptedInstalledClientVersion("LI-V6.3.2.4731"));
    EXPECT_FALSE(update::run::IsAcceptedInstalledClientVersion("WI-V6.3.2.4731 "));
    EXPECT_FALSE(update::run::IsAcceptedInstalledClientVersion(""));
}

} // namespace

// The program quarnel-update: its usage text, the single-instance guard, the page pictures.

#include "WizardTestSupport.h"
#include "keys/TestKeys.h"
#include "platform/machine/Machine.h"
#include "platform/machine/NamedObject.h"
#include "process/ProgramRun.h"
#include "update/package/PackageWriter.h"
#include "update/trust/PackageSigning.h"
#include "update/trust/TrustedKeys.h"

#include <QImage>
#include <fstream>

namespace wizardtest {
namespace {

class ProgramTest : public WizardTest {
protected:
    testsupport::ProgramResult Run(const std::vector<std::string>& arguments) {
        testsupport::ProgramOptions options;
        options.environment["QUARNEL_PREFIX"] = (FTemp.Path() / "prefix").string();
        options.environment["QT_QPA_PLATFORM"] = "offscreen";
        // Qt warns on standard error when the session has no runtime folder.
        const std::filesystem::path runtime = FTemp.Path() / "runtime";
        std::filesystem::create_directories(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        options.environment["XDG_RUNTIME_DIR"] = runtime.string();
        return testsupport::RunProgram(QUARNEL_UPDATE_PROGRAM, arguments, options);
    }
};

TEST_F(ProgramTest, HelpNamesTheOptions) {
    const testsupport::ProgramResult result = Run({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    for (const char* option : {"--package", "--silent", "--yes", "--no", "--report"})
        EXPECT_NE(result.out.find(option), std::string::npos) << option;
}

TEST_F(ProgramTest, UnknownOptionIsAUsageError) {
    const testsupport::ProgramResult result = Run({"--frobnicate"});
    EXPECT_EQ(result.exitCode, 64);
    EXPECT_NE(result.err.find("--frobnicate"), std::string::npos);
}

TEST_F(ProgramTest, SecondInstanceEndsAtOnceAndSilently) {
    // This test holds the machine's object as a first wizard would.
    platform::NamedObject first(platform::Machine::Current(), "quarnel-update");
    ASSERT_FALSE(first.AlreadyExists());
    const std::filesystem::path package = WritePackage(FTemp, DemoFiles());
    const std::filesystem::path pictures = FTemp.Path() / "pictures";
    const testsupport::ProgramResult result = Run({"--package", package.string(), "--screenshots", pictures.string()});
    EXPECT_EQ(result.exitCode, 5);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_FALSE(std::filesystem::exists(pictures));
}

TEST_F(ProgramTest, PicturesOfEveryPage) {
    const std::filesystem::path package = WritePackage(FTemp, DemoFiles());
    const std::filesystem::path pictures = FTemp.Path() / "pictures";
    const testsupport::ProgramResult result = Run({"--package", package.string(), "--screenshots", pictures.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const char* name : {"1-welcome.png", "2-changes.png", "3-report.png"}) {
        const QImage image(QString::fromStdString((pictures / name).string()));
        EXPECT_EQ(image.size(), QSize(947, 522)) << name;
    }
}

// The program as built carries no package: without --package it says so, in every mode, and
// refuses to start.
class WithoutPackageTest : public ProgramTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(WithoutPackageTest, SaysSoAndRefusesTheStart) {
    std::vector<std::string> arguments = {GetParam()};
    if (arguments[0] == "--screenshots")
        arguments.push_back((FTemp.Path() / "pictures").string());
    const testsupport::ProgramResult result = Run(arguments);
    EXPECT_EQ(result.exitCode, 5);
    EXPECT_NE(result.err.find("ce programme ne porte aucun paquet de mise à jour"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("--package"), std::string::npos) << result.err;
    EXPECT_FALSE(std::filesystem::exists(FTemp.Path() / "pictures"));
}

INSTANTIATE_TEST_SUITE_P(Modes, WithoutPackageTest, ::testing::Values("--silent", "--plan", "--screenshots"),
                         [](const auto& row) { return std::string(row.param).substr(2); });

TEST_F(ProgramTest, ReadsThePackageItCarries) {
    // A Veltrane update on a machine without its Firebird client: only a program that read its own
    // package knows it and refuses to start.
    const std::filesystem::path source = FTemp.Path() / "source";
    std::filesystem::create_directories(source);
    std::ofstream(source / "Updates.txt") << "Veltrane\r\n";
    update::package::PackageWriter writer;
    writer.SetThreadCount(1);
    writer.Add("Updates.txt", source / "Updates.txt", update::package::FileTime::FromTicks(133000000000000000ULL));
    const std::filesystem::path wizard = FTemp.Path() / "quarnel-update";
    writer.Write(wizard, std::filesystem::path(QUARNEL_UPDATE_PROGRAM));

    testsupport::ProgramOptions options;
    options.environment["QUARNEL_PREFIX"] = (FTemp.Path() / "prefix").string();
    options.environment["QT_QPA_PLATFORM"] = "offscreen";
    const testsupport::ProgramResult result =
        testsupport::RunProgram(wizard, {"--screenshots", (FTemp.Path() / "pictures").string()}, options);
    EXPECT_EQ(result.exitCode, 5) << result.err;
    EXPECT_NE(result.err.find("version incompatible de Firebird"), std::string::npos) << result.err;
}

TEST_F(ProgramTest, DamagedPackageIsRefused) {
    const std::filesystem::path package = WritePackage(FTemp, DemoFiles());
    {
        // Flip a byte inside the first packed stream.
        std::fstream file(package, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(20);
        file.put('\x55');
    }
    const testsupport::ProgramResult result =
        Run({"--package", package.string(), "--screenshots", (FTemp.Path() / "pictures").string()});
    EXPECT_EQ(result.exitCode, 5);
    EXPECT_NE(result.err.find("endommagé"), std::string::npos) << result.err;
}

TEST_F(ProgramTest, WindowAppliesOnlyPackagesSignedByAKeyTheMachineTrusts) {
    namespace pkg = update::trust;
    const auto key = testsupport::MakeEd25519Key(FTemp.Path() / "keys", "maker");
    pkg::TrustedKeys(FTemp.Path() / "prefix").Add(pkg::PublicKey::FromPemFile(key.publicKey));
    const std::filesystem::path package = WritePackage(FTemp, DemoFiles());
    const std::filesystem::path pictures = FTemp.Path() / "pictures";

    const testsupport::ProgramResult refused = Run({"--package", package.string(), "--screenshots", pictures.string()});
    EXPECT_EQ(refused.exitCode, 5);
    EXPECT_NE(refused.err.find("refusé : il n'est pas signé"), std::string::npos) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(pictures));

    const pkg::PrivateKey signer = pkg::PrivateKey::FromPemFile(key.privateKey, {});
    pkg::AddSignatures(package, {&signer}, 1'765'000'000);
    const testsupport::ProgramResult accepted =
        Run({"--package", package.string(), "--screenshots", pictures.string()});
    EXPECT_EQ(accepted.exitCode, 0) << accepted.err;
    EXPECT_TRUE(std::filesystem::exists(pictures / "1-welcome.png"));
}

} // namespace
} // namespace wizardtest

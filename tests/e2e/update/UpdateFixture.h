#pragma once

// Every end-to-end update test builds a package with quarnel-pack from a small source folder, installs
// products on a fresh machine prefix of its own, runs `quarnel-update --silent` on it and reads back
// the files, the registry, the report and the exit code.

#include "platform/files/FileTime.h"
#include "process/ProgramRun.h"

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace updatee2e {

// Dates given to fixture files: whole seconds, so they survive every file time format on the way.
inline constexpr std::int64_t kPackedSeconds = 1'700'000'000;
inline constexpr std::int64_t kOlderSeconds = 1'600'000'000;
inline constexpr std::int64_t kNewerSeconds = 1'750'000'000;

struct Version {
    std::uint16_t major = 1, minor = 0, release = 0, build = 0;
};

struct UpdateRunResult {
    int exitCode = -1;
    std::string err;                 // what the dialogs said
    std::vector<std::string> report; // the report's lines, dates and temporary numbers masked
};

class UpdateE2eTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // --- The package's source folder ---
    void AddPackedText(std::string_view name, std::string_view content, std::int64_t seconds = kPackedSeconds);
    void AddPackedProgram(std::string_view name, Version version, std::int64_t seconds = kPackedSeconds);
    // "Updates.txt" and the package title "AppInfo1.txt" ("Produits Quarnel").
    void SetUpdates(std::string_view lines);

    // --- The machine ---
    // A second fixed drive D: (or another letter and type).
    void AddDrive(char letter, std::string_view type = "fixed", std::optional<std::uint64_t> freeSpace = {});
    void InstallText(std::string_view windowsPath, std::string_view content, std::int64_t seconds = kOlderSeconds);
    void InstallProgram(std::string_view windowsPath, Version version, std::int64_t seconds = kOlderSeconds);
    void MakeFolder(std::string_view windowsPath);
    // HKEY_CURRENT_USER\SOFTWARE\QUARNEL S.A.\<app>\Program "Filename".
    void RegisterProgram(std::string_view appName, std::string_view programPath);
    std::string RegisteredProgram(std::string_view appName);
    // A compatible "gds32.dll" in the system folder and a version-2 address module under `root`, as a
    // Veltrane update demands.
    void InstallCompatibleClient(std::string_view root = "C:\\WQuarnel\\");

    // --- Reading back ---
    std::filesystem::path Host(std::string_view windowsPath) const;
    bool Exists(std::string_view windowsPath) const;
    std::string ReadInstalled(std::string_view windowsPath) const;
    std::string ReadPacked(std::string_view name) const;
    std::int64_t WriteSeconds(std::string_view windowsPath) const;
    // The temporary folder of the machine, as the report names it.
    std::string TempFolder() const;
    // "Copie de <temp>Update#.quarnel-new.#.tmp" and "vers <destination>", then the empty paragraph.
    std::vector<std::string> CopyLines(std::string_view destination) const;

    // Packs the source folder into a new package file, signed by the maker's key of the test
    // (so that the report carries no warning about an unsigned package).
    std::filesystem::path Pack();
    // Packs it with these further arguments of quarnel-pack ("--sign", KEY); unsigned without them.
    std::filesystem::path PackWith(const std::vector<std::string>& packArgs);
    // A new Ed25519 key made by `openssl genpkey`: the private key "<name>.pem" and the public key
    // "<name>.pub.pem" in the test's folder; returns the private key's path.
    std::filesystem::path MakeKey(std::string_view name);
    static std::filesystem::path PublicKeyOf(const std::filesystem::path& privateKey);
    // Runs the unattended update of `package` with `extraArgs` (--yes, --no).
    UpdateRunResult RunOn(const std::filesystem::path& package, const std::vector<std::string>& extraArgs = {},
                          testsupport::ProgramOptions options = {});
    // Starts the unattended update of `package` and leaves it running (a test that stops it midway).
    std::unique_ptr<testsupport::RunningProgram> StartOn(const std::filesystem::path& package);
    // Pack, then RunOn.
    UpdateRunResult Run(const std::vector<std::string>& extraArgs = {});
    // The heading line, as masked by Run.
    static std::string Heading() { return "Mise à jour : Produits Quarnel  <date>"; }
    // "major.minor.release.build", as the report writes a version.
    static std::string VersionText(Version version) {
        return std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
               std::to_string(version.release) + "." + std::to_string(version.build);
    }
    // The report's line of a product's main file version before and after its update.
    static std::string Versions(std::string_view before, std::string_view after) {
        return "Version installée : " + std::string(before) + " ; version après la mise à jour : " + std::string(after);
    }

    const std::filesystem::path& Root() const { return FRoot; }
    // The package's source folder.
    const std::filesystem::path& Source() const { return FSource; }

private:
    std::filesystem::path FRoot;
    std::filesystem::path FSource;
    std::filesystem::path FMakerKey;
    int FRuns = 0;
};

} // namespace updatee2e

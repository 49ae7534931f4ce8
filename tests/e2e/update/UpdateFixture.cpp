#include "UpdateFixture.h"

#include "environment/InstallTools2.h"
#include "environment/RegAccess.h"
#include "pe/PeWriter.h"
#include "platform/machine/Machine.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <unistd.h>

namespace updatee2e {

namespace {

// The built program, or its copy in QUARNEL_TEST_PROGRAMS: a long run (tools/powercut.sh) keeps the
// programs it started with while the build goes on.
std::filesystem::path Program(const char* built) {
    if (const char* folder = std::getenv("QUARNEL_TEST_PROGRAMS"); folder != nullptr && *folder != '\0')
        return std::filesystem::path(folder) / std::filesystem::path(built).filename();
    return built;
}

const std::filesystem::path kUpdateProgram = Program(QUARNEL_UPDATE_PROGRAM);
const std::filesystem::path kPackProgram = Program(QUARNEL_PACK_PROGRAM);

void SetSeconds(const std::filesystem::path& file, std::int64_t seconds) {
    const auto time = std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(seconds)));
    std::filesystem::last_write_time(file, time);
}

void WriteText(const std::filesystem::path& file, std::string_view content) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
}

std::string ReadHostFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteProgram(const std::filesystem::path& file, Version version) {
    std::filesystem::create_directories(file.parent_path());
    testsupport::WritePeFile(
        file, testsupport::MakeVersionResource(version.major, version.minor, version.release, version.build));
}

// The report's lines with what changes from run to run masked: the date of the heading lines and
// the numbers of the temporary files.
// The openssl command-line program, found on the PATH.
std::filesystem::path OpenSslProgram() {
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= folders.size();) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        const std::filesystem::path candidate = std::filesystem::path(folders.substr(start, end - start)) / "openssl";
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return "/usr/bin/openssl";
}

std::vector<std::string> MaskedLines(const std::string& text) {
    static const std::regex date(R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d)");
    static const std::regex temp(R"(Update\d+\.quarnel-new\.\d+\.tmp)");
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        line = std::regex_replace(line, date, "<date>");
        line = std::regex_replace(line, temp, "Update#.quarnel-new.#.tmp");
        lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

} // namespace

void UpdateE2eTest::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quarnel-update-e2e-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    FRoot = pattern;
    FSource = FRoot / "source";
    std::filesystem::create_directories(FSource);
    platform::Machine::SetCurrent(platform::Machine::Init(FRoot / "prefix"));
}

void UpdateE2eTest::TearDown() {
    std::error_code ignored; // a leftover temporary folder is no test failure
    std::filesystem::remove_all(FRoot, ignored);
}

void UpdateE2eTest::AddPackedText(std::string_view name, std::string_view content, std::int64_t seconds) {
    std::string relative(name);
    for (char& c : relative)
        c = c == '\\' ? '/' : c;
    WriteText(FSource / relative, content);
    SetSeconds(FSource / relative, seconds);
}

void UpdateE2eTest::AddPackedProgram(std::string_view name, Version version, std::int64_t seconds) {
    WriteProgram(FSource / std::string(name), version);
    SetSeconds(FSource / std::string(name), seconds);
}

void UpdateE2eTest::SetUpdates(std::string_view lines) {
    AddPackedText("AppInfo1.txt", "Produits Quarnel\r\n");
    AddPackedText("Updates.txt", lines);
}

void UpdateE2eTest::AddDrive(char letter, std::string_view type, std::optional<std::uint64_t> freeSpace) {
    platform::Machine machine = platform::Machine::Load(FRoot / "prefix");
    const std::filesystem::path folder = FRoot / "prefix" / "drives" / std::string(1, letter);
    std::filesystem::create_directories(folder);
    machine.MutableSettings().drives.push_back(
        platform::Drive{letter, folder, platform::ParseDriveType(type).value(), "NTFS", freeSpace});
    machine.Save();
    platform::Machine::SetCurrent(platform::Machine::Load(FRoot / "prefix"));
}

void UpdateE2eTest::InstallText(std::string_view windowsPath, std::string_view content, std::int64_t seconds) {
    WriteText(Host(windowsPath), content);
    SetSeconds(Host(windowsPath), seconds);
}

void UpdateE2eTest::InstallProgram(std::string_view windowsPath, Version version, std::int64_t seconds) {
    WriteProgram(Host(windowsPath), version);
    SetSeconds(Host(windowsPath), seconds);
}

void UpdateE2eTest::MakeFolder(std::string_view windowsPath) {
    std::filesystem::create_directories(Host(windowsPath));
}

void UpdateE2eTest::RegisterProgram(std::string_view appName, std::string_view programPath) {
    ASSERT_TRUE(SetProgramPath(appName, programPath)) << appName;
}

std::string UpdateE2eTest::RegisteredProgram(std::string_view appName) {
    return GetProgramPath(appName, true);
}

void UpdateE2eTest::InstallCompatibleClient(std::string_view root) {
    const std::filesystem::path client = Host(platform::Machine::Current().Settings().systemFolder + "\\gds32.dll");
    std::filesystem::create_directories(client.parent_path());
    testsupport::WritePeFile(client, testsupport::MakeVersionResource(2, 5, 2, 26540, "WI-V2.5.2.26540"));
    InstallProgram(std::string(root) + "Marlisk\\Programs\\VTMarlisk2.dll", {2, 1, 0, 0});
}

std::filesystem::path UpdateE2eTest::Host(std::string_view windowsPath) const {
    return platform::Machine::Current().ToHostPath(windowsPath).value();
}

bool UpdateE2eTest::Exists(std::string_view windowsPath) const {
    return std::filesystem::exists(Host(windowsPath));
}

std::string UpdateE2eTest::ReadInstalled(std::string_view windowsPath) const {
    return ReadHostFile(Host(windowsPath));
}

std::string UpdateE2eTest::ReadPacked(std::string_view name) const {
    std::string relative(name);
    for (char& c : relative)
        c = c == '\\' ? '/' : c;
    return ReadHostFile(FSource / relative);
}

std::int64_t UpdateE2eTest::WriteSeconds(std::string_view windowsPath) const {
    const auto time = std::chrono::file_clock::to_sys(std::filesystem::last_write_time(Host(windowsPath)));
    return std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch()).count();
}

std::string UpdateE2eTest::TempFolder() const {
    return TWindowsInstaller::GetTempPath();
}

std::vector<std::string> UpdateE2eTest::CopyLines(std::string_view destination) const {
    return {"Copie de " + TempFolder() + "Update#.quarnel-new.#.tmp", "vers " + std::string(destination), ""};
}

std::filesystem::path UpdateE2eTest::Pack() {
    if (FMakerKey.empty())
        FMakerKey = MakeKey("maker");
    return PackWith({"--sign", FMakerKey.string()});
}

std::filesystem::path UpdateE2eTest::PackWith(const std::vector<std::string>& packArgs) {
    const std::filesystem::path package = FRoot / ("package" + std::to_string(++FRuns) + ".qpk");
    // The packages of these tests are faulty on purpose, as the wizard must bear them: unchecked.
    std::vector<std::string> args = {FSource.string(), "-o", package.string(), "--threads", "1", "--no-check"};
    args.insert(args.end(), packArgs.begin(), packArgs.end());
    const testsupport::ProgramResult packed = testsupport::RunProgram(kPackProgram, args);
    EXPECT_EQ(packed.exitCode, 0) << packed.err;
    return package;
}

std::filesystem::path UpdateE2eTest::MakeKey(std::string_view name) {
    const std::filesystem::path key = FRoot / "keys" / (std::string(name) + ".pem");
    std::filesystem::create_directories(key.parent_path());
    const testsupport::ProgramResult made =
        testsupport::RunProgram(OpenSslProgram(), {"genpkey", "-algorithm", "ed25519", "-out", key.string()});
    EXPECT_EQ(made.exitCode, 0) << made.err;
    const testsupport::ProgramResult exported = testsupport::RunProgram(
        OpenSslProgram(), {"pkey", "-in", key.string(), "-pubout", "-out", PublicKeyOf(key).string()});
    EXPECT_EQ(exported.exitCode, 0) << exported.err;
    return key;
}

std::filesystem::path UpdateE2eTest::PublicKeyOf(const std::filesystem::path& privateKey) {
    return privateKey.parent_path() / (privateKey.stem().string() + ".pub.pem");
}

UpdateRunResult UpdateE2eTest::RunOn(const std::filesystem::path& package, const std::vector<std::string>& extraArgs,
                                     testsupport::ProgramOptions options) {
    const std::filesystem::path report = FRoot / ("report" + std::to_string(++FRuns) + ".txt");
    std::vector<std::string> args = {"--silent", "--package", package.string(), "--report", report.string()};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    options.environment["QUARNEL_PREFIX"] = (FRoot / "prefix").string();
    const testsupport::ProgramResult run = testsupport::RunProgram(kUpdateProgram, args, options);
    return {run.exitCode, run.err, MaskedLines(ReadHostFile(report))};
}

std::unique_ptr<testsupport::RunningProgram> UpdateE2eTest::StartOn(const std::filesystem::path& package) {
    const std::filesystem::path report = FRoot / ("report" + std::to_string(++FRuns) + ".txt");
    testsupport::ProgramOptions options;
    options.environment["QUARNEL_PREFIX"] = (FRoot / "prefix").string();
    return std::make_unique<testsupport::RunningProgram>(
        kUpdateProgram,
        std::vector<std::string>{"--silent", "--package", package.string(), "--report", report.string()}, options);
}

UpdateRunResult UpdateE2eTest::Run(const std::vector<std::string>& extraArgs) {
    return RunOn(Pack(), extraArgs);
}

} // namespace updatee2e

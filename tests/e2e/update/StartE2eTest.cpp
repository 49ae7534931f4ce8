// What stops quarnel-update before it changes anything, in the unattended mode and in the window:
// a machine or package it cannot work with, a report it could not write, a single-instance guard it
// cannot take. Each ends with a message and exit code 5, never by an abort, and leaves no
// temporary file behind.

#include "UpdateFixture.h"

#include <fstream>
#include <gmock/gmock.h>
#include <regex>
#include <sys/stat.h>

namespace updatee2e {
namespace {

using ::testing::HasSubstr;

constexpr std::string_view kCommonFile = "C:\\WQuarnel\\Common\\Programs\\Commun.dll";

enum class Mode { Silent, Window };

std::string ModeName(Mode mode) {
    return mode == Mode::Silent ? "Silent" : "Window";
}

// Failure messages show the rows by name.
void PrintTo(Mode mode, std::ostream* out) {
    *out << ModeName(mode);
}

class StartE2eTest : public UpdateE2eTest {
protected:
    void SetUp() override {
        UpdateE2eTest::SetUp();
        SetUpdates("Common\r\n");
        AddPackedText("FileNames.txt", "Commun.dll\r\n");
        AddPackedText("Commun.dll", "commun");
        RegisterProgram("Tessaro", "C:\\WQuarnel\\Tessaro\\Programs\\Tessaro.exe");
        MakeFolder("C:\\WQuarnel\\Tessaro\\Programs");
    }

    std::filesystem::path Prefix() const { return Root() / "prefix"; }

public:
    void AddText(std::string_view name, std::string_view content) { AddPackedText(name, content); }

protected:
    // quarnel-update on `package`, unattended or in its window (pictures of the pages, no person
    // needed: the window's dialogs then write to standard error).
    testsupport::ProgramResult Start(Mode mode, const std::filesystem::path& package) {
        testsupport::ProgramOptions options;
        options.environment["QUARNEL_PREFIX"] = Prefix().string();
        options.environment["QT_QPA_PLATFORM"] = "offscreen";
        const std::filesystem::path runtime = Root() / "runtime";
        std::filesystem::create_directories(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        options.environment["XDG_RUNTIME_DIR"] = runtime.string();
        std::vector<std::string> args = {"--package", package.string()};
        if (mode == Mode::Silent)
            args.insert(args.begin(), "--silent");
        else
            args.insert(args.end(), {"--screenshots", (Root() / "pictures").string()});
        return testsupport::RunProgram(QUARNEL_UPDATE_PROGRAM, args, options);
    }

    // The "Update*.tmp" files left in the machine's temporary folder.
    std::vector<std::string> LeftTemporaries() {
        std::vector<std::string> names;
        const std::filesystem::path folder = Prefix() / "drives" / "C" / "Users";
        std::error_code error;
        for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            const std::string name = it->path().filename().string();
            if (std::regex_match(name, std::regex(R"(Update.*\.tmp)", std::regex::icase)))
                names.push_back(name);
        }
        return names;
    }

    void ExpectRefusedAtStart(const testsupport::ProgramResult& result, std::string_view says) {
        EXPECT_EQ(result.exitCode, 5) << result.err;
        EXPECT_THAT(result.err, HasSubstr(std::string(says)));
        EXPECT_FALSE(Exists(kCommonFile));
        EXPECT_THAT(LeftTemporaries(), ::testing::IsEmpty());
    }
};

// --- Causes that used to abort the program ---

// The package is built after `arrangePackage` (may be null) and the machine changed after that by
// `arrangeMachine` (may be null).
struct AbortCause {
    const char* name;
    void (*arrangePackage)(StartE2eTest& test);
    void (*arrangeMachine)(const std::filesystem::path& prefix);
    const char* says; // a piece of the message
};

void PrintTo(const AbortCause& row, std::ostream* out) {
    *out << row.name;
}

class AbortCauseTest : public StartE2eTest, public ::testing::WithParamInterface<std::tuple<AbortCause, Mode>> {};

const AbortCause kAbortCauses[] = {
    {"UnreadableUserHive", nullptr,
     [](const std::filesystem::path& prefix) {
         std::ofstream(prefix / "registry" / "HKEY_CURRENT_USER.reg", std::ios::binary | std::ios::trunc)
             << "Ceci n'est pas une ruche\r\n[HKEY_CURRENT_USER\\Software\r\n\"valeur=\r\n";
     },
     "HKEY_CURRENT_USER"},
    {"BadMachineSetting", nullptr,
     [](const std::filesystem::path& prefix) {
         const std::filesystem::path ini = prefix / "machine.ini";
         std::ifstream in(ini, std::ios::binary);
         std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
         in.close();
         text = std::regex_replace(text, std::regex("AnsiCodePage=[^\\r\\n]*"), "AnsiCodePage=beaucoup");
         std::ofstream(ini, std::ios::binary | std::ios::trunc) << text;
     },
     "machine.ini"},
    {"TitleLargerThanTheEngineReads",
     [](StartE2eTest& test) { test.AddText("AppInfo1.txt", std::string((33u << 20), 'Q')); }, nullptr, "APPINFO1.TXT"},
};

TEST_P(AbortCauseTest, EndsWithAMessageAndExitCode5) {
    const auto& [cause, mode] = GetParam();
    if (cause.arrangePackage != nullptr)
        cause.arrangePackage(*this);
    const std::filesystem::path package = Pack();
    if (cause.arrangeMachine != nullptr)
        cause.arrangeMachine(Prefix());

    const testsupport::ProgramResult result = Start(mode, package);

    EXPECT_EQ(result.exitCode, 5) << result.err;
    EXPECT_THAT(result.err, HasSubstr(cause.says));
    EXPECT_THAT(LeftTemporaries(), ::testing::IsEmpty());
    // Read on the host: the machine itself may be what cannot be loaded.
    EXPECT_FALSE(
        std::filesystem::exists(Prefix() / "drives" / "C" / "WQuarnel" / "Common" / "Programs" / "Commun.dll"));
}

INSTANTIATE_TEST_SUITE_P(Causes, AbortCauseTest,
                         ::testing::Combine(::testing::ValuesIn(kAbortCauses),
                                            ::testing::Values(Mode::Silent, Mode::Window)),
                         [](const auto& test) {
                             return std::string(std::get<0>(test.param).name) + ModeName(std::get<1>(test.param));
                         });

// --- A --package argument that is no package ---

struct NotAPackage {
    const char* name;
    void (*make)(const std::filesystem::path& file);
    const char* says;
};

const NotAPackage kNotPackages[] = {
    {"Folder", [](const std::filesystem::path& file) { std::filesystem::create_directories(file); },
     "n'est pas un fichier ordinaire"},
    {"Fifo", [](const std::filesystem::path& file) { ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0); },
     "n'est pas un fichier ordinaire"},
    {"Missing", [](const std::filesystem::path&) {}, "introuvable"},
    {"Empty", [](const std::filesystem::path& file) { std::ofstream(file, std::ios::binary); }, "est vide"},
    {"PlainText", [](const std::filesystem::path& file) { std::ofstream(file, std::ios::binary) << "Bonjour\r\n"; },
     "n'est pas un paquet de mise à jour"},
    {"AllZeros",
     [](const std::filesystem::path& file) { std::ofstream(file, std::ios::binary) << std::string(70000, '\0'); },
     "ne contient que des octets nuls"},
};

void PrintTo(const NotAPackage& row, std::ostream* out) {
    *out << row.name;
}

class NotAPackageTest : public StartE2eTest, public ::testing::WithParamInterface<std::tuple<NotAPackage, Mode>> {};

TEST_P(NotAPackageTest, IsRefusedAtOnceWithItsReason) {
    const auto& [kind, mode] = GetParam();
    const std::filesystem::path file = Root() / "paquet";
    kind.make(file);

    const testsupport::ProgramResult result = Start(mode, file);

    ExpectRefusedAtStart(result, kind.says);
}

INSTANTIATE_TEST_SUITE_P(Files, NotAPackageTest,
                         ::testing::Combine(::testing::ValuesIn(kNotPackages),
                                            ::testing::Values(Mode::Silent, Mode::Window)),
                         [](const auto& test) {
                             return std::string(std::get<0>(test.param).name) + ModeName(std::get<1>(test.param));
                         });

// --- The single-instance guard fails closed ---

struct BrokenGuard {
    const char* name;
    void (*arrange)(const std::filesystem::path& prefix);
};

const BrokenGuard kBrokenGuards[] = {
    {"LockPathIsAFolder",
     [](const std::filesystem::path& prefix) {
         std::filesystem::create_directories(prefix / "objects" / "quarnel-update.lock");
     }},
    {"ObjectsFolderIsAFile",
     [](const std::filesystem::path& prefix) {
         std::filesystem::remove_all(prefix / "objects");
         std::ofstream(prefix / "objects") << "pas un dossier";
     }},
};

void PrintTo(const BrokenGuard& row, std::ostream* out) {
    *out << row.name;
}

class BrokenGuardTest : public StartE2eTest, public ::testing::WithParamInterface<std::tuple<BrokenGuard, Mode>> {};

TEST_P(BrokenGuardTest, RefusesToStart) {
    const auto& [guard, mode] = GetParam();
    const std::filesystem::path package = Pack();
    guard.arrange(Prefix());

    const testsupport::ProgramResult result = Start(mode, package);

    ExpectRefusedAtStart(result, "une autre instance");
}

INSTANTIATE_TEST_SUITE_P(Guards, BrokenGuardTest,
                         ::testing::Combine(::testing::ValuesIn(kBrokenGuards),
                                            ::testing::Values(Mode::Silent, Mode::Window)),
                         [](const auto& test) {
                             return std::string(std::get<0>(test.param).name) + ModeName(std::get<1>(test.param));
                         });

} // namespace
} // namespace updatee2e

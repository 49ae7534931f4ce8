// The paths a person gives quarnel-pack: an output is written only where nothing is or a regular
// file is, an input is read only when it is a regular file (a FIFO or a device never hangs nor
// floods the tool), and extraction never writes through a linked folder of the destination.

#include "process/ProgramRun.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kTool = QUARNEL_PACK_PROGRAM;

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct NamedPath {
    const char* name;
    // Prepares the case in `folder` (which holds a source folder "source" and a package
    // "paquet.qpk") and gives the tool's arguments.
    std::vector<std::string> (*arrange)(const fs::path& folder);
    const char* says;
    // Checks that what the path named is as it was.
    void (*check)(const fs::path& folder);
};

class NamedPathTest : public ::testing::TestWithParam<NamedPath> {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quarnel-pack-paths-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        FFolder = pattern;
        fs::create_directories(FFolder / "source" / "zvk");
        std::ofstream(FFolder / "source" / "Updates.txt") << "Suvana\r\n";
        std::ofstream(FFolder / "source" / "zvk" / "SA-00.int") << "liste";
        const testsupport::ProgramResult packed =
            testsupport::RunProgram(kTool, {(FFolder / "source").string(), "-o", (FFolder / "paquet.qpk").string()});
        ASSERT_EQ(packed.exitCode, 0) << packed.err;
    }
    void TearDown() override {
        std::error_code ignored; // a leftover temporary folder is no test failure
        fs::remove_all(FFolder, ignored);
    }

    fs::path FFolder;
};

TEST_P(NamedPathTest, IsRefusedAtOnceAndLeftAsItWas) {
    const std::vector<std::string> args = GetParam().arrange(FFolder);
    testsupport::ProgramOptions options;
    options.killAfter = std::chrono::seconds(30); // a tool that hangs fails the test instead of holding it

    const testsupport::ProgramResult result = testsupport::RunProgram(kTool, args, options);

    EXPECT_FALSE(result.killed) << "the tool hung";
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.err.find(GetParam().says), std::string::npos) << result.err;
    GetParam().check(FFolder);
}

std::vector<std::string> PackTo(const fs::path& folder, const fs::path& output) {
    return {(folder / "source").string(), "-o", output.string()};
}

void ExpectFifo(const fs::path& file) {
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(file))) << file;
}

const NamedPath kNamedPaths[] = {
    {"OutputFifo",
     [](const fs::path& folder) {
         EXPECT_EQ(::mkfifo((folder / "sortie").c_str(), 0600), 0);
         return PackTo(folder, folder / "sortie");
     },
     "n'est pas un fichier ordinaire",
     [](const fs::path& folder) {
         ExpectFifo(folder / "sortie");
     }},
    {"OutputDevice",
     [](const fs::path& folder) {
         // A device node of our own (the null device's numbers): root may make one, and its loss harms nothing.
         EXPECT_EQ(::mknod((folder / "nul").c_str(), S_IFCHR | 0666, ::makedev(1, 3)), 0);
         return PackTo(folder, folder / "nul");
     },
     "n'est pas un fichier ordinaire",
     [](const fs::path& folder) {
         EXPECT_TRUE(fs::is_character_file(fs::symlink_status(folder / "nul")));
     }},
    {"OutputLink",
     [](const fs::path& folder) {
         std::ofstream(folder / "garde.txt") << "garde";
         fs::create_symlink(folder / "garde.txt", folder / "lien");
         return PackTo(folder, folder / "lien");
     },
     "n'est pas un fichier ordinaire",
     [](const fs::path& folder) {
         EXPECT_TRUE(fs::is_symlink(folder / "lien"));
         EXPECT_EQ(ReadText(folder / "garde.txt"), "garde");
     }},
    {"OutputFolder",
     [](const fs::path& folder) {
         fs::create_directories(folder / "dossier");
         return PackTo(folder, folder / "dossier");
     },
     "dossier",
     [](const fs::path& folder) {
         EXPECT_TRUE(fs::is_empty(folder / "dossier"));
     }},
    {"VerifyFifo",
     [](const fs::path& folder) {
         EXPECT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
         return std::vector<std::string>{"--verify", (folder / "fifo").string()};
     },
     "n'est pas un fichier ordinaire",
     [](const fs::path& folder) {
         ExpectFifo(folder / "fifo");
     }},
    {"WizardFifo",
     [](const fs::path& folder) {
         EXPECT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
         std::vector<std::string> args = PackTo(folder, folder / "sortie.exe");
         args.insert(args.end(), {"--wizard", (folder / "fifo").string()});
         return args;
     },
     "n'est pas un fichier ordinaire",
     [](const fs::path& folder) {
         EXPECT_FALSE(fs::exists(folder / "sortie.exe"));
     }},
    {"ExtractThroughALinkedFolder",
     [](const fs::path& folder) {
         fs::create_directories(folder / "dehors");
         fs::create_directories(folder / "extrait");
         fs::create_directory_symlink(folder / "dehors", folder / "extrait" / "ZVK");
         return std::vector<std::string>{"--extract", (folder / "paquet.qpk").string(), (folder / "extrait").string()};
     },
     "est un lien",
     [](const fs::path& folder) {
         EXPECT_TRUE(fs::is_empty(folder / "dehors"));
     }},
};

void PrintTo(const NamedPath& row, std::ostream* out) {
    *out << row.name;
}

INSTANTIATE_TEST_SUITE_P(Paths, NamedPathTest, ::testing::ValuesIn(kNamedPaths),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace

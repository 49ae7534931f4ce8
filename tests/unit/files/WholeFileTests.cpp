// The one whole-file write: the new content under the temporary name the leftover clean-up
// knows, the mode of the file it replaces kept, nothing left beside it; and the checks of the
// names a person gives for output and input.

#include "MachineFixture.h"
#include "platform/machine/RegularFiles.h"
#include "platform/machine/TemporaryNames.h"
#include "platform/machine/WholeFile.h"
#include "platform/registry/RegCommand.h"
#include "platform/registry/Registry.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const fs::path& file) {
    struct stat info {};
    EXPECT_EQ(::lstat(file.c_str(), &info), 0) << file;
    return info.st_mode & 07777;
}

std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

class WholeFileTest : public testing_support::MachineTest {};

TEST_F(WholeFileTest, TheReplacedFileKeepsItsModeAndNothingStaysBeside) {
    for (const mode_t mode : {0600, 0640, 0755, 0444}) {
        SCOPED_TRACE(mode);
        const fs::path folder = Prefix() / ("mode" + std::to_string(mode));
        fs::create_directories(folder);
        const fs::path file = folder / "settings.ini";
        { std::ofstream(file) << "old"; }
        ASSERT_EQ(::chmod(file.c_str(), mode), 0);
        WriteWholeFile(file, "new content");
        EXPECT_EQ(ReadHostFile(file), "new content");
        EXPECT_EQ(ModeOf(file), mode);
        EXPECT_EQ(NamesIn(folder), std::vector<std::string>{"settings.ini"});
    }
}

TEST_F(WholeFileTest, AHiveOfMode600StaysSoAfterRegAdd) {
    Registry registry(Prefix() / "registry");
    registry.CreateMissingHives();
    const fs::path hive = registry.HiveFilePath(RegistryRoot::LocalMachine);
    ASSERT_EQ(::chmod(hive.c_str(), 0600), 0);
    const std::string before = ReadHostFile(hive);
    const std::vector<std::string> args = {"add", "HKLM\\SOFTWARE\\Quarnel", "/v", "Mode", "/d", "600", "/f"};
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(RunRegCommand(registry, args, out, err), 0) << err.str();
    registry.FoldLogs();                   // the write waits in the log beside the hive until it is folded in
    EXPECT_NE(ReadHostFile(hive), before); // the value was written
    EXPECT_EQ(ModeOf(hive), 0600u);
}

TEST_F(WholeFileTest, ANewFileGetsTheUsualModeUnderTheUmask) {
    const fs::path file = Prefix() / "fresh.txt";
    const mode_t previous = ::umask(027);
    WriteWholeFile(file, "text");
    ::umask(previous);
    EXPECT_EQ(ModeOf(file), 0640u);
}

TEST_F(WholeFileTest, AWriteThatFailsLeavesTheFileAndNoTemporary) {
    const fs::path folder = Prefix() / "full";
    fs::create_directories(folder / "settings.ini"); // a folder where the file should be: the rename fails
    EXPECT_THROW(WriteWholeFile(folder / "settings.ini", "text"), std::system_error);
    EXPECT_EQ(NamesIn(folder), std::vector<std::string>{"settings.ini"});
    EXPECT_TRUE(fs::is_directory(folder / "settings.ini"));
}

// What a person names for a program: only a regular file is ever read or replaced; a FIFO, a
// device, a folder or a link is refused at once, without blocking.
struct NamedFile {
    const char* name;
    fs::path (*make)(const fs::path& folder);
    int outputRefusal;
    int inputError; // 0: opened
};

const NamedFile kNamedFiles[] = {
    {"Absent", [](const fs::path& folder) { return folder / "absent"; }, 0, ENOENT},
    {"Regular",
     [](const fs::path& folder) {
         std::ofstream(folder / "texte") << "texte";
         return folder / "texte";
     },
     0, 0},
    {"Fifo",
     [](const fs::path& folder) {
         EXPECT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
         return folder / "fifo";
     },
     EINVAL, EINVAL},
    {"Device", [](const fs::path&) { return fs::path("/dev/zero"); }, EINVAL, EINVAL},
    {"Folder", [](const fs::path& folder) { return folder; }, EISDIR, EISDIR},
    {"LinkToAFile",
     [](const fs::path& folder) {
         std::ofstream(folder / "cible") << "cible";
         fs::create_symlink(folder / "cible", folder / "lien");
         return folder / "lien";
     },
     EINVAL, 0},
    {"Oversized",
     [](const fs::path& folder) {
         std::ofstream(folder / "gros") << std::string(2000, 'g');
         return folder / "gros";
     },
     0, EFBIG},
};

class NamedFileTest : public WholeFileTest, public ::testing::WithParamInterface<NamedFile> {};

TEST_P(NamedFileTest, OnlyARegularFileIsReadOrReplaced) {
    const fs::path file = GetParam().make(Prefix());
    EXPECT_EQ(OutputRefusal(file), GetParam().outputRefusal);
    const int descriptor = OpenRegularInput(file, 1000);
    const int error = descriptor < 0 ? errno : 0;
    if (descriptor >= 0)
        ::close(descriptor);
    EXPECT_EQ(error, GetParam().inputError);
}

INSTANTIATE_TEST_SUITE_P(Files, NamedFileTest, ::testing::ValuesIn(kNamedFiles),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(WholeFileTest, AFileReadWholeStopsAtItsCap) {
    const fs::path file = Prefix() / "liste.txt";
    { std::ofstream(file) << "abc"; }
    EXPECT_EQ(ReadRegularInput(file, 3), "abc");
    EXPECT_THROW(ReadRegularInput(file, 2), std::system_error);
    EXPECT_THROW(ReadRegularInput("/dev/zero", 1 << 20), std::system_error); // a device without end is not read
}

} // namespace
} // namespace platform

#include "TempPrefix.h"
#include "platform/machine/Machine.h"
#include "platform/machine/TemporaryNames.h"
#include "process/ChildProcess.h"

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

namespace fs = std::filesystem;

ino_t InodeOf(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(TemporaryNamesTest, AFreshNameCarriesTheWriterAndIsRecognised) {
    const std::string name = TemporaryNameFor("Veltrane.exe");
    EXPECT_TRUE(name.starts_with(".Veltrane.exe.quarnel-new." + std::to_string(::getpid()) + "."));
    EXPECT_EQ(TemporaryNameWriter(name), ::getpid());
    EXPECT_NE(TemporaryNameFor("Veltrane.exe"), name);
    EXPECT_FALSE(IsLeftoverOfDeadProcess(name)); // this process lives
}

TEST(TemporaryNamesTest, OnlyTheExactFormIsATemporaryName) {
    const struct {
        const char* name;
        std::optional<pid_t> writer;
    } cases[] = {
        {".a.quarnel-new.42.AbC123", 42},
        {".Update 1.tmp.quarnel-new.7.zzzzzz", 7},
        {"a.quarnel-new.42.AbC123", std::nullopt},   // not hidden
        {"..quarnel-new.42.AbC123", std::nullopt},   // no name
        {".a.quarnel-new.42.AbC12", std::nullopt},   // five random characters
        {".a.quarnel-new.42.AbC1234", std::nullopt}, // seven
        {".a.quarnel-new.4x2.AbC123", std::nullopt},
        {".a.quarnel-new..AbC123", std::nullopt},
        {".a.quarnel-new.0.AbC123", std::nullopt},
        {".a.quarnel-new.42.AbC-23", std::nullopt},
        {".a.quarnel-old.42.AbC123", std::nullopt},
        {".a.copy-AbC123", std::nullopt},
        {"a.quarnel-backup.42.AbC123", std::nullopt}, // a rollback backup: never debris
        {".a.quarnel-backup.42.AbC123", std::nullopt},
        {"HKEY_CURRENT_USER.reg", std::nullopt},
        // A temporary file of its own, in a temporary folder: STEM.quarnel-new.PID.tmp
        {"Update4711.quarnel-new.42.tmp", 42},
        {"Update 1.quarnel-new.7.tmp", 7},
        {".quarnel-new.42.tmp", std::nullopt},         // no stem
        {"Update4711.quarnel-new..tmp", std::nullopt}, // no writer
        {"Update4711.quarnel-new.0.tmp", std::nullopt},
        {"Update4711.quarnel-new.4x2.tmp", std::nullopt},
        {"Update4711.quarnel-new.42.txt", std::nullopt},
        {"Update4711.quarnel-new.42", std::nullopt},
        {"Update4711.tmp", std::nullopt}, // no writer: of no one that can be told
        {".Update4711.quarnel-new.42.tmp", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TemporaryNameWriter(c.name), c.writer) << c.name;
}

TEST(TemporaryNamesTest, ATemporaryFileNameCarriesItsStemAndWriter) {
    const std::string name = TemporaryFileName("Update4711");
    EXPECT_EQ(name, "Update4711.quarnel-new." + std::to_string(::getpid()) + ".tmp");
    EXPECT_EQ(TemporaryNameWriter(name), ::getpid());
    EXPECT_FALSE(IsLeftoverOfDeadProcess(name));
    EXPECT_TRUE(IsLeftoverOfDeadProcess("Update4711.quarnel-new." +
                                        std::to_string(testsupport::ChildProcess::DeadId()) + ".tmp"));
    EXPECT_FALSE(IsLeftoverOfDeadProcess("Update4711.quarnel-new.1.tmp")); // init never ends
}

class LeftoversTest : public testing_support::TempPrefixTest {};

TEST_F(LeftoversTest, OnlyTemporariesOfDeadProcessesAreRemoved) {
    const fs::path folder = Root() / "Programs";
    const std::string dead = std::to_string(testsupport::ChildProcess::DeadId());
    const std::string alive = "1"; // init never ends
    const std::string own = std::to_string(::getpid());
    for (const std::string& name : std::vector<std::string>{
             ".Veltrane.exe.quarnel-new." + dead + ".Ab12cd", ".Veltrane.exe.quarnel-new." + alive + ".Ab12cd",
             ".Veltrane.exe.quarnel-new." + own + ".Ab12cd", "Veltrane.exe", ".Veltrane.exe.copy-Ab12cd",
             "Veltrane.exe.quarnel-backup." + dead + ".Ab12cd", "Update1.quarnel-new." + dead + ".tmp",
             "Update2.quarnel-new." + alive + ".tmp", "Update3.tmp"})
        WriteText(folder / name, "content");
    fs::create_directory(folder / (".Folder.quarnel-new." + dead + ".Ab12cd"));
    fs::create_symlink(folder / "Veltrane.exe", folder / (".Link.quarnel-new." + dead + ".Ab12cd"));
    EXPECT_EQ(RemoveLeftovers(folder), 2u);
    const std::vector<std::string> expected = {".Folder.quarnel-new." + dead + ".Ab12cd",
                                               ".Link.quarnel-new." + dead + ".Ab12cd",
                                               ".Veltrane.exe.copy-Ab12cd",
                                               ".Veltrane.exe.quarnel-new." + alive + ".Ab12cd",
                                               ".Veltrane.exe.quarnel-new." + own + ".Ab12cd",
                                               "Update2.quarnel-new." + alive + ".tmp",
                                               "Update3.tmp",
                                               "Veltrane.exe",
                                               "Veltrane.exe.quarnel-backup." + dead + ".Ab12cd"};
    EXPECT_EQ(Names(folder), expected);
}

// A folder removed and made again may get the inode number of the old one: it is another folder,
// and the first write into it removes its leftovers all the same.
TEST_F(LeftoversTest, AFolderMadeAgainUnderAReusedInodeIsCleanedOnItsFirstWrite) {
    const fs::path folder = Root() / "Programs";
    fs::create_directory(folder);
    const auto cleanedOnce = [&] {
        const int descriptor = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        ASSERT_GE(descriptor, 0);
        RemoveLeftoversOnce(descriptor);
        ::close(descriptor);
    };
    cleanedOnce();
    const ino_t inode = InodeOf(folder);
    // The file system hands freed inode numbers out again soon, but not at a set moment.
    bool reused = false;
    for (int attempt = 0; attempt < 200 && !reused; ++attempt) {
        fs::remove_all(folder);
        fs::create_directory(folder);
        reused = InodeOf(folder) == inode;
    }
    if (!reused)
        GTEST_SKIP() << "the file system gave the folder no reused inode number";
    const std::string leftover =
        ".Veltrane.exe.quarnel-new." + std::to_string(testsupport::ChildProcess::DeadId()) + ".Ab12cd";
    WriteText(folder / leftover, "half a program");
    cleanedOnce();
    EXPECT_FALSE(fs::exists(folder / leftover));
}

TEST_F(LeftoversTest, UnfinishedTemporariesOfOneFileAreThoseOfDeadWritersAndOurOwn) {
    const fs::path folder = Root() / "Programs";
    const std::string dead = std::to_string(testsupport::ChildProcess::DeadId());
    const std::string own = std::to_string(::getpid());
    const std::vector<std::string> removed = {".Veltrane.exe.quarnel-new." + dead + ".Ab12cd",
                                              ".Veltrane.exe.quarnel-new." + own + ".Ab12cd"};
    const std::vector<std::string> kept = {
        ".Veltrane.exe.quarnel-new.1.Ab12cd",             // a writer at work
        ".Veltrane.exe.quarnel-new.0" + dead + ".Ab12cd", // not the form this process writes
        ".Other.exe.quarnel-new." + dead + ".Ab12cd",     // another file's
        ".Veltrane.exe.bak.quarnel-new." + dead + ".Ab12cd",
        ".Veltrane.exe.copy-Ab12cd",
        "Veltrane.exe",
        "Veltrane.exe.~rollback-7-8-1", // a backup: the only copy of the old file
    };
    for (const std::string& name : removed)
        WriteText(folder / name, "content");
    for (const std::string& name : kept)
        WriteText(folder / name, "content");
    const std::string link = ".Veltrane.exe.quarnel-new." + dead + ".Zz99zz";
    fs::create_symlink(folder / "Veltrane.exe", folder / link);
    const std::string subfolder = ".Veltrane.exe.quarnel-new." + own + ".Yy88yy";
    fs::create_directory(folder / subfolder);

    const int descriptor = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(descriptor, 0);
    EXPECT_EQ(RemoveUnfinishedTemporaries(descriptor, "Veltrane.exe"), removed.size());
    ::close(descriptor);

    std::vector<std::string> expected = kept;
    expected.push_back(link);
    expected.push_back(subfolder);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(folder), expected);
}

TEST_F(LeftoversTest, OpeningTheMachineRemovesTheHiveTemporariesOfKilledWriters) {
    const fs::path prefix = Root() / "prefix";
    Machine::Init(prefix);
    const std::string leftover =
        ".HKEY_CURRENT_USER.reg.quarnel-new." + std::to_string(testsupport::ChildProcess::DeadId()) + ".x1Y2z3";
    WriteText(prefix / "registry" / leftover, "half a hive");
    Machine::Load(prefix);
    EXPECT_FALSE(fs::exists(prefix / "registry" / leftover));
}

} // namespace
} // namespace platform

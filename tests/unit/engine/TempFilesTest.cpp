// Temporary file names and the clean-up of the temporary folder.

#include "EngineFixture.h"
#include "platform/errors/SystemError.h"
#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"

namespace enginetest {
namespace {

TEST_F(EngineTest, TempFilenameIsFolderNameNumberTmp) {
    MakeEngine();
    std::vector<std::uint32_t> ranges;
    Engine().SetRandomSource(QueuedNumbers({4711, 7, 9'999'999}, &ranges));
    EXPECT_EQ(Engine().BuildTempFilename("Update"), TempPath() + "Update4711.tmp");
    EXPECT_EQ(Engine().BuildTempFilename("Update"), TempPath() + "Update7.tmp");
    EXPECT_EQ(Engine().BuildTempFilename("Update"), TempPath() + "Update9999999.tmp");
    EXPECT_EQ(ranges, (std::vector<std::uint32_t>{10'000'000, 10'000'000, 10'000'000}));
    EXPECT_TRUE(TempPath().ends_with("\\"));
    EXPECT_EQ(ReportText(), "");
}

TEST_F(EngineTest, DefaultGeneratorStaysInRange) {
    MakeEngine();
    const std::string prefix = TempPath() + "Update";
    for (int draw = 0; draw < 50; ++draw) {
        const std::string name = Engine().BuildTempFilename("Update");
        ASSERT_TRUE(name.starts_with(prefix) && name.ends_with(".tmp")) << name;
        const std::string number = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        ASSERT_FALSE(number.empty());
        EXPECT_LT(std::stoul(number), 10'000'000ul) << name;
        EXPECT_TRUE(number == "0" || number.front() != '0') << "no padding: " << name;
    }
}

TEST_F(EngineTest, SameDrawTwiceDeletesTheFirstFileAndLogsIt) {
    MakeEngine({{"A.dll", "first"}});
    Engine().SetRandomSource(QueuedNumbers({42, 42}));
    const std::string first = Engine().BuildTempFilename("Update");
    ASSERT_EQ(Engine().ExtractPackedResource("A.dll", first), first);
    ASSERT_TRUE(Exists(first));
    EXPECT_EQ(ReportText(), "");

    const std::string second = Engine().BuildTempFilename("Update");
    EXPECT_EQ(second, first);
    EXPECT_FALSE(Exists(first));
    EXPECT_EQ(ReportText(), "Fichier " + first + " est supprimé.\r\n");
}

TEST_F(EngineTest, SameDrawOfAFileInUseFailsAfterLoggingIt) {
    MakeEngine({{"A.dll", "first"}});
    Engine().SetRandomSource(QueuedNumbers({42}));
    const std::string name = TempPath() + "Update42.tmp";
    WriteFile(name, "held");
    platform::FileHandle holder =
        platform::CreateFile(name, platform::kGenericRead, 0, platform::CreationDisposition::OpenExisting);
    ASSERT_TRUE(holder.IsValid());
    try {
        Engine().BuildTempFilename("Update");
        FAIL() << "a file in use was deleted";
    } catch (const platform::SystemError& error) {
        EXPECT_EQ(error.Code(), platform::kErrorSharingViolation);
    }
    EXPECT_EQ(ReportText(), "Fichier " + name + " est supprimé.\r\n");
    EXPECT_EQ(ReadFile(name), "held");
}

TEST_F(EngineTest, ClearTempPathDeletesMatchingNamesOnly) {
    MakeEngine();
    const std::string temp = TempPath();
    for (const char* name : {"Update1.tmp", "update22.TMP", "Update.tmp", "UpdateReadOnly.tmp"})
        WriteFile(temp + name, "x");
    ASSERT_TRUE(platform::SetFileAttributes(temp + "UpdateReadOnly.tmp", platform::kFileAttributeReadOnly));
    for (const char* name : {"Other.tmp", "Update1.txt", "MyUpdate1.tmp"})
        WriteFile(temp + name, "keep");
    MakeFolder(temp + "Update9.tmp");

    EXPECT_TRUE(Engine().ClearTempPath("Update*.tmp"));

    for (const char* name : {"Update1.tmp", "update22.TMP", "Update.tmp", "UpdateReadOnly.tmp"})
        EXPECT_FALSE(Exists(temp + name)) << name;
    for (const char* name : {"Other.tmp", "Update1.txt", "MyUpdate1.tmp"})
        EXPECT_EQ(ReadFile(temp + name), "keep") << name;
    EXPECT_FALSE(Exists(temp + "Update9.tmp")) << "a matching folder goes too, as the shell deletes it";
}

TEST_F(EngineTest, ClearTempPathIsSilentAboutFilesInUse) {
    MakeEngine();
    const std::string held = TempPath() + "Update1.tmp";
    const std::string free = TempPath() + "Update2.tmp";
    WriteFile(held, "x");
    WriteFile(free, "x");
    platform::FileHandle holder =
        platform::CreateFile(held, platform::kGenericRead, 0, platform::CreationDisposition::OpenExisting);
    ASSERT_TRUE(holder.IsValid());
    EXPECT_TRUE(Engine().ClearTempPath("Update*.tmp"));
    EXPECT_TRUE(Exists(held));
    EXPECT_FALSE(Exists(free));
    EXPECT_TRUE(Engine().ClearTempPath("Nothing*.tmp"));
}

TEST_F(EngineTest, NoUpdateTmpRemainsAfterTheEngineEnds) {
    const std::string temp = TempPath();
    WriteFile(temp + "Update1234567.tmp", "left by an earlier run");
    WriteFile(temp + "Notes.txt", "keep");
    MakeEngine({{"A.dll", "a"}, {"B.dll", "b"}});
    Engine().SetRandomSource(QueuedNumbers({1, 2}));
    const std::string a = Engine().ExtractPackedResource("A.dll", Engine().BuildTempFilename("Update"));
    const std::string b = Engine().ExtractPackedResource("B.dll", Engine().BuildTempFilename("Update"));
    ASSERT_TRUE(Exists(a));
    ASSERT_TRUE(Exists(b));

    DestroyEngine();

    EXPECT_FALSE(Exists(a));
    EXPECT_FALSE(Exists(b));
    EXPECT_FALSE(Exists(temp + "Update1234567.tmp"));
    EXPECT_EQ(ReadFile(temp + "Notes.txt"), "keep");
}

} // namespace
} // namespace enginetest

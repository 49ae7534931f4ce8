// Temporary file names and the clean-up of the temporary folder: the temporaries of a run carry
// its process id, are created afresh (never over a file or through a link), and a clean-up removes
// only those of this run and of runs that ended.

#include "EngineFixture.h"
#include "environment/Errors.h"
#include "platform/errors/SystemError.h"
#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"
#include "process/ChildProcess.h"

#include <optional>
#include <unistd.h>

namespace enginetest {
namespace {

namespace fs = std::filesystem;

// The name a temporary of the process `writer` gets for the draw `number`.
std::string TemporaryOf(std::string_view stem, std::uint32_t number, pid_t writer) {
    return TWindowsInstaller::GetTempPath() + std::string(stem) + std::to_string(number) + ".quarnel-new." +
           std::to_string(writer) + ".tmp";
}

std::string OwnTemporary(std::uint32_t number) {
    return TemporaryOf("Update", number, ::getpid());
}

TEST_F(EngineTest, TempFilenameIsFolderNameNumberWriterTmpAndTheFileIsMade) {
    MakeEngine();
    std::vector<std::uint32_t> ranges;
    Engine().SetRandomSource(QueuedNumbers({4711, 7, 9'999'999}, &ranges));
    for (const std::uint32_t number : {4711u, 7u, 9'999'999u}) {
        const std::string name = Engine().BuildTempFilename("Update");
        EXPECT_EQ(name, OwnTemporary(number));
        EXPECT_TRUE(Exists(name)) << "the name is taken when it is given: " << name;
        EXPECT_EQ(ReadFile(name), "");
    }
    EXPECT_EQ(ranges, (std::vector<std::uint32_t>{10'000'000, 10'000'000, 10'000'000}));
    EXPECT_TRUE(TempPath().ends_with("\\"));
    EXPECT_EQ(ReportText(), "");
}

TEST_F(EngineTest, DefaultGeneratorStaysInRange) {
    MakeEngine();
    const std::string prefix = TempPath() + "Update";
    const std::string suffix = ".quarnel-new." + std::to_string(::getpid()) + ".tmp";
    for (int draw = 0; draw < 50; ++draw) {
        const std::string name = Engine().BuildTempFilename("Update");
        ASSERT_TRUE(name.starts_with(prefix) && name.ends_with(suffix)) << name;
        const std::string number = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        ASSERT_FALSE(number.empty());
        EXPECT_LT(std::stoul(number), 10'000'000ul) << name;
        EXPECT_TRUE(number == "0" || number.front() != '0') << "no padding: " << name;
    }
}

// --- What already sits at the name drawn: never followed, never overwritten ---

enum class Planted { File, ReadOnlyFile, FileInUse, LinkToAFile, LinkToNowhere, Folder };

struct PlantedCase {
    const char* name;
    Planted planted;
};

class TakenTempNameTest : public EngineTest, public ::testing::WithParamInterface<PlantedCase> {
protected:
    // Plants the case's entry at `windowsPath`; a link leads to Root()/outside.txt.
    void Plant(const std::string& windowsPath) {
        const fs::path host = Host(windowsPath);
        fs::create_directories(host.parent_path());
        switch (GetParam().planted) {
        case Planted::File:
        case Planted::FileInUse:
            WriteFile(windowsPath, "someone's");
            break;
        case Planted::ReadOnlyFile:
            WriteFile(windowsPath, "someone's");
            ASSERT_TRUE(platform::SetFileAttributes(windowsPath, platform::kFileAttributeReadOnly));
            break;
        case Planted::LinkToAFile:
            std::ofstream(Outside(), std::ios::binary) << "outside";
            fs::create_symlink(Outside(), host);
            break;
        case Planted::LinkToNowhere:
            fs::create_symlink(Outside(), host);
            break;
        case Planted::Folder:
            MakeFolder(windowsPath);
            break;
        }
        if (GetParam().planted == Planted::FileInUse) {
            FHolder.emplace(platform::CreateFile(windowsPath, platform::kGenericRead, 0,
                                                 platform::CreationDisposition::OpenExisting));
            ASSERT_TRUE(FHolder->IsValid());
        }
    }

    // The planted entry is as it was planted.
    void ExpectUntouched(const std::string& windowsPath) const {
        const fs::path host = Host(windowsPath);
        switch (GetParam().planted) {
        case Planted::File:
        case Planted::ReadOnlyFile:
        case Planted::FileInUse:
            EXPECT_EQ(ReadFile(windowsPath), "someone's");
            break;
        case Planted::LinkToAFile:
            EXPECT_TRUE(fs::is_symlink(fs::symlink_status(host)));
            EXPECT_EQ(fs::read_symlink(host), Outside());
            EXPECT_EQ(ReadHost(Outside()), "outside");
            break;
        case Planted::LinkToNowhere:
            EXPECT_TRUE(fs::is_symlink(fs::symlink_status(host)));
            EXPECT_FALSE(fs::exists(Outside())) << "the link was followed";
            break;
        case Planted::Folder:
            EXPECT_TRUE(fs::is_directory(fs::symlink_status(host)));
            break;
        }
    }

    fs::path Outside() const { return Root() / "outside.txt"; }
    static std::string ReadHost(const fs::path& host) {
        std::ifstream in(host, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::optional<platform::FileHandle> FHolder;
};

TEST_P(TakenTempNameTest, AnotherNameIsDrawnAndTheEntryStaysAsItWas) {
    MakeEngine({{"A.dll", "new library"}});
    const std::string taken = OwnTemporary(42);
    Plant(taken);
    Engine().SetRandomSource(QueuedNumbers({42, 43}));

    const std::string name = Engine().BuildTempFilename("Update");
    ASSERT_EQ(name, OwnTemporary(43));
    EXPECT_EQ(Engine().ExtractPackedResource("A.dll", name), name);
    EXPECT_EQ(ReadFile(name), "new library");

    ExpectUntouched(taken);
    EXPECT_EQ(ReportText(), "") << "nothing was deleted, so nothing is told";
}

TEST_P(TakenTempNameTest, WhenEveryDrawIsTakenTheNameIsRefusedAndTheEntryStays) {
    MakeEngine();
    const std::string taken = OwnTemporary(42);
    Plant(taken);
    Engine().SetRandomSource(QueuedNumbers({42})); // the same number ever after

    try {
        Engine().BuildTempFilename("Update");
        FAIL() << "a name was given over what sits there";
    } catch (const Exception& error) {
        EXPECT_EQ(std::string(error.what()), "Impossible de créer le fichier \"" + taken + "\".\r\n" +
                                                 platform::SystemErrorMessage(platform::kErrorFileExists));
    }
    ExpectUntouched(taken);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, TakenTempNameTest,
    ::testing::Values(PlantedCase{"File", Planted::File}, PlantedCase{"ReadOnlyFile", Planted::ReadOnlyFile},
                      PlantedCase{"FileInUse", Planted::FileInUse}, PlantedCase{"LinkToAFile", Planted::LinkToAFile},
                      PlantedCase{"LinkToNowhere", Planted::LinkToNowhere}, PlantedCase{"Folder", Planted::Folder}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(EngineTest, SameDrawTwiceKeepsTheFirstFileAndGivesAnotherName) {
    MakeEngine({{"A.dll", "first"}, {"B.dll", "second"}});
    Engine().SetRandomSource(QueuedNumbers({42, 42, 8}));
    const std::string first = Engine().BuildTempFilename("Update");
    ASSERT_EQ(Engine().ExtractPackedResource("A.dll", first), first);

    const std::string second = Engine().BuildTempFilename("Update");
    EXPECT_EQ(second, OwnTemporary(8));
    ASSERT_EQ(Engine().ExtractPackedResource("B.dll", second), second);
    EXPECT_EQ(ReadFile(first), "first");
    EXPECT_EQ(ReadFile(second), "second");
    EXPECT_EQ(ReportText(), "");
}

TEST_F(EngineTest, ATemporaryFolderThatCannotBeWrittenIsNamedWithTheSystemsReason) {
    MakeEngine();
    Engine().SetRandomSource(QueuedNumbers({42}));
    fs::remove_all(Host(TempPath()));
    try {
        Engine().BuildTempFilename("Update");
        FAIL() << "a name was given in a folder that does not exist";
    } catch (const Exception& error) {
        EXPECT_EQ(std::string(error.what()), "Impossible de créer le fichier \"" + OwnTemporary(42) + "\".\r\n" +
                                                 platform::SystemErrorMessage(platform::kErrorPathNotFound));
    }
}

// --- The clean-up: this run's temporaries and those of runs that ended, nothing else ---

class TempCleanUpTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_TRUE(FLiving.Ready());
    }
    pid_t Dead() const { return FDead; }
    pid_t Living() const { return FLiving.Id(); } // a run at work, under another process id

private:
    pid_t FDead = testsupport::ChildProcess::DeadId();
    testsupport::ChildProcess FLiving = testsupport::ChildProcess::Holding([] { return true; });
};

TEST_F(TempCleanUpTest, ClearTempPathRemovesOnlyTheTemporariesOfThisRunAndOfEndedRuns) {
    MakeEngine();
    const std::string temp = TempPath();
    const std::vector<std::string> removed = {OwnTemporary(1), OwnTemporary(2), TemporaryOf("Update", 3, Dead()),
                                              TemporaryOf("update", 4, Dead())};
    const std::vector<std::string> kept = {
        TemporaryOf("Update", 5, Living()), // a run at work: its file is in use by it
        TemporaryOf("Other", 6, Dead()),    // outside the mask
        temp + "Update1.tmp",               // no writer can be told: a person's or another tool's
        temp + "Update.tmp",
        temp + "MyUpdate1.tmp",
        temp + "Update1.txt",
    };
    for (const std::string& name : removed)
        WriteFile(name, "x");
    ASSERT_TRUE(platform::SetFileAttributes(OwnTemporary(2), platform::kFileAttributeReadOnly));
    for (const std::string& name : kept)
        WriteFile(name, "keep");
    const std::string folder = TemporaryOf("Update", 7, Dead());
    MakeFolder(folder);
    const std::string link = TemporaryOf("Update", 8, Dead());
    WriteFile("C:\\Data\\target.txt", "target");
    fs::create_symlink(Host("C:\\Data\\target.txt"), Host(link));

    EXPECT_TRUE(Engine().ClearTempPath("Update*.tmp"));

    for (const std::string& name : removed)
        EXPECT_FALSE(Exists(name)) << name;
    for (const std::string& name : kept)
        EXPECT_EQ(ReadFile(name), "keep") << name;
    EXPECT_TRUE(fs::is_directory(Host(folder)));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(Host(link))));
    EXPECT_EQ(ReadFile("C:\\Data\\target.txt"), "target");
    EXPECT_EQ(ReportText(), "");
}

TEST_F(TempCleanUpTest, ClearTempPathIsSilentAboutFilesInUse) {
    MakeEngine();
    const std::string held = OwnTemporary(1);
    const std::string free = OwnTemporary(2);
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

TEST_F(TempCleanUpTest, WhenTheEngineEndsItsTemporariesAndThoseOfEndedRunsGoAndALivingRunsStay) {
    const std::string temp = TempPath();
    const std::string ended = TemporaryOf("Update", 1'234'567, Dead());
    const std::string living = TemporaryOf("Update", 7'654'321, Living());
    WriteFile(ended, "left by a killed run");
    WriteFile(living, "being copied by a run at work");
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
    EXPECT_FALSE(Exists(ended));
    EXPECT_EQ(ReadFile(living), "being copied by a run at work");
    EXPECT_EQ(ReadFile(temp + "Notes.txt"), "keep");
}

} // namespace
} // namespace enginetest

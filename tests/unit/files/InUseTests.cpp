#include "MachineFixture.h"
#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"
#include "process/ChildProcess.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

namespace fs = std::filesystem;

using testsupport::ChildProcess;

struct InUseRow {
    const char* name;
    ErrorCode (*operation)(); // the code the operation leaves, 0 on success
};

ErrorCode Outcome(bool succeeded) {
    return succeeded ? kErrorSuccess : GetLastError();
}

const InUseRow kOperations[] = {
    {"ExclusiveProbe",
     [] {
         return ProbeExclusiveOpen("C:\\App\\Held.exe");
     }},
    {"CopyOver",
     [] {
         return Outcome(CopyFile("C:\\App\\New.exe", "C:\\App\\Held.exe", false));
     }},
    {"Delete",
     [] {
         return Outcome(DeleteFile("C:\\APP\\held.EXE"));
     }},
    {"MoveOver",
     [] {
         return Outcome(MoveFileEx("C:\\App\\New.exe", "C:\\App\\Held.exe", kMoveFileReplaceExisting));
     }},
    {"OpenForWritingSharingRead",
     [] {
         return Outcome(
             CreateFile("C:\\App\\Held.exe", kGenericWrite, kFileShareRead, CreationDisposition::OpenExisting)
                 .IsValid());
     }},
};

class InUseTest : public testing_support::MachineTest, public testing::WithParamInterface<InUseRow> {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        fs::create_directories(DriveC() / "App");
        // A real program, so that the running case runs it from the machine's drive.
        fs::copy_file("/bin/sleep", DriveC() / "App" / "Held.exe");
        WriteHostFile("App/New.exe", "new program");
    }
};

TEST_P(InUseTest, FileHeldOpenByAnotherProcessIsInUse) {
    {
        const ChildProcess child = ChildProcess::HoldingOpen(DriveC() / "App" / "Held.exe");
        ASSERT_TRUE(child.Ready());
        EXPECT_EQ(GetParam().operation(), kErrorSharingViolation);
        EXPECT_TRUE(fs::exists(DriveC() / "App" / "Held.exe"));
        EXPECT_EQ(fs::file_size(DriveC() / "App" / "Held.exe"), fs::file_size("/bin/sleep"));
    }
    EXPECT_EQ(GetParam().operation(), kErrorSuccess) << "free again once the holder has ended";
}

TEST_P(InUseTest, RunningProgramIsInUse) {
    {
        const ChildProcess child = ChildProcess::Running(DriveC() / "App" / "Held.exe", "1000");
        ASSERT_TRUE(child.Ready());
        EXPECT_EQ(GetParam().operation(), kErrorSharingViolation);
        EXPECT_EQ(fs::file_size(DriveC() / "App" / "Held.exe"), fs::file_size("/bin/sleep"));
    }
    EXPECT_EQ(GetParam().operation(), kErrorSuccess) << "free again once the program has ended";
}

INSTANTIATE_TEST_SUITE_P(Operations, InUseTest, testing::ValuesIn(kOperations),
                         [](const testing::TestParamInfo<InUseRow>& row) { return std::string(row.param.name); });

using InUseProbeTest = testing_support::MachineTest;

TEST_F(InUseProbeTest, FreeMissingAndReadOnlyFiles) {
    WriteHostFile("Free.txt", "x");
    WriteHostFile("ReadOnly.txt", "x");
    ASSERT_TRUE(SetFileAttributes("C:\\ReadOnly.txt", kFileAttributeReadOnly));
    fs::create_directories(DriveC() / "Folder");
    EXPECT_EQ(ProbeExclusiveOpen("C:\\Free.txt"), kErrorSuccess);
    EXPECT_EQ(ProbeExclusiveOpen("C:\\Missing.txt"), kErrorFileNotFound);
    EXPECT_EQ(ProbeExclusiveOpen("C:\\Missing\\File.txt"), kErrorPathNotFound);
    EXPECT_EQ(ProbeExclusiveOpen("C:\\ReadOnly.txt"), kErrorAccessDenied);
    EXPECT_EQ(ProbeExclusiveOpen("C:\\Folder"), kErrorAccessDenied);
}

TEST_F(InUseProbeTest, ReadingSharedWithAnotherProcessIsAllowed) {
    const fs::path host = WriteHostFile("Shared.txt", "shared");
    const ChildProcess child = ChildProcess::HoldingOpen(host);
    ASSERT_TRUE(child.Ready());
    EXPECT_TRUE(CreateFile("C:\\Shared.txt", kGenericRead, kFileShareRead | kFileShareWrite,
                           CreationDisposition::OpenExisting));
    EXPECT_FALSE(CreateFile("C:\\Shared.txt", kGenericRead, kFileShareRead, CreationDisposition::OpenExisting));
    EXPECT_EQ(GetLastError(), kErrorSharingViolation);
}

struct SharingRow {
    const char* name;
    std::uint32_t firstAccess;
    std::uint32_t firstShare;
    std::uint32_t secondAccess;
    std::uint32_t secondShare;
    bool secondOpens;
};

const SharingRow kSharing[] = {
    {"ExclusiveThenRead", kGenericRead | kGenericWrite, 0, kGenericRead, kFileShareRead | kFileShareWrite, false},
    {"ReadersSharingRead", kGenericRead, kFileShareRead, kGenericRead, kFileShareRead, true},
    {"WriterAfterReaderSharingOnlyRead", kGenericRead, kFileShareRead, kGenericWrite, kFileShareRead, false},
    {"ReaderThatDoesNotShareWithAWriter", kGenericWrite, kFileShareRead | kFileShareWrite, kGenericRead, kFileShareRead,
     false},
    {"WritersSharingEverything", kGenericWrite, kFileShareRead | kFileShareWrite, kGenericWrite,
     kFileShareRead | kFileShareWrite, true},
};

class OwnHandleSharingTest : public testing_support::MachineTest, public testing::WithParamInterface<SharingRow> {};

TEST_P(OwnHandleSharingTest, FollowsTheWindowsRule) {
    WriteHostFile("File.txt", "x");
    const SharingRow& row = GetParam();
    FileHandle first = CreateFile("C:\\File.txt", row.firstAccess, row.firstShare, CreationDisposition::OpenExisting);
    ASSERT_TRUE(first);
    const FileHandle second =
        CreateFile("C:\\file.TXT", row.secondAccess, row.secondShare, CreationDisposition::OpenExisting);
    EXPECT_EQ(second.IsValid(), row.secondOpens);
    if (!row.secondOpens) {
        EXPECT_EQ(GetLastError(), kErrorSharingViolation);
    }
    first.Close();
    EXPECT_TRUE(CreateFile("C:\\File.txt", row.secondAccess, row.secondShare, CreationDisposition::OpenExisting))
        << "closing the first handle lifts its restriction";
}

INSTANTIATE_TEST_SUITE_P(Modes, OwnHandleSharingTest, testing::ValuesIn(kSharing),
                         [](const testing::TestParamInfo<SharingRow>& row) { return std::string(row.param.name); });

// The machine's other programs: a child process holds the first handle, opened through the same
// functions. Their sharing modes are seen by the Windows rule; a holder is also a process of the
// host, so a request that does not share reading and writing is refused as well.
const SharingRow kOtherProgramSharing[] = {
    {"ExclusiveThenReaderSharingEverything", kGenericRead | kGenericWrite, 0, kGenericRead,
     kFileShareRead | kFileShareWrite, false},
    {"ReaderNotSharingWriteThenWriterSharingEverything", kGenericRead, kFileShareRead, kGenericWrite,
     kFileShareRead | kFileShareWrite, false},
    {"WriterThenReaderSharingEverything", kGenericWrite, kFileShareRead | kFileShareWrite, kGenericRead,
     kFileShareRead | kFileShareWrite, true},
    {"WritersSharingEverything", kGenericWrite, kFileShareRead | kFileShareWrite, kGenericWrite,
     kFileShareRead | kFileShareWrite, true},
    {"WriterNotSharingWriteThenWriterSharingEverything", kGenericWrite, kFileShareRead, kGenericWrite,
     kFileShareRead | kFileShareWrite, false},
};

class OtherProgramSharingTest : public testing_support::MachineTest, public testing::WithParamInterface<SharingRow> {};

TEST_P(OtherProgramSharingTest, FollowsTheWindowsRule) {
    WriteHostFile("File.txt", "x");
    const SharingRow& row = GetParam();
    {
        const ChildProcess holder = ChildProcess::Holding([&row] {
            static FileHandle held; // kept open until the child is killed
            held = CreateFile("C:\\File.txt", row.firstAccess, row.firstShare, CreationDisposition::OpenExisting);
            return held.IsValid();
        });
        ASSERT_TRUE(holder.Ready());
        const FileHandle second =
            CreateFile("C:\\file.TXT", row.secondAccess, row.secondShare, CreationDisposition::OpenExisting);
        EXPECT_EQ(second.IsValid(), row.secondOpens);
        if (!row.secondOpens) {
            EXPECT_EQ(GetLastError(), kErrorSharingViolation);
        }
    }
    EXPECT_TRUE(CreateFile("C:\\File.txt", row.secondAccess, row.secondShare, CreationDisposition::OpenExisting))
        << "the marks of a killed holder are gone with it";
}

INSTANTIATE_TEST_SUITE_P(Modes, OtherProgramSharingTest, testing::ValuesIn(kOtherProgramSharing),
                         [](const testing::TestParamInfo<SharingRow>& row) { return std::string(row.param.name); });

TEST_F(InUseProbeTest, OwnOpenHandleBlocksDeletionAndReplacement) {
    WriteHostFile("Open.txt", "open");
    WriteHostFile("Other.txt", "other");
    const FileHandle handle =
        CreateFile("C:\\Open.txt", kGenericRead, kFileShareRead | kFileShareWrite, CreationDisposition::OpenExisting);
    ASSERT_TRUE(handle);
    EXPECT_FALSE(DeleteFile("C:\\Open.txt"));
    EXPECT_EQ(GetLastError(), kErrorSharingViolation);
    EXPECT_FALSE(CopyFile("C:\\Other.txt", "C:\\Open.txt", false));
    EXPECT_EQ(GetLastError(), kErrorSharingViolation);
    EXPECT_EQ(ReadHostFile(DriveC() / "Open.txt"), "open");
}

} // namespace
} // namespace platform

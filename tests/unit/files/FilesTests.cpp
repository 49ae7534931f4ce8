#include "MachineFixture.h"
#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

namespace fs = std::filesystem;

using FilesTest = testing_support::MachineTest;

constexpr FileTime kOddTime = 132223104001234567ULL;

TEST_F(FilesTest, AttributesOfFileFolderAndNothing) {
    WriteHostFile("Dir/File.txt", "abc");
    EXPECT_EQ(GetFileAttributes("C:\\Dir\\File.txt"), kFileAttributeNormal);
    EXPECT_EQ(GetFileAttributes("C:\\Dir"), kFileAttributeDirectory);
    EXPECT_EQ(GetFileAttributes("C:\\Dir\\"), kFileAttributeDirectory);
    EXPECT_EQ(GetFileAttributes("C:\\"), kFileAttributeDirectory);
    EXPECT_EQ(GetFileAttributes("C:\\Dir\\Missing.txt"), kInvalidFileAttributes);
    EXPECT_EQ(GetLastError(), kErrorFileNotFound);
    EXPECT_EQ(GetFileAttributes("C:\\NoDir\\Missing.txt"), kInvalidFileAttributes);
    EXPECT_EQ(GetLastError(), kErrorPathNotFound);
}

TEST_F(FilesTest, ReadOnlyIsTheOwnerWriteBit) {
    const fs::path host = WriteHostFile("File.txt", "abc");
    ASSERT_TRUE(SetFileAttributes("C:\\File.txt", kFileAttributeReadOnly));
    EXPECT_EQ(GetFileAttributes("C:\\File.txt"), kFileAttributeReadOnly);
    EXPECT_EQ(fs::status(host).permissions() & fs::perms::owner_write, fs::perms::none);
    ASSERT_TRUE(SetFileAttributes("C:\\File.txt", kFileAttributeNormal));
    EXPECT_EQ(GetFileAttributes("C:\\File.txt"), kFileAttributeNormal);
    EXPECT_NE(fs::status(host).permissions() & fs::perms::owner_write, fs::perms::none);
}

TEST_F(FilesTest, LookupIgnoresCaseAndCreationPreservesIt) {
    WriteHostFile("Data/Report.TXT", "content");
    EXPECT_EQ(GetFileSize("c:\\DATA\\report.txt"), 7u);
    ASSERT_TRUE(CopyFile("C:\\data\\REPORT.txt", "c:\\dAtA\\NewName.Txt", true)) << GetLastError();
    EXPECT_EQ(ReadHostFile(DriveC() / "Data" / "NewName.Txt"), "content");
    EXPECT_FALSE(fs::exists(DriveC() / "dAtA"));
}

TEST_F(FilesTest, CopyKeepsContentTimeAndReadOnly) {
    WriteHostFile("Source.bin", std::string("\0\1\2binary", 9));
    ASSERT_TRUE(SetFileLastWriteTime("C:\\Source.bin", kOddTime));
    ASSERT_TRUE(SetFileAttributes("C:\\Source.bin", kFileAttributeReadOnly));
    ASSERT_TRUE(CopyFile("C:\\Source.bin", "C:\\Target.bin", false)) << GetLastError();
    EXPECT_EQ(ReadHostFile(DriveC() / "Target.bin"), std::string("\0\1\2binary", 9));
    EXPECT_EQ(GetFileLastWriteTime("C:\\Target.bin"), kOddTime);
    EXPECT_EQ(GetFileAttributes("C:\\Target.bin"), kFileAttributeReadOnly);
}

TEST_F(FilesTest, CopyOverwritesUnlessFailIfExists) {
    WriteHostFile("New.txt", "new");
    WriteHostFile("Old.txt", "old");
    EXPECT_FALSE(CopyFile("C:\\New.txt", "C:\\Old.txt", true));
    EXPECT_EQ(GetLastError(), kErrorFileExists);
    EXPECT_EQ(ReadHostFile(DriveC() / "Old.txt"), "old");
    EXPECT_TRUE(CopyFile("C:\\New.txt", "C:\\OLD.TXT", false));
    EXPECT_EQ(ReadHostFile(DriveC() / "Old.txt"), "new");
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(DriveC()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"New.txt", "Old.txt", "Users", "Windows"}))
        << "the copy replaced the target in place and left no temporary file";
}

struct CopyFailureRow {
    const char* name;
    const char* source;
    const char* target;
    ErrorCode expected;
};

const CopyFailureRow kCopyFailures[] = {
    {"MissingSource", "C:\\Missing.txt", "C:\\Out.txt", kErrorFileNotFound},
    {"MissingSourceFolder", "C:\\NoDir\\A.txt", "C:\\Out.txt", kErrorPathNotFound},
    {"MissingTargetFolder", "C:\\In.txt", "C:\\NoDir\\Out.txt", kErrorPathNotFound},
    {"SourceIsAFolder", "C:\\Folder", "C:\\Out.txt", kErrorAccessDenied},
    {"TargetIsAFolder", "C:\\In.txt", "C:\\Folder", kErrorAccessDenied},
    {"TargetIsReadOnly", "C:\\In.txt", "C:\\ReadOnly.txt", kErrorAccessDenied},
    {"TargetIsTheSource", "C:\\In.txt", "c:\\in.TXT", kErrorSharingViolation},
    {"UnmappedDrive", "C:\\In.txt", "Q:\\Out.txt", kErrorPathNotFound},
    {"UncTarget", "C:\\In.txt", "\\\\server\\share\\Out.txt", kErrorBadNetPath},
    {"ForbiddenCharacter", "C:\\In.txt", "C:\\Out<1>.txt", kErrorInvalidName},
    {"ClimbsOutOfTheDrive", "C:\\In.txt", "C:\\..\\Out.txt", kErrorBadPathname},
    {"RelativePath", "In.txt", "C:\\Out.txt", kErrorBadPathname},
};

class CopyFailureTest : public testing_support::MachineTest, public testing::WithParamInterface<CopyFailureRow> {};

TEST_P(CopyFailureTest, FailsWithTheWindowsCode) {
    WriteHostFile("In.txt", "in");
    WriteHostFile("ReadOnly.txt", "kept");
    fs::create_directories(DriveC() / "Folder");
    ASSERT_TRUE(SetFileAttributes("C:\\ReadOnly.txt", kFileAttributeReadOnly));
    SetLastError(kErrorSuccess);
    EXPECT_FALSE(CopyFile(GetParam().source, GetParam().target, false));
    EXPECT_EQ(GetLastError(), GetParam().expected);
    EXPECT_EQ(ReadHostFile(DriveC() / "ReadOnly.txt"), "kept");
    EXPECT_EQ(ReadHostFile(DriveC() / "In.txt"), "in");
}

INSTANTIATE_TEST_SUITE_P(Cases, CopyFailureTest, testing::ValuesIn(kCopyFailures),
                         [](const testing::TestParamInfo<CopyFailureRow>& row) { return std::string(row.param.name); });

TEST_F(FilesTest, CopyToAFullDiskFailsWithoutTearingTheTarget) {
    Machine machine = Machine::Current();
    machine.MutableSettings().drives.push_back(Drive{'D', Prefix() / "drives" / "D", DriveType::Fixed, "NTFS", 4});
    fs::create_directories(Prefix() / "drives" / "D");
    Machine::SetCurrent(machine);
    WriteHostFile("Big.txt", "more than four bytes");
    { std::ofstream(Prefix() / "drives" / "D" / "Old.txt") << "old"; }
    EXPECT_FALSE(CopyFile("C:\\Big.txt", "D:\\Old.txt", false));
    EXPECT_EQ(GetLastError(), kErrorDiskFull);
    EXPECT_EQ(ReadHostFile(Prefix() / "drives" / "D" / "Old.txt"), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(Prefix() / "drives" / "D"), fs::directory_iterator()), 1)
        << "no temporary copy is left behind";
}

struct ReadOnlyRow {
    const char* name;
    bool (*operation)();
};

const ReadOnlyRow kReadOnlyOperations[] = {
    {"DeleteFile",
     [] {
         return DeleteFile("C:\\Locked.txt");
     }},
    {"CopyOver",
     [] {
         return CopyFile("C:\\Other.txt", "C:\\Locked.txt", false);
     }},
    {"MoveOver",
     [] {
         return MoveFileEx("C:\\Other.txt", "C:\\Locked.txt", kMoveFileReplaceExisting);
     }},
    {"OpenForWriting",
     [] {
         return CreateFile("C:\\Locked.txt", kGenericWrite, kFileShareRead, CreationDisposition::OpenExisting)
             .IsValid();
     }},
    {"Truncate",
     [] {
         return CreateFile("C:\\Locked.txt", kGenericWrite, 0, CreationDisposition::CreateAlways).IsValid();
     }},
    {"ExclusiveProbe",
     [] {
         return ProbeExclusiveOpen("C:\\Locked.txt") == kErrorSuccess;
     }},
};

class ReadOnlyTest : public testing_support::MachineTest, public testing::WithParamInterface<ReadOnlyRow> {};

TEST_P(ReadOnlyTest, RefusedWithAccessDenied) {
    WriteHostFile("Locked.txt", "locked");
    WriteHostFile("Other.txt", "other");
    ASSERT_TRUE(SetFileAttributes("C:\\Locked.txt", kFileAttributeReadOnly));
    SetLastError(kErrorSuccess);
    EXPECT_FALSE(GetParam().operation());
    if (std::string_view(GetParam().name) != "ExclusiveProbe")
        EXPECT_EQ(GetLastError(), kErrorAccessDenied);
    else
        EXPECT_EQ(ProbeExclusiveOpen("C:\\Locked.txt"), kErrorAccessDenied);
    EXPECT_EQ(ReadHostFile(DriveC() / "Locked.txt"), "locked");
}

INSTANTIATE_TEST_SUITE_P(Operations, ReadOnlyTest, testing::ValuesIn(kReadOnlyOperations),
                         [](const testing::TestParamInfo<ReadOnlyRow>& row) { return std::string(row.param.name); });

TEST_F(FilesTest, ReadOnlyFileCanStillBeRead) {
    WriteHostFile("Locked.txt", "locked");
    ASSERT_TRUE(SetFileAttributes("C:\\Locked.txt", kFileAttributeReadOnly));
    FileHandle handle = CreateFile("C:\\Locked.txt", kGenericRead, kFileShareRead, CreationDisposition::OpenExisting);
    ASSERT_TRUE(handle) << GetLastError();
    char buffer[16] = {};
    EXPECT_EQ(handle.Read(buffer, sizeof buffer), 6u);
    EXPECT_EQ(std::string(buffer), "locked");
}

TEST_F(FilesTest, DeleteFile) {
    WriteHostFile("Gone.txt", "x");
    fs::create_directories(DriveC() / "Folder");
    EXPECT_TRUE(DeleteFile("C:\\GONE.txt"));
    EXPECT_FALSE(fs::exists(DriveC() / "Gone.txt"));
    EXPECT_FALSE(DeleteFile("C:\\Gone.txt"));
    EXPECT_EQ(GetLastError(), kErrorFileNotFound);
    EXPECT_FALSE(DeleteFile("C:\\Folder"));
    EXPECT_EQ(GetLastError(), kErrorAccessDenied);
}

TEST_F(FilesTest, MoveRefusesAnExistingTargetUnlessAskedToReplace) {
    WriteHostFile("A.txt", "a");
    WriteHostFile("B.txt", "b");
    EXPECT_FALSE(MoveFile("C:\\A.txt", "C:\\B.txt"));
    EXPECT_EQ(GetLastError(), kErrorAlreadyExists);
    ASSERT_TRUE(MoveFileEx("C:\\A.txt", "C:\\b.TXT", kMoveFileReplaceExisting));
    EXPECT_FALSE(fs::exists(DriveC() / "A.txt"));
    EXPECT_EQ(ReadHostFile(DriveC() / "B.txt"), "a");
}

// A move for the next start of the system is recorded by MoveFileAtRestart; MoveFileEx does not
// make it at once, nor delete the file, in its place.
TEST_F(FilesTest, MoveForTheNextStartIsRefusedAndNothingMoves) {
    const struct {
        const char* name;
        const char* newName;
        std::uint32_t flags;
    } cases[] = {
        {"rename", "C:\\B.txt", kMoveFileDelayUntilReboot},
        {"replace", "C:\\B.txt", kMoveFileDelayUntilReboot | kMoveFileReplaceExisting},
        {"copy allowed", "C:\\B.txt", kMoveFileDelayUntilReboot | kMoveFileCopyAllowed},
        {"delete", "", kMoveFileDelayUntilReboot},
    };
    for (const auto& c : cases) {
        WriteHostFile("A.txt", "a");
        WriteHostFile("B.txt", "b");
        SetLastError(kErrorSuccess);
        EXPECT_FALSE(MoveFileEx("C:\\A.txt", c.newName, c.flags)) << c.name;
        EXPECT_EQ(GetLastError(), kErrorInvalidParameter) << c.name;
        EXPECT_EQ(ReadHostFile(DriveC() / "A.txt"), "a") << c.name;
        EXPECT_EQ(ReadHostFile(DriveC() / "B.txt"), "b") << c.name;
    }
}

TEST_F(FilesTest, MoveToANewSpellingOfTheSameNameRenames) {
    WriteHostFile("lower.txt", "x");
    ASSERT_TRUE(MoveFile("C:\\lower.txt", "C:\\LOWER.txt")) << GetLastError();
    EXPECT_TRUE(fs::exists(DriveC() / "LOWER.txt"));
    EXPECT_FALSE(fs::exists(DriveC() / "lower.txt"));
}

TEST_F(FilesTest, MoveKeepsTheTime) {
    WriteHostFile("Dir/A.txt", "a");
    ASSERT_TRUE(SetFileLastWriteTime("C:\\Dir\\A.txt", kOddTime));
    ASSERT_TRUE(CreateDirectory("C:\\Other"));
    ASSERT_TRUE(MoveFile("C:\\Dir\\A.txt", "C:\\Other\\Moved.txt"));
    EXPECT_EQ(GetFileLastWriteTime("C:\\Other\\Moved.txt"), kOddTime);
}

TEST_F(FilesTest, Directories) {
    EXPECT_TRUE(CreateDirectory("C:\\One"));
    EXPECT_FALSE(CreateDirectory("C:\\ONE"));
    EXPECT_EQ(GetLastError(), kErrorAlreadyExists);
    EXPECT_FALSE(CreateDirectory("C:\\Missing\\Two"));
    EXPECT_EQ(GetLastError(), kErrorPathNotFound);
    EXPECT_TRUE(CreateDirectoryTree("C:\\one\\Two\\Three\\"));
    EXPECT_TRUE(fs::is_directory(DriveC() / "One" / "Two" / "Three"));
    EXPECT_TRUE(CreateDirectoryTree("C:\\One\\Two"));
    EXPECT_FALSE(RemoveDirectory("C:\\One"));
    EXPECT_EQ(GetLastError(), kErrorDirNotEmpty);
    EXPECT_TRUE(RemoveDirectory("C:\\ONE\\TWO\\THREE"));
    EXPECT_FALSE(fs::exists(DriveC() / "One" / "Two" / "Three"));
    EXPECT_FALSE(RemoveDirectory("C:\\One\\Two\\Three"));
    EXPECT_EQ(GetLastError(), kErrorFileNotFound);
}

TEST_F(FilesTest, DirectoryTreeStopsAtAFileInTheWay) {
    WriteHostFile("File", "x");
    EXPECT_FALSE(CreateDirectoryTree("C:\\File"));
    EXPECT_EQ(GetLastError(), kErrorAlreadyExists);
    EXPECT_FALSE(CreateDirectoryTree("C:\\File\\Sub"));
    EXPECT_EQ(GetLastError(), kErrorPathNotFound);
    EXPECT_FALSE(RemoveDirectory("C:\\File"));
    EXPECT_EQ(GetLastError(), kErrorDirectoryName);
}

TEST_F(FilesTest, InformationOfFileAndFolder) {
    WriteHostFile("Dir/Five.txt", "12345");
    ASSERT_TRUE(SetFileLastWriteTime("C:\\Dir\\Five.txt", kOddTime));
    const auto file = GetFileInformation("C:\\Dir\\Five.txt");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->size, 5u);
    EXPECT_EQ(file->lastWriteTime, kOddTime);
    EXPECT_EQ(file->attributes, kFileAttributeNormal);
    const auto folder = GetFileInformation("C:\\Dir");
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->attributes, kFileAttributeDirectory);
    EXPECT_FALSE(GetFileSize("C:\\Dir"));
    EXPECT_EQ(GetLastError(), kErrorAccessDenied);
}

TEST_F(FilesTest, CreateFileDispositions) {
    EXPECT_FALSE(CreateFile("C:\\New.txt", kGenericRead, 0, CreationDisposition::OpenExisting));
    EXPECT_EQ(GetLastError(), kErrorFileNotFound);
    {
        FileHandle handle = CreateFile("C:\\New.txt", kGenericWrite, 0, CreationDisposition::CreateNew);
        ASSERT_TRUE(handle);
        EXPECT_TRUE(handle.Write("hello", 5));
        EXPECT_TRUE(handle.SetLastWriteTime(kOddTime));
    }
    EXPECT_EQ(ReadHostFile(DriveC() / "New.txt"), "hello");
    EXPECT_EQ(GetFileLastWriteTime("C:\\New.txt"), kOddTime);
    EXPECT_FALSE(CreateFile("C:\\new.txt", kGenericWrite, 0, CreationDisposition::CreateNew));
    EXPECT_EQ(GetLastError(), kErrorFileExists);
    {
        FileHandle handle = CreateFile("C:\\NEW.txt", kGenericWrite, 0, CreationDisposition::CreateAlways);
        ASSERT_TRUE(handle);
        EXPECT_EQ(GetLastError(), kErrorAlreadyExists);
        EXPECT_EQ(handle.Size(), 0u);
    }
}

TEST_F(FilesTest, WritesStopAtTheReportedFreeSpace) {
    Machine machine = Machine::Current();
    machine.MutableSettings().drives.front().reportedFreeSpace = 8;
    Machine::SetCurrent(machine);
    FileHandle handle = CreateFile("C:\\Out.bin", kGenericWrite, 0, CreationDisposition::CreateAlways);
    ASSERT_TRUE(handle);
    EXPECT_TRUE(handle.Write("12345", 5));
    EXPECT_FALSE(handle.Write("6789", 4));
    EXPECT_EQ(GetLastError(), kErrorDiskFull);
}

} // namespace
} // namespace platform

namespace platform {
namespace {

struct MissingRow {
    const char* name;
    bool (*operation)(const char* path);
};

const MissingRow kMissingOperations[] = {
    {"GetFileAttributes",
     [](const char* p) {
         return GetFileAttributes(p) != kInvalidFileAttributes;
     }},
    {"SetFileAttributes",
     [](const char* p) {
         return SetFileAttributes(p, kFileAttributeNormal);
     }},
    {"GetFileInformation",
     [](const char* p) {
         return GetFileInformation(p).has_value();
     }},
    {"GetFileLastWriteTime",
     [](const char* p) {
         return GetFileLastWriteTime(p).has_value();
     }},
    {"SetFileLastWriteTime",
     [](const char* p) {
         return SetFileLastWriteTime(p, 1);
     }},
    {"GetFileSize",
     [](const char* p) {
         return GetFileSize(p).has_value();
     }},
    {"DeleteFile",
     [](const char* p) {
         return DeleteFile(p);
     }},
    {"MoveFile",
     [](const char* p) {
         return MoveFile(p, "C:\\Moved.txt");
     }},
    {"RemoveDirectory",
     [](const char* p) {
         return RemoveDirectory(p);
     }},
    {"OpenExisting",
     [](const char* p) {
         return CreateFile(p, kGenericRead, 0, CreationDisposition::OpenExisting).IsValid();
     }},
};

class MissingPathTest : public testing_support::MachineTest, public testing::WithParamInterface<MissingRow> {};

TEST_P(MissingPathTest, MissingFileIs2AndMissingFolderIs3) {
    fs::create_directories(DriveC() / "Dir");
    EXPECT_FALSE(GetParam().operation("C:\\Dir\\Missing.txt"));
    EXPECT_EQ(GetLastError(), kErrorFileNotFound);
    EXPECT_FALSE(GetParam().operation("C:\\NoDir\\Missing.txt"));
    EXPECT_EQ(GetLastError(), kErrorPathNotFound);
    EXPECT_FALSE(GetParam().operation("Q:\\Missing.txt"));
    EXPECT_EQ(GetLastError(), kErrorPathNotFound);
}

INSTANTIATE_TEST_SUITE_P(Operations, MissingPathTest, testing::ValuesIn(kMissingOperations),
                         [](const testing::TestParamInfo<MissingRow>& row) { return std::string(row.param.name); });

TEST_F(FilesTest, ACopyRemovesWhatKilledCopiesLeftInItsFolderAndLeavesNoTemporary) {
    WriteHostFile("Src/Veltrane.exe", "new program");
    WriteHostFile("Programs/Veltrane.exe", "old program");
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0); // its id now names no process: a killed copier
    const std::string debris = ".Veltrane.exe.quarnel-new." + std::to_string(child) + ".Q1w2E3";
    const std::string alive = ".Veltrane.exe.quarnel-new.1.Q1w2E3";
    WriteHostFile("Programs/" + debris, std::string(4096, 'x'));
    WriteHostFile("Programs/" + alive, "a copy under way");
    ASSERT_TRUE(CopyFile("C:\\Src\\Veltrane.exe", "C:\\Programs\\Veltrane.exe", false)) << GetLastError();
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(DriveC() / "Programs"))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{alive, "Veltrane.exe"}));
    EXPECT_EQ(ReadHostFile(DriveC() / "Programs" / "Veltrane.exe"), "new program");
}

} // namespace
} // namespace platform

// Links on the drives: one entry each, and never a way out of the drive for a write.

#include "MachineFixture.h"
#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"
#include "platform/files/FindFile.h"
#include "platform/files/UnfinishedWrites.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

namespace fs = std::filesystem;

class LinksTest : public testing_support::MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        // A host folder outside every drive, with a file a write through a link could reach.
        FOutside = Prefix() / "outside";
        fs::create_directories(FOutside / "inner");
        WriteOutside("victim.txt", "precious");
        WriteOutside("inner/deep.txt", "deep");
    }

    void WriteOutside(const std::string& relative, const std::string& content) const {
        std::ofstream(FOutside / relative, std::ios::binary) << content;
    }

    // Every name below the outside folder with its content: what must stay untouched.
    std::vector<std::pair<std::string, std::string>> OutsideState() const {
        std::vector<std::pair<std::string, std::string>> state;
        for (const auto& entry : fs::recursive_directory_iterator(FOutside))
            state.emplace_back(entry.path().lexically_relative(FOutside).string(),
                               entry.is_regular_file() ? ReadHostFile(entry.path()) : std::string("<folder>"));
        std::sort(state.begin(), state.end());
        return state;
    }

    const fs::path& Outside() const { return FOutside; }

private:
    fs::path FOutside;
};

TEST_F(LinksTest, NoWriteDeleteOrRenamePassesThroughALinkOutOfTheDrive) {
    // A product sub-folder that is a link to a host folder outside the drive, and a file link.
    WriteHostFile("Apps/Product/Local.txt", "local");
    fs::create_directory_symlink(Outside(), DriveC() / "Apps" / "Product" / "Linked");
    fs::create_symlink(Outside() / "victim.txt", DriveC() / "Apps" / "Product" / "FileLink.txt");
    const struct Case {
        const char* what;
        std::function<bool()> operation;
    } cases[] = {
        {"copy into", [] { return CopyFile("C:\\Apps\\Product\\Local.txt", "C:\\Apps\\Product\\Linked\\victim.txt", false); }},
        {"copy new file into", [] { return CopyFile("C:\\Apps\\Product\\Local.txt", "C:\\Apps\\Product\\Linked\\new.txt", false); }},
        {"create file", [] {
             return CreateFile("C:\\Apps\\Product\\Linked\\victim.txt", kGenericWrite, 0, CreationDisposition::CreateAlways).IsValid();
         }},
        {"open for writing through a file link", [] {
             return CreateFile("C:\\Apps\\Product\\FileLink.txt", kGenericWrite, 0, CreationDisposition::OpenExisting).IsValid();
         }},
        {"create new file", [] {
             return CreateFile("C:\\Apps\\Product\\Linked\\fresh.txt", kGenericWrite, 0, CreationDisposition::CreateNew).IsValid();
         }},
        {"delete", [] { return DeleteFile("C:\\Apps\\Product\\Linked\\victim.txt"); }},
        {"move in", [] { return MoveFileEx("C:\\Apps\\Product\\Local.txt", "C:\\Apps\\Product\\Linked\\victim.txt", kMoveFileReplaceExisting); }},
        {"move out", [] { return MoveFile("C:\\Apps\\Product\\Linked\\victim.txt", "C:\\Apps\\Product\\Taken.txt"); }},
        {"create folder", [] { return CreateDirectory("C:\\Apps\\Product\\Linked\\NewFolder"); }},
        {"create folder tree", [] { return CreateDirectoryTree("C:\\Apps\\Product\\Linked\\A\\B"); }},
        {"remove folder", [] { return RemoveDirectory("C:\\Apps\\Product\\Linked\\inner"); }},
        {"read-only attribute", [] { return SetFileAttributes("C:\\Apps\\Product\\Linked\\victim.txt", kFileAttributeReadOnly); }},
        {"read-only attribute through a file link", [] { return SetFileAttributes("C:\\Apps\\Product\\FileLink.txt", kFileAttributeReadOnly); }},
        {"last-write time", [] { return SetFileLastWriteTime("C:\\Apps\\Product\\Linked\\victim.txt", 132223104000000000ULL); }},
        {"remove unfinished writes", [] { return RemoveUnfinishedWrites("C:\\Apps\\Product\\Linked\\victim.txt"); }},
    };
    // A temporary this process would remove beside a file of its drive.
    WriteOutside(".victim.txt.quarnel-new." + std::to_string(::getpid()) + ".Ab12cd", "half");
    const auto before = OutsideState();
    const auto modeBefore = fs::status(Outside() / "victim.txt").permissions();
    const auto timeBefore = fs::last_write_time(Outside() / "victim.txt");
    for (const Case& c : cases) {
        SetLastError(kErrorSuccess);
        EXPECT_FALSE(c.operation()) << c.what;
        EXPECT_EQ(GetLastError(), kErrorAccessDenied) << c.what;
        EXPECT_EQ(OutsideState(), before) << c.what;
    }
    EXPECT_EQ(fs::status(Outside() / "victim.txt").permissions(), modeBefore);
    EXPECT_EQ(fs::last_write_time(Outside() / "victim.txt"), timeBefore);
    EXPECT_EQ(ReadHostFile(DriveC() / "Apps" / "Product" / "Local.txt"), "local");
    // Reading through the link stays possible: only writes are kept inside the drive.
    EXPECT_EQ(GetFileSize("C:\\Apps\\Product\\Linked\\victim.txt"), 8u);
}

TEST_F(LinksTest, ALinkInsideTheDriveIsFollowedForWrites) {
    WriteHostFile("Data/Real/Old.txt", "old");
    fs::create_directory_symlink("Data/Real", DriveC() / "Apps");
    ASSERT_TRUE(CopyFile("C:\\Data\\Real\\Old.txt", "C:\\Apps\\Copy.txt", false)) << GetLastError();
    EXPECT_EQ(ReadHostFile(DriveC() / "Data" / "Real" / "Copy.txt"), "old");
    ASSERT_TRUE(DeleteFile("C:\\Apps\\Copy.txt")) << GetLastError();
    EXPECT_FALSE(fs::exists(DriveC() / "Data" / "Real" / "Copy.txt"));
}

TEST_F(LinksTest, FindReportsALinkAsOneReparsePointEntry) {
    fs::create_directories(DriveC() / "Temp");
    fs::create_directory_symlink(Outside(), DriveC() / "Temp" / "FolderLink");
    fs::create_symlink(Outside() / "victim.txt", DriveC() / "Temp" / "FileLink.txt");
    fs::create_symlink(Outside() / "missing.txt", DriveC() / "Temp" / "Dangling.txt");
    std::vector<std::pair<std::string, std::uint32_t>> found;
    FindData data;
    FindHandle search = FindFirstFile("C:\\Temp\\*", data);
    ASSERT_TRUE(search);
    for (bool more = true; more; more = FindNextFile(search, data))
        if (data.name != "." && data.name != "..")
            found.emplace_back(data.name, data.attributes);
    const std::vector<std::pair<std::string, std::uint32_t>> expected = {
        {"Dangling.txt", kFileAttributeReparsePoint},
        {"FileLink.txt", kFileAttributeReparsePoint},
        {"FolderLink", kFileAttributeDirectory | kFileAttributeReparsePoint},
    };
    EXPECT_EQ(found, expected);
    EXPECT_EQ(GetFileAttributes("C:\\Temp\\FolderLink"), kFileAttributeDirectory | kFileAttributeReparsePoint);
}

TEST_F(LinksTest, DeletingALinkRemovesTheLinkOnly) {
    fs::create_directories(DriveC() / "Temp");
    fs::create_directory_symlink(Outside(), DriveC() / "Temp" / "FolderLink");
    fs::create_symlink(Outside() / "victim.txt", DriveC() / "Temp" / "FileLink.txt");
    const auto before = OutsideState();
    EXPECT_FALSE(DeleteFile("C:\\Temp\\FolderLink")); // a folder link goes with RemoveDirectory
    EXPECT_EQ(GetLastError(), kErrorAccessDenied);
    EXPECT_TRUE(RemoveDirectory("C:\\Temp\\FolderLink")) << GetLastError();
    EXPECT_TRUE(DeleteFile("C:\\Temp\\FileLink.txt")) << GetLastError();
    EXPECT_FALSE(fs::exists(fs::symlink_status(DriveC() / "Temp" / "FolderLink")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(DriveC() / "Temp" / "FileLink.txt")));
    EXPECT_EQ(OutsideState(), before);
}

TEST_F(LinksTest, ReplacingOrRenamingALinkActsOnTheLinkItself) {
    WriteHostFile("Temp/New.txt", "new");
    fs::create_symlink(Outside() / "victim.txt", DriveC() / "Temp" / "Target.txt");
    fs::create_symlink(Outside() / "victim.txt", DriveC() / "Temp" / "Moved.txt");
    const auto before = OutsideState();
    ASSERT_TRUE(CopyFile("C:\\Temp\\New.txt", "C:\\Temp\\Target.txt", false)) << GetLastError();
    EXPECT_FALSE(fs::is_symlink(DriveC() / "Temp" / "Target.txt"));
    EXPECT_EQ(ReadHostFile(DriveC() / "Temp" / "Target.txt"), "new");
    ASSERT_TRUE(MoveFile("C:\\Temp\\Moved.txt", "C:\\Temp\\Renamed.txt")) << GetLastError();
    EXPECT_TRUE(fs::is_symlink(DriveC() / "Temp" / "Renamed.txt"));
    EXPECT_EQ(OutsideState(), before);
}

} // namespace
} // namespace platform

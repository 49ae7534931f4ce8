#include "environment/ShellFileOperation.h"

#include "MachineFixture.h"
#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"

#include <fstream>
#include <iterator>

namespace {

class ShellFileOperationTest : public MachineTest {
protected:
    bool Exists(const std::string& windowsPath) const {
        return platform::GetFileAttributes(windowsPath) != platform::kInvalidFileAttributes;
    }
    static constexpr unsigned kQuiet = FOF_SILENT | FOF_NOCONFIRMATION;
};

TEST_F(ShellFileOperationTest, DeletesTheMatchesOfAWildcardOnly) {
    WriteFile("C:\\Temp\\Update1.tmp");
    WriteFile("C:\\Temp\\update22.TMP");
    WriteFile("C:\\Temp\\Other.tmp");
    WriteFile("C:\\Temp\\Update3.txt");
    EXPECT_EQ(RunShellFileOperation(FO_DELETE, "C:\\Temp\\Update*.tmp", "", 0, kQuiet, ""), 0);
    EXPECT_FALSE(Exists("C:\\Temp\\Update1.tmp"));
    EXPECT_FALSE(Exists("C:\\Temp\\update22.TMP"));
    EXPECT_TRUE(Exists("C:\\Temp\\Other.tmp"));
    EXPECT_TRUE(Exists("C:\\Temp\\Update3.txt"));
    EXPECT_TRUE(Ui().Dialogs().empty());
}

TEST_F(ShellFileOperationTest, DeletesMatchedFoldersWithTheirContentUnlessFilesOnly) {
    WriteFile("C:\\Temp\\a.tmp");
    WriteFile("C:\\Temp\\Sub\\Deeper\\b.tmp");
    EXPECT_EQ(RunShellFileOperation(FO_DELETE, "C:\\Temp\\*", "", 0, kQuiet | FOF_FILESONLY, ""), 0);
    EXPECT_FALSE(Exists("C:\\Temp\\a.tmp"));
    EXPECT_TRUE(Exists("C:\\Temp\\Sub\\Deeper\\b.tmp"));
    EXPECT_EQ(RunShellFileOperation(FO_DELETE, "C:\\Temp\\*", "", 0, kQuiet, ""), 0);
    EXPECT_FALSE(Exists("C:\\Temp\\Sub"));
    EXPECT_TRUE(Exists("C:\\Temp"));
}

TEST_F(ShellFileOperationTest, DeletesReadOnlyFiles) {
    WriteFile("C:\\Temp\\Update1.tmp");
    ASSERT_TRUE(platform::SetFileAttributes("C:\\Temp\\Update1.tmp", platform::kFileAttributeReadOnly));
    EXPECT_EQ(RunShellFileOperation(FO_DELETE, "C:\\Temp\\Update*.tmp", "", 0, kQuiet, ""), 0);
    EXPECT_FALSE(Exists("C:\\Temp\\Update1.tmp"));
}

TEST_F(ShellFileOperationTest, AFileInUseDoesNotKeepTheOthers) {
    WriteFile("C:\\Temp\\Update1.tmp");
    WriteFile("C:\\Temp\\Update2.tmp");
    WriteFile("C:\\Temp\\Update3.tmp");
    platform::FileHandle held = platform::CreateFile("C:\\Temp\\Update2.tmp", platform::kGenericRead, 0,
                                                     platform::CreationDisposition::OpenExisting);
    ASSERT_TRUE(held);
    EXPECT_EQ(RunShellFileOperation(FO_DELETE, "C:\\Temp\\Update*.tmp", "", 0, kQuiet, ""), 32);
    EXPECT_FALSE(Exists("C:\\Temp\\Update1.tmp"));
    EXPECT_TRUE(Exists("C:\\Temp\\Update2.tmp"));
    EXPECT_FALSE(Exists("C:\\Temp\\Update3.tmp"));
}

TEST_F(ShellFileOperationTest, NothingToDeleteGivesTheCode) {
    MakeFolder("C:\\Temp");
    EXPECT_EQ(RunShellFileOperation(FO_DELETE, "C:\\Temp\\Update*.tmp", "", 0, kQuiet, ""), 2);
    EXPECT_EQ(RunShellFileOperation(FO_DELETE, "C:\\Missing\\Update*.tmp", "", 0, kQuiet, ""), 3);
}

TEST_F(ShellFileOperationTest, WithoutNoConfirmationEachDeletionIsAskedAndNoAborts) {
    WriteFile("C:\\Temp\\Update1.tmp");
    WriteFile("C:\\Temp\\Update2.tmp");
    Ui().QueueAnswer(ui::Button::Yes);
    Ui().QueueAnswer(ui::Button::No);
    EXPECT_EQ(RunShellFileOperation(FO_DELETE, "C:\\Temp\\Update*.tmp", "", 0, FOF_SILENT, ""), -1);
    ASSERT_EQ(Ui().Dialogs().size(), 2U);
    EXPECT_EQ(Ui().Dialogs()[0].kind, ui::DialogKind::Confirmation);
    const int remaining = Exists("C:\\Temp\\Update1.tmp") + Exists("C:\\Temp\\Update2.tmp");
    EXPECT_EQ(remaining, 1);
}

TEST_F(ShellFileOperationTest, TitleIgnoresTheFlagsArgument) {
    WriteFile("C:\\Temp\\Update1.tmp");
    Ui().QueueAnswer(ui::Button::No);
    // FOF_NOCONFIRMATION is dropped with the other flags: the deletion is asked, and refused.
    EXPECT_EQ(RunShellFileOperation(FO_DELETE, "C:\\Temp\\Update*.tmp", "", 0, kQuiet, "Nettoyage"), -1);
    EXPECT_EQ(Ui().Dialogs().size(), 1U);
    EXPECT_TRUE(Exists("C:\\Temp\\Update1.tmp"));
}

TEST_F(ShellFileOperationTest, SourceEndsAtItsNull) {
    WriteFile("C:\\Temp\\Update1.tmp");
    WriteFile("C:\\Temp\\Keep.tmp");
    const std::string source("C:\\Temp\\Update1.tmp\0C:\\Temp\\Keep.tmp\0", 37);
    EXPECT_EQ(RunShellFileOperation(FO_DELETE, source, "", 0, kQuiet, ""), 0);
    EXPECT_FALSE(Exists("C:\\Temp\\Update1.tmp"));
    EXPECT_TRUE(Exists("C:\\Temp\\Keep.tmp"));
}

TEST_F(ShellFileOperationTest, CopyIntoAnExistingFolderKeepsTheSource) {
    WriteFile("C:\\Src\\a.dll", "A");
    WriteFile("C:\\Src\\b.dll", "B");
    WriteFile("C:\\Src\\Sub\\c.dll", "C");
    MakeFolder("C:\\Dst");
    EXPECT_EQ(RunShellFileOperation(FO_COPY, "C:\\Src\\*", "C:\\Dst\\", 0, kQuiet, ""), 0);
    EXPECT_TRUE(Exists("C:\\Dst\\a.dll"));
    EXPECT_TRUE(Exists("C:\\Dst\\b.dll"));
    EXPECT_TRUE(Exists("C:\\Dst\\Sub\\c.dll"));
    EXPECT_TRUE(Exists("C:\\Src\\Sub\\c.dll"));
}

TEST_F(ShellFileOperationTest, CopyOfOneFileToANewNameCreatesTheFolders) {
    WriteFile("C:\\Src\\a.dll", "A");
    EXPECT_EQ(RunShellFileOperation(FO_COPY, "C:\\Src\\a.dll", "C:\\New\\Folder\\b.dll", 0, kQuiet, ""), 0);
    EXPECT_TRUE(Exists("C:\\New\\Folder\\b.dll"));
    EXPECT_FALSE(Exists("C:\\New\\Folder\\b.dll\\a.dll"));
}

TEST_F(ShellFileOperationTest, ReplacingAFileIsAskedWithoutNoConfirmation) {
    WriteFile("C:\\Src\\a.dll", "new");
    WriteFile("C:\\Dst\\a.dll", "old");
    Ui().QueueAnswer(ui::Button::No);
    EXPECT_EQ(RunShellFileOperation(FO_COPY, "C:\\Src\\a.dll", "C:\\Dst", 0, FOF_SILENT, ""), -1);
    EXPECT_EQ(platform::GetFileSize("C:\\Dst\\a.dll").value(), 3U);
    Ui().QueueAnswer(ui::Button::Yes);
    EXPECT_EQ(RunShellFileOperation(FO_COPY, "C:\\Src\\a.dll", "C:\\Dst", 0, FOF_SILENT, ""), 0);
    std::ifstream copied(Host("C:\\Dst\\a.dll"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copied), {}), "new");
    EXPECT_EQ(Ui().Dialogs().size(), 2U);
}

TEST_F(ShellFileOperationTest, MoveTakesTheMatchesAway) {
    WriteFile("C:\\Src\\a.tmp");
    WriteFile("C:\\Src\\Sub\\b.tmp");
    WriteFile("C:\\Src\\keep.txt");
    EXPECT_EQ(RunShellFileOperation(FO_MOVE, "C:\\Src\\*.tmp", "C:\\Dst", 0, kQuiet, ""), 0);
    EXPECT_TRUE(Exists("C:\\Dst\\a.tmp"));
    EXPECT_FALSE(Exists("C:\\Src\\a.tmp"));
    EXPECT_TRUE(Exists("C:\\Src\\keep.txt"));
    EXPECT_EQ(RunShellFileOperation(FO_MOVE, "C:\\Src\\Sub", "C:\\Dst", 0, kQuiet, ""), 0);
    EXPECT_TRUE(Exists("C:\\Dst\\Sub\\b.tmp"));
    EXPECT_FALSE(Exists("C:\\Src\\Sub"));
}

TEST_F(ShellFileOperationTest, AFolderCannotGoIntoItself) {
    WriteFile("C:\\Src\\a.tmp");
    EXPECT_EQ(RunShellFileOperation(FO_COPY, "C:\\Src", "C:\\SRC\\Inner", 0, kQuiet, ""), 0x76);
    EXPECT_EQ(RunShellFileOperation(FO_COPY, "C:\\Src", "C:\\Src", 0, kQuiet, ""), 0x76);
    EXPECT_FALSE(Exists("C:\\Src\\Inner\\Src"));
    EXPECT_TRUE(Exists("C:\\Src\\a.tmp"));
}

TEST_F(ShellFileOperationTest, RenameRefusesAnExistingName) {
    WriteFile("C:\\Src\\a.tmp");
    WriteFile("C:\\Src\\b.tmp");
    EXPECT_EQ(RunShellFileOperation(FO_RENAME, "C:\\Src\\a.tmp", "C:\\Src\\b.tmp", 0, kQuiet, ""), 183);
    EXPECT_TRUE(Exists("C:\\Src\\a.tmp"));
    EXPECT_EQ(RunShellFileOperation(FO_RENAME, "C:\\Src\\a.tmp", "C:\\Src\\c.tmp", 0, kQuiet, ""), 0);
    EXPECT_FALSE(Exists("C:\\Src\\a.tmp"));
    EXPECT_TRUE(Exists("C:\\Src\\c.tmp"));
}

TEST_F(ShellFileOperationTest, UnknownOperationOrMissingTargetIsRefused) {
    WriteFile("C:\\Src\\a.tmp");
    EXPECT_EQ(RunShellFileOperation(9, "C:\\Src\\a.tmp", "C:\\b.tmp", 0, kQuiet, ""), 87);
    EXPECT_EQ(RunShellFileOperation(FO_COPY, "C:\\Src\\a.tmp", "", 0, kQuiet, ""), 87);
    EXPECT_TRUE(Exists("C:\\Src\\a.tmp"));
}

TEST_F(ShellFileOperationTest, DeletingALinkLeavesWhatItLeadsTo) {
    // A folder elsewhere on the host, reached by links named like the run's temporary files,
    // and by a link inside a folder that the deletion walks.
    const std::filesystem::path elsewhere = Root() / "elsewhere";
    std::filesystem::create_directories(elsewhere / "inner");
    std::ofstream(elsewhere / "keep.txt") << "keep";
    std::ofstream(elsewhere / "inner" / "deep.txt") << "deep";
    MakeFolder("C:\\Temp\\Walked");
    std::filesystem::create_directory_symlink(elsewhere, Host("C:\\Temp") / "Update1.tmp");
    std::filesystem::create_symlink(elsewhere / "keep.txt", Host("C:\\Temp") / "Update2.tmp");
    std::filesystem::create_directory_symlink(elsewhere, Host("C:\\Temp\\Walked") / "Inside");
    EXPECT_EQ(RunShellFileOperation(FO_DELETE, "C:\\Temp\\Update*.tmp", "", 0, kQuiet, ""), 0);
    EXPECT_EQ(RunShellFileOperation(FO_DELETE, "C:\\Temp\\Walked", "", 0, kQuiet, ""), 0);
    for (const char* link : {"Update1.tmp", "Update2.tmp", "Walked"})
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(Host("C:\\Temp") / link))) << link;
    EXPECT_TRUE(std::filesystem::exists(elsewhere / "keep.txt"));
    EXPECT_TRUE(std::filesystem::exists(elsewhere / "inner" / "deep.txt"));
}

} // namespace

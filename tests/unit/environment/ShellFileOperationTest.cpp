#include "environment/ShellFileOperation.h"

#include "MachineFixture.h"
#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"

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

TEST_F(ShellFileOperationTest, OtherOperationsAreNotCarriedOut) {
    WriteFile("C:\\Temp\\a.tmp");
    EXPECT_EQ(RunShellFileOperation(FO_COPY, "C:\\Temp\\a.tmp", "C:\\b.tmp", 0, kQuiet, ""),
              kShellOperationNotSupported);
    EXPECT_FALSE(Exists("C:\\b.tmp"));
}

} // namespace

// Shell links of the toolkit: real .lnk files changed in place and read back.

#include "InstallerFixture.h"
#include "environment/Errors.h"
#include "platform/errors/SystemError.h"
#include "platform/shelllink/ShellLink.h"

namespace {

class ShellLinksTest : public InstallationTest {
protected:
    void WriteLink(const std::string& windowsPath, const platform::ShellLink& link) {
        const std::vector<std::uint8_t> bytes = platform::EncodeShellLink(link);
        WriteFile(windowsPath, std::string(bytes.begin(), bytes.end()));
    }
    platform::ShellLink ReadLink(const std::string& windowsPath) {
        const std::string bytes = ReadFile(windowsPath);
        return platform::ParseShellLink(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }

    static TShellLinkInfoRec FullRecord() {
        TShellLinkInfoRec info;
        info.PathName = "C:\\Program Files\\Quarnel\\Veltrane.exe";
        info.Arguments = "/société \"C:\\Données\"";
        info.Description = "Veltrane, gestion commerciale";
        info.WorkingDirectory = "C:\\Program Files\\Quarnel\\";
        info.IconLocation = "C:\\Program Files\\Quarnel\\Veltrane.ico";
        info.IconIndex = 2;
        info.ShowCmd = platform::kSwShowMaximized;
        info.HotKey = 0x0656; // Ctrl+Alt+V
        return info;
    }
};

constexpr const char* kLink = "C:\\Users\\Public\\Desktop\\Veltrane.lnk";

TEST_F(ShellLinksTest, LinkWrittenThenReadBackFieldByField) {
    WriteFile("C:\\Program Files\\Quarnel\\Veltrane.exe", "program of 23 bytes....");
    WriteLink(kLink, platform::ShellLink{});
    const TShellLinkInfoRec written = FullRecord();
    TWindowsInstaller::SetShellLinkInfo(kLink, written);

    TShellLinkInfoRec read;
    EXPECT_TRUE(TWindowsInstaller::GetShellLinkInfo(kLink, read));
    EXPECT_EQ(read.PathName, written.PathName);
    EXPECT_EQ(read.Arguments, written.Arguments);
    EXPECT_EQ(read.Description, written.Description);
    EXPECT_EQ(read.WorkingDirectory, written.WorkingDirectory);
    EXPECT_EQ(read.IconLocation, written.IconLocation);
    EXPECT_EQ(read.IconIndex, written.IconIndex);
    EXPECT_EQ(read.ShowCmd, written.ShowCmd);
    EXPECT_EQ(read.HotKey, written.HotKey);

    // The file is a link in the binary format: its link information records the local target.
    const platform::ShellLink link = ReadLink(kLink);
    EXPECT_EQ(link.localBasePath, written.PathName);
    ASSERT_TRUE(link.volume);
    EXPECT_EQ(link.volume->driveType, 3u);
    EXPECT_EQ(link.fileSize, 23u);
    EXPECT_NE(link.linkFlags & platform::kHasLinkInfo, 0u);
}

TEST_F(ShellLinksTest, ChangingOneFieldKeepsTheOthers) {
    WriteLink(kLink, platform::ShellLink{});
    TWindowsInstaller::SetShellLinkInfo(kLink, FullRecord());
    TShellLinkInfoRec info;
    ASSERT_TRUE(TWindowsInstaller::GetShellLinkInfo(kLink, info));
    info.Arguments = "/silent";
    TWindowsInstaller::SetShellLinkInfo(kLink, info);
    TShellLinkInfoRec read;
    ASSERT_TRUE(TWindowsInstaller::GetShellLinkInfo(kLink, read));
    TShellLinkInfoRec expected = FullRecord();
    expected.Arguments = "/silent";
    EXPECT_EQ(read, expected);
}

TEST_F(ShellLinksTest, SettingALinkThatDoesNotExistRaises) {
    MakeFolder("C:\\Users\\Public\\Desktop");
    try {
        TWindowsInstaller::SetShellLinkInfo(kLink, FullRecord());
        FAIL() << "no error";
    } catch (const platform::SystemError& error) {
        EXPECT_EQ(error.Code(), platform::kErrorFileNotFound);
    }
    EXPECT_FALSE(Exists(kLink));
}

TEST_F(ShellLinksTest, LinkWithoutTargetGivesFalse) {
    platform::ShellLink link;
    link.arguments = "-x";
    WriteLink(kLink, link);
    TShellLinkInfoRec info;
    EXPECT_FALSE(TWindowsInstaller::GetShellLinkInfo(kLink, info));
    EXPECT_EQ(info.Arguments, "-x");
}

TEST_F(ShellLinksTest, RelativeTargetIsTakenFromTheLinkFolder) {
    platform::ShellLink link;
    link.relativePath = ".\\Tools\\run.exe";
    WriteLink("C:\\Apps\\run.lnk", link);
    TShellLinkInfoRec info;
    EXPECT_TRUE(TWindowsInstaller::GetShellLinkInfo("C:\\Apps\\run.lnk", info));
    EXPECT_EQ(info.PathName, "C:\\Apps\\Tools\\run.exe");
}

TEST_F(ShellLinksTest, TextsAreReadIntoBuffersOf260Characters) {
    platform::ShellLink link;
    link.localBasePath = "C:\\" + std::string(300, 'p');
    link.arguments = std::string(258, 'a') + "éé"; // 260 characters: the last one does not fit
    WriteLink(kLink, link);
    TShellLinkInfoRec info;
    ASSERT_TRUE(TWindowsInstaller::GetShellLinkInfo(kLink, info));
    EXPECT_EQ(info.PathName, "C:\\" + std::string(256, 'p'));
    EXPECT_EQ(info.Arguments, std::string(258, 'a') + "é");
}

TEST_F(ShellLinksTest, DamagedLinkRaisesForReadingAndChanging) {
    WriteFile(kLink, "not a link at all, just some text of some length to pass the header size..........");
    TShellLinkInfoRec info;
    EXPECT_THROW(TWindowsInstaller::GetShellLinkInfo(kLink, info), Exception);
    EXPECT_THROW(TWindowsInstaller::SetShellLinkInfo(kLink, FullRecord()), Exception);
    EXPECT_EQ(ReadFile(kLink).substr(0, 10), "not a link") << "a link that cannot be read is not overwritten";
}

} // namespace

// quarnel-machine reboot: the renames an installer registered for the next start are performed by
// the tool, in order, and forgotten.

#include "environment/InstallTools2.h"
#include "environment/RebootRenames.h"
#include "files/HostFile.h"
#include "platform/files/Files.h"
#include "platform/machine/Machine.h"
#include "process/ChildProcess.h"
#include "process/ToolPrefix.h"
#include "ui/ScriptedUi.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using testsupport::ProgramResult;

using testsupport::ReadBytes;

class RebootTool : public testing::Test {
protected:
    void SetUp() override {
        const ProgramResult init = FPrefix.Init();
        ASSERT_EQ(init.exitCode, 0) << init.err;
        platform::Machine::SetCurrent(platform::Machine::Load(FPrefix.Prefix()));
        ui::SetCurrent(std::make_unique<ui::ScriptedUi>());
    }
    void TearDown() override { ui::SetCurrent(nullptr); }

    ProgramResult Run(const std::vector<std::string>& args) { return FPrefix.Machine(args); }
    fs::path Host(const std::string& windowsPath) const {
        return platform::Machine::Current().ToHostPath(windowsPath).value();
    }
    void Write(const std::string& windowsPath, const std::string& content, platform::FileTime time) {
        fs::create_directories(Host(windowsPath).parent_path());
        std::ofstream(Host(windowsPath), std::ios::binary) << content;
        ASSERT_TRUE(platform::SetFileLastWriteTime(windowsPath, time));
    }

private:
    testsupport::ToolPrefix FPrefix{QUARNEL_MACHINE_PROGRAM, "quarnel-reboot-e2e"};
};

constexpr platform::FileTime kOld = 130000000000000000ULL;
constexpr platform::FileTime kNew = kOld + 10000000; // a second later

TEST_F(RebootTool, ReplacesAFileThatWasInUseWhenItsReplacementWasScheduled) {
    Write("C:\\Apps\\Veltrane.dll", "installed", kOld);
    Write("C:\\Pack\\Veltrane.dll", "packed", kNew);
    // Another process holding the file open: the file is in use meanwhile.
    auto holder = testsupport::ChildProcess::HoldingOpen(Host("C:\\Apps\\Veltrane.dll"));
    ASSERT_TRUE(holder.Ready());
    bool mustReboot = false;
    ASSERT_TRUE(TWindowsInstaller::CopyOrReplaceFileIfNewer("C:\\Pack\\Veltrane.dll", "C:\\Apps", "", mustReboot));
    EXPECT_TRUE(mustReboot);
    EXPECT_EQ(ReadBytes(Host("C:\\Apps\\Veltrane.dll")), "installed");
    EXPECT_EQ(ReadBytes(Host("C:\\Apps\\Veltrane000.dll")), "packed");
    TWindowsInstaller::RestartComputer();
    holder.Kill(); // the program holding the file ends before the restart

    const ProgramResult reboot = Run({"reboot"});
    EXPECT_EQ(reboot.exitCode, 0) << reboot.err;
    EXPECT_NE(reboot.out.find("renommé C:\\Apps\\Veltrane000.dll -> C:\\Apps\\Veltrane.dll"), std::string::npos)
        << reboot.out;
    EXPECT_NE(reboot.out.find("redémarrée (à la demande d'un programme)"), std::string::npos) << reboot.out;
    EXPECT_EQ(ReadBytes(Host("C:\\Apps\\Veltrane.dll")), "packed");
    EXPECT_FALSE(fs::exists(Host("C:\\Apps\\Veltrane000.dll")));
    EXPECT_EQ(ReadBytes(Host("C:\\Apps\\Veltrane.dll_0")), "installed") << "the backup made before stays";
    EXPECT_TRUE(ReadPendingRenames().empty());

    const ProgramResult again = Run({"reboot"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.out, "redémarrée\n");
}

TEST_F(RebootTool, PerformsTheWininitRenameSectionAfterTheRegistryAndReportsFailures) {
    Write("C:\\A\\first", "1", kOld);
    Write("C:\\A\\gone.tmp", "x", kOld);
    ASSERT_TRUE(MoveFileAtRestart("C:\\A\\first", "C:\\A\\second", 0));
    ASSERT_TRUE(MoveFileAtRestart("C:\\A\\missing", "C:\\A\\nowhere", 0));
    // WININIT.INI renames the result of the registry's rename: it runs after it.
    Write("C:\\Windows\\WININIT.INI", "[rename]\r\nC:\\A\\third=C:\\A\\second\r\nNUL=C:\\A\\gone.tmp\r\n", kOld);

    const ProgramResult reboot = Run({"reboot"});
    EXPECT_EQ(reboot.exitCode, 1);
    EXPECT_NE(reboot.err.find("impossible de renommer C:\\A\\missing -> C:\\A\\nowhere (code 2)"), std::string::npos)
        << reboot.err;
    EXPECT_EQ(ReadBytes(Host("C:\\A\\third")), "1");
    EXPECT_FALSE(fs::exists(Host("C:\\A\\gone.tmp")));
    EXPECT_FALSE(fs::exists(Host("C:\\Windows\\WININIT.INI")));
    EXPECT_TRUE(ReadPendingRenames().empty()) << "failed operations are not kept for the next start either";
}

TEST_F(RebootTool, TakesNoArguments) {
    EXPECT_EQ(Run({"reboot", "now"}).exitCode, 64);
    EXPECT_NE(Run({"--help"}).out.find("reboot"), std::string::npos);
}

} // namespace

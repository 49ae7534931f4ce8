#include "TempPrefix.h"
#include "platform/machine/Machine.h"
#include "process/ChildProcess.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace platform {
namespace {

namespace fs = std::filesystem;

using MachineTest = testing_support::TempPrefixTest;

TEST_F(MachineTest, InitCreatesTheDefaultMachine) {
    const Machine machine = Machine::Init(Root() / "prefix");
    const MachineSettings& s = machine.Settings();
    ASSERT_EQ(s.drives.size(), 1u);
    EXPECT_EQ(s.drives[0].letter, 'C');
    EXPECT_EQ(s.drives[0].hostFolder, Root() / "prefix" / "drives" / "C");
    EXPECT_EQ(s.windowsFolder, "C:\\Windows");
    EXPECT_EQ(s.systemFolder, "C:\\Windows\\System32");
    EXPECT_EQ(s.tempFolder, "C:\\Users\\" + s.userName + "\\AppData\\Local\\Temp");
    EXPECT_EQ(s.os.platform, OsPlatform::WindowsNT);
    EXPECT_EQ(s.os.major, 6u);
    EXPECT_EQ(s.os.minor, 2u);
    EXPECT_EQ(s.ansiCodePage, 1252u);
    EXPECT_EQ(s.thousandsSeparator, "\u00A0");
    EXPECT_TRUE(fs::exists(Root() / "prefix" / "machine.ini"));
    EXPECT_TRUE(fs::is_directory(Root() / "prefix" / "drives" / "C" / "Windows" / "System32"));
    EXPECT_TRUE(fs::is_directory(*machine.ToHostPath(s.tempFolder)));
    EXPECT_TRUE(fs::is_directory(machine.RegistryFolder()));
    EXPECT_TRUE(fs::is_directory(machine.ObjectsFolder()));
}

TEST_F(MachineTest, SaveThenLoadKeepsEverySetting) {
    Machine machine = Machine::Init(Root() / "prefix");
    MachineSettings& s = machine.MutableSettings();
    s.computerName = "POSTE-07";
    s.userName = "marie";
    s.windowsFolder = "D:\\WINNT";
    s.systemFolder = "D:\\WINNT\\system32";
    s.tempFolder = "D:\\Temp";
    s.libraryPath = {"C:\\Program Files\\Firebird\\bin", "D:\\Tools"};
    s.os = OsIdentity{OsPlatform::Windows9x, 4, 10};
    s.remoteSession = true;
    s.sessionId = 3;
    s.administrator = false;
    s.ansiCodePage = 850;
    s.thousandsSeparator = ".";
    s.ipAddresses = {"192.168.1.20", "10.0.0.5"};
    s.systemLanguage = 0x0410;
    s.drives.push_back(Drive{'D', Root() / "elsewhere", DriveType::Remote, "FAT32", 5000});
    s.drives.push_back(Drive{'E', Root() / "prefix" / "drives" / "E", DriveType::CdRom, "CDFS", std::nullopt});
    machine.Save();

    const Machine loaded = Machine::Load(Root() / "prefix");
    const MachineSettings& l = loaded.Settings();
    EXPECT_EQ(l.computerName, "POSTE-07");
    EXPECT_EQ(l.userName, "marie");
    EXPECT_EQ(l.windowsFolder, "D:\\WINNT");
    EXPECT_EQ(l.systemFolder, "D:\\WINNT\\system32");
    EXPECT_EQ(l.tempFolder, "D:\\Temp");
    EXPECT_EQ(l.libraryPath, s.libraryPath);
    EXPECT_EQ(l.os.platform, OsPlatform::Windows9x);
    EXPECT_EQ(l.os.major, 4u);
    EXPECT_EQ(l.os.minor, 10u);
    EXPECT_TRUE(l.remoteSession);
    EXPECT_EQ(l.sessionId, 3u);
    EXPECT_FALSE(l.administrator);
    EXPECT_EQ(l.ansiCodePage, 850u);
    EXPECT_EQ(l.thousandsSeparator, ".");
    EXPECT_EQ(l.ipAddresses, s.ipAddresses);
    EXPECT_EQ(loaded.IpAddresses(), s.ipAddresses);
    EXPECT_EQ(l.systemLanguage, 0x0410);
    ASSERT_EQ(l.drives.size(), 3u);
    EXPECT_EQ(l.drives[1].letter, 'D');
    EXPECT_EQ(l.drives[1].hostFolder, Root() / "elsewhere");
    EXPECT_EQ(l.drives[1].type, DriveType::Remote);
    EXPECT_EQ(l.drives[1].fileSystem, "FAT32");
    EXPECT_EQ(l.drives[1].reportedFreeSpace, 5000u);
    EXPECT_EQ(l.drives[2].hostFolder, Root() / "prefix" / "drives" / "E");
    EXPECT_EQ(l.drives[2].type, DriveType::CdRom);
    EXPECT_FALSE(l.drives[2].reportedFreeSpace);
    EXPECT_EQ(loaded.FreeSpace('d'), 5000u);
}

TEST_F(MachineTest, InitKeepsAnExistingMachine) {
    Machine machine = Machine::Init(Root() / "prefix");
    machine.MutableSettings().computerName = "KEPT";
    machine.Save();
    EXPECT_EQ(Machine::Init(Root() / "prefix").Settings().computerName, "KEPT");
}

TEST_F(MachineTest, SaveRefusesASettingThatWouldBreakTheFile) {
    Machine machine = Machine::Init(Root() / "prefix");
    const std::string before = ReadText(Root() / "prefix" / "machine.ini");
    machine.MutableSettings().computerName = "PC\n[Drive Z]";
    EXPECT_THROW(machine.Save(), std::runtime_error);
    EXPECT_EQ(ReadText(Root() / "prefix" / "machine.ini"), before);
}

// Two programs saving the same machine at once: each save is published whole, so the file always
// reads back as one of the two, never as a mixture or a torn text.
TEST_F(MachineTest, RacingSavesLeaveOneWholeMachine) {
    const fs::path prefix = Root() / "prefix";
    Machine::Init(prefix);
    // A long Path makes each text take many writes, so that two writers overlap.
    const auto machineWithPath = [&](char letter) {
        Machine machine = Machine::Load(prefix);
        for (int i = 0; i < 3000; ++i)
            machine.MutableSettings().libraryPath.push_back(std::string("C:\\Tools\\") + letter + std::to_string(i));
        return machine;
    };
    const Machine first = machineWithPath('A');
    const Machine second = machineWithPath('B');
    const auto isOneOfTheTwo = [&](const Machine& loaded) {
        return loaded.Settings().libraryPath == first.Settings().libraryPath ||
               loaded.Settings().libraryPath == second.Settings().libraryPath;
    };
    std::atomic<int> failures{0};
    std::atomic<int> torn{0};
    const auto saveRepeatedly = [&](const Machine& machine) {
        for (int i = 0; i < 100; ++i) {
            try {
                machine.Save();
                if (!isOneOfTheTwo(Machine::Load(prefix)))
                    ++torn;
            } catch (const std::exception&) {
                ++failures;
            }
        }
    };
    std::thread other(saveRepeatedly, std::cref(second));
    saveRepeatedly(first);
    other.join();

    EXPECT_EQ(failures, 0);
    EXPECT_EQ(torn, 0);
    EXPECT_TRUE(isOneOfTheTwo(Machine::Load(prefix)));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(prefix))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"drives", "machine.ini", "objects", "registry"}));
}

TEST_F(MachineTest, SaveRemovesTheTemporariesOfKilledSavers) {
    const fs::path prefix = Root() / "prefix";
    Machine machine = Machine::Init(prefix);
    const fs::path leftover =
        prefix / (".machine.ini.quarnel-new." + std::to_string(testsupport::ChildProcess::DeadId()) + ".Ab12cd");
    WriteText(leftover, "[Machine]\nComputerName=HALF");
    machine.MutableSettings().computerName = "SAVED";
    machine.Save();
    EXPECT_FALSE(fs::exists(leftover));
    EXPECT_EQ(Machine::Load(prefix).Settings().computerName, "SAVED");
}

TEST_F(MachineTest, DrivesLoadInLetterOrder) {
    WriteText(Root() / "machine.ini", "[Drive E]\nFolder=e\n[Drive C]\nFolder=c\n[drive d]\nFolder=d\n");
    const Machine machine = Machine::Load(Root());
    ASSERT_EQ(machine.Settings().drives.size(), 3u);
    EXPECT_EQ(machine.Settings().drives[0].letter, 'C');
    EXPECT_EQ(machine.Settings().drives[1].letter, 'D');
    EXPECT_EQ(machine.Settings().drives[2].letter, 'E');
    EXPECT_EQ(machine.Settings().drives[1].hostFolder, Root() / "d");
}

struct BadSettingRow {
    const char* name;
    const char* text;
    int line;
};

const BadSettingRow kBadSettings[] = {
    {"Platform", "[Machine]\nComputerName=X\nPlatform=OS2\n", 3},
    {"Version", "[Machine]\nVersion=six\n", 2},
    {"RemoteSession", "; comment\n[Machine]\n\nRemoteSession=yes\n", 4},
    {"SessionId", "[Machine]\nSessionId=-1\n", 2},
    {"Administrator", "[Machine]\nAdministrator=yes\n", 2},
    {"IpAddress", "[Machine]\nIPAddresses=10.0.0.1, 300.1.1.1\n", 2},
    {"SystemLanguage", "[Machine]\nSystemLanguage=French\n", 2},
    {"DriveType", "[Machine]\n[Drive D]\nFolder=d\nType=floppy\n", 4},
    {"DriveWithoutFolder", "[Drive D]\nType=fixed\n", 1},
    {"DriveLetter", "[Machine]\n[Drive DD]\nFolder=d\n", 2},
    {"FreeSpace", "[Drive C]\nFolder=c\nFreeSpace=lots\n", 3},
    {"UnknownSection", "[Machine]\n[Extras]\n", 2},
    {"MisspeltSetting", "[Machine]\nComputerName=X\nComputername=Y\nTempFoldr=C:\\Temp\n", 4},
    {"MisspeltDriveSetting", "[Drive C]\nFolder=c\nFreespace=10\nKind=fixed\n", 4},
};

class BadSettingTest : public testing_support::TempPrefixTest, public testing::WithParamInterface<BadSettingRow> {};

TEST_P(BadSettingTest, ErrorNamesFileAndLine) {
    WriteText(Root() / "machine.ini", GetParam().text);
    try {
        (void)Machine::Load(Root());
        FAIL() << "loaded a machine.ini with a bad setting";
    } catch (const std::runtime_error& error) {
        const std::string expected = (Root() / "machine.ini").string() + ":" + std::to_string(GetParam().line) + ":";
        EXPECT_EQ(std::string(error.what()).rfind(expected, 0), 0u) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, BadSettingTest, testing::ValuesIn(kBadSettings),
                         [](const testing::TestParamInfo<BadSettingRow>& row) { return std::string(row.param.name); });

TEST_F(MachineTest, DriveDescribedTwiceIsRefused) {
    WriteText(Root() / "machine.ini", "[Drive C]\nFolder=a\n[Drive c]\nFolder=b\n");
    EXPECT_THROW((void)Machine::Load(Root()), std::runtime_error);
}

TEST_F(MachineTest, DriveTypeNamesRoundTrip) {
    for (const DriveType type : {DriveType::Fixed, DriveType::Remote, DriveType::CdRom, DriveType::Removable})
        EXPECT_EQ(ParseDriveType(DriveTypeName(type)), type);
    EXPECT_EQ(ParseDriveType("CDROM"), DriveType::CdRom);
    EXPECT_FALSE(ParseDriveType("floppy"));
}

} // namespace
} // namespace platform

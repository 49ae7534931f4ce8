// The machine on Windows: its settings are what Windows answers, its state folder is under the
// common application data, its named objects are the system's.
#include "platform/machine/Machine.h"
#include "platform/machine/NamedObject.h"
#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <string>

namespace {

using platform::win32::Narrow;

TEST(Win32Machine, SettingsAreLiveQueries) {
    const platform::Machine machine = platform::Machine::Load(platform::Machine::DefaultPrefix());
    const platform::MachineSettings& settings = machine.Settings();

    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    ASSERT_TRUE(::GetComputerNameW(computer, &size));
    EXPECT_EQ(settings.computerName, Narrow(computer));
    EXPECT_EQ(settings.ansiCodePage, ::GetACP());
    EXPECT_FALSE(settings.userName.empty());
    EXPECT_EQ(settings.os.platform, platform::OsPlatform::WindowsNT);
    EXPECT_GE(settings.os.major, 5u);

    DWORD attributes = ::GetFileAttributesW(platform::win32::Wide(settings.tempFolder).c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << settings.tempFolder;
    EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_NE(settings.tempFolder.back(), '\\');
    ASSERT_NE(machine.FindDrive('c'), nullptr);
    EXPECT_TRUE(machine.FreeSpace('C').has_value());
    EXPECT_TRUE(machine.FindLibrary("kernel32.dll", "").has_value());
    EXPECT_FALSE(machine.FindLibrary("no-such-library-quarnel.dll", "").has_value());
}

TEST(Win32Machine, TheStateFolderIsUnderTheCommonApplicationData) {
    ::_wputenv(L"QUARNEL_PREFIX=");
    PWSTR common = nullptr;
    ASSERT_EQ(::SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &common), S_OK);
    const std::wstring expected = std::wstring(common) + L"\\Quarnel";
    ::CoTaskMemFree(common);
    EXPECT_EQ(platform::Machine::DefaultPrefix().wstring(), expected);
}

TEST(Win32Machine, PathsAreTheirOwnAndRelativeOnesHaveNoPlace) {
    const platform::Machine& machine = platform::Machine::Current();
    EXPECT_EQ(machine.ToHostPath("C:\\Program Files\\Orbel\\Orbel.exe")->wstring(),
              L"C:\\Program Files\\Orbel\\Orbel.exe");
    EXPECT_EQ(machine.ToHostPath("C:\\Soci\u00E9t\u00E9")->wstring(), L"C:\\Soci\u00E9t\u00E9");
    EXPECT_FALSE(machine.ToHostPath("relative\\file").has_value());
    EXPECT_EQ(machine.ToWindowsPath(std::filesystem::path(L"D:\\\u00E9t\u00E9")), "D:\\\u00E9t\u00E9");
}

TEST(Win32Machine, ANamedObjectIsSeenUntilItsHolderLetsGo) {
    const platform::Machine& machine = platform::Machine::Current();
    const std::string name = "Quarnel-test-" + std::to_string(::GetCurrentProcessId());
    {
        const platform::NamedObject first(machine, name);
        EXPECT_FALSE(first.AlreadyExists());
        const platform::NamedObject second(machine, name);
        EXPECT_TRUE(second.AlreadyExists());
    }
    const platform::NamedObject again(machine, name);
    EXPECT_FALSE(again.AlreadyExists());
}

} // namespace

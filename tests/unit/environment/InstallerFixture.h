#pragma once

// The installer toolkit on a machine of its own, with its protected operations in reach and a
// few readers of what the machine holds afterwards.

#include "MachineFixture.h"
#include "environment/InstallTools2.h"
#include "environment/MachineRegistry.h"
#include "environment/RebootRenames.h"

#include <fstream>
#include <sstream>

class InstallerUnderTest : public TWindowsInstaller {
public:
    using TWindowsInstaller::MakeNumberedFileName;
    using TWindowsInstaller::ReplaceOrSchedule;
    using TWindowsInstaller::ScheduleReplaceOnReboot;
};

class InstallationTest : public MachineTest {
protected:
    std::string ReadFile(const std::string& windowsPath) const {
        std::ifstream in(Host(windowsPath), std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }

    bool Exists(const std::string& windowsPath) const { return std::filesystem::exists(Host(windowsPath)); }

    void UseNinetyFive() {
        ChangeMachine([](platform::MachineSettings& s) { s.os = {platform::OsPlatform::Windows9x, 4, 0}; });
    }

    platform::RegistryKey CreateKey(platform::RegistryRoot root, const std::string& path) {
        platform::RegistryKey key;
        EXPECT_EQ(MachineRegistry().CreateKey(root, path, platform::kKeyAllAccess, key), 0u);
        return key;
    }

    std::optional<platform::RegistryValue> Value(platform::RegistryRoot root, const std::string& path,
                                                 const std::string& name) {
        platform::RegistryKey key;
        platform::RegistryValue value;
        if (MachineRegistry().OpenKey(root, path, platform::kKeyRead, key) != 0 || key.QueryValue(name, value) != 0)
            return std::nullopt;
        return value;
    }

    InstallerUnderTest FInstaller;
};

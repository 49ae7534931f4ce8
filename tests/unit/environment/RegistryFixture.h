#pragma once

// A test machine with helpers to set up its registry directly.

#include "MachineFixture.h"
#include "environment/MachineRegistry.h"

class RegistryTest : public MachineTest {
protected:
    static void SetText(platform::RegistryRoot root, const std::string& key, const std::string& name,
                        const std::string& text) {
        SetValue(root, key, platform::MakeStringValue(name, text));
    }

    static void SetValue(platform::RegistryRoot root, const std::string& key, const platform::RegistryValue& value) {
        platform::RegistryKey handle;
        ASSERT_EQ(MachineRegistry().CreateKey(root, key, platform::kKeyAllAccess, handle), 0U);
        ASSERT_EQ(handle.SetValue(value), 0U);
    }

    static std::optional<platform::RegistryValue> GetValue(platform::RegistryRoot root, const std::string& key,
                                                           const std::string& name) {
        platform::RegistryKey handle;
        platform::RegistryValue value;
        if (MachineRegistry().OpenKey(root, key, platform::kKeyRead, handle) != 0 ||
            handle.QueryValue(name, value) != 0)
            return std::nullopt;
        return value;
    }

    static bool KeyExists(platform::RegistryRoot root, const std::string& key) {
        platform::RegistryKey handle;
        return MachineRegistry().OpenKey(root, key, platform::kKeyRead, handle) == 0;
    }

    static constexpr auto HKLM = platform::RegistryRoot::LocalMachine;
    static constexpr auto HKCU = platform::RegistryRoot::CurrentUser;
};

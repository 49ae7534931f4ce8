// The registry on Windows: the platform's registry interface over the system's own registry
// (Reg*W, 64-bit view), checked both through the interface and against the Win32 calls directly.
#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"
#include "platform/registry/RegFile.h"
#include "platform/registry/Registry.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using platform::ErrorCode;
using platform::Registry;
using platform::RegistryKey;
using platform::RegistryRoot;
using platform::RegistryValue;
using platform::win32::Wide;

constexpr ErrorCode kOk = platform::kErrorSuccess;

// Windows does not promise the order of a key's values (Wine gives them in name order): the
// enumeration is compared as a set.
std::vector<RegistryValue> ByName(std::vector<RegistryValue> values) {
    std::sort(values.begin(), values.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    return values;
}

// A key of its own per test under HKCU\Software\QuarnelTests (an accented name), removed afterwards.
class Win32Registry : public testing::Test {
protected:
    void SetUp() override {
        FPath = std::string("Software\\QuarnelTests\\cl\u00E9-") +
                testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
                std::to_string(std::random_device{}());
        ASSERT_EQ(FRegistry.CreateKey(RegistryRoot::CurrentUser, FPath, platform::kKeyAllAccess, FKey), kOk);
    }
    void TearDown() override {
        FKey.Close();
        FRegistry.DeleteKey(RegistryRoot::CurrentUser, FPath);
    }

    std::string Sub(std::string_view name) const { return FPath + "\\" + std::string(name); }

    Registry FRegistry{"unused"};
    std::string FPath;
    RegistryKey FKey;
};

struct ValueCase {
    const char* label;
    RegistryValue value;
};

const std::vector<ValueCase>& ValueCases() {
    static const std::vector<ValueCase> cases = {
        {"Text", platform::MakeStringValue("Chemin", "C:\\Programmes\\Orbel \u00E9t\u00E9 \u4E2D")},
        {"EmptyText", platform::MakeStringValue("Vide", "")},
        {"DefaultValue", platform::MakeStringValue("", "par d\u00E9faut")},
        {"Expandable", platform::MakeStringValue("Dossier", "%ProgramFiles%\\Orbel", platform::kRegExpandSz)},
        {"MultiText", platform::MakeMultiStringValue("Liste", {"un", "deux \u00E9", "", "quatre"})},
        {"Dword", platform::MakeDwordValue("Compte", 0xDEADBEEFu)},
        {"Qword", platform::MakeQwordValue("Taille", 0x0123456789ABCDEFull)},
        {"Binary", platform::MakeBinaryValue("Octets", {0x00, 0xFF, 0x10, 0x00, 0x7F})},
        {"EmptyBinary", platform::MakeBinaryValue("Rien", {})},
        {"None", platform::MakeBinaryValue("Brut", {1, 2, 3}, platform::kRegNone)},
        {"OddTextBytes", platform::MakeBinaryValue("Impair", {'a', 0, 'b'}, platform::kRegSz)},
        {"AccentedName", platform::MakeDwordValue("Cl\u00E9 \u00E0 \u00E9t\u00E9", 7)},
    };
    return cases;
}

class Win32RegistryValue : public Win32Registry, public testing::WithParamInterface<ValueCase> {};

// Each type is written and read back byte for byte, and Windows itself sees the same value under
// the wide name (no ANSI code page on the way).
TEST_P(Win32RegistryValue, RoundTripsExactlyAndIsTheSystemsOwnValue) {
    const RegistryValue& written = GetParam().value;
    ASSERT_EQ(FKey.SetValue(written), kOk);

    RegistryValue read;
    ASSERT_EQ(FKey.QueryValue(written.name, read), kOk);
    EXPECT_EQ(read, written);

    HKEY raw = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(FPath).c_str(), 0, KEY_READ, &raw), ERROR_SUCCESS);
    DWORD type = 0;
    std::vector<std::uint8_t> data(written.data.size() + 16);
    DWORD size = static_cast<DWORD>(data.size());
    const LSTATUS status = ::RegQueryValueExW(raw, Wide(written.name).c_str(), nullptr, &type, data.data(), &size);
    ::RegCloseKey(raw);
    ASSERT_EQ(status, ERROR_SUCCESS);
    data.resize(size);
    EXPECT_EQ(type, written.type);
    EXPECT_EQ(data, written.data);
}

INSTANTIATE_TEST_SUITE_P(EveryType, Win32RegistryValue, testing::ValuesIn(ValueCases()),
                         [](const auto& row) { return std::string(row.param.label); });

TEST_F(Win32Registry, EnumeratesSubKeysAndValuesAndCountsThem) {
    for (const char* name : {"Beta", "alpha", "Gamma \u00E9"}) {
        RegistryKey sub;
        bool created = false;
        ASSERT_EQ(FRegistry.CreateKey(RegistryRoot::CurrentUser, Sub(name), platform::kKeyAllAccess, sub, &created),
                  kOk);
        EXPECT_TRUE(created);
    }
    RegistryKey again;
    bool created = true;
    ASSERT_EQ(FRegistry.CreateKey(RegistryRoot::CurrentUser, Sub("Beta"), platform::kKeyRead, again, &created), kOk);
    EXPECT_FALSE(created);

    std::vector<RegistryValue> written;
    for (const auto& row : ValueCases())
        written.push_back(row.value);
    for (const auto& value : written)
        ASSERT_EQ(FKey.SetValue(value), kOk);

    std::vector<std::string> names;
    ASSERT_EQ(FKey.EnumSubKeys(names), kOk);
    EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Beta", "Gamma \u00E9"}));
    std::vector<RegistryValue> values;
    ASSERT_EQ(FKey.EnumValues(values), kOk);
    EXPECT_EQ(ByName(values), ByName(written));
    std::size_t subKeys = 0;
    std::size_t valueCount = 0;
    ASSERT_EQ(FKey.QueryInfo(subKeys, valueCount), kOk);
    EXPECT_EQ(subKeys, 3u);
    EXPECT_EQ(valueCount, written.size());
}

TEST_F(Win32Registry, KeyWithManyLongValuesEnumeratesEveryOne) {
    std::vector<RegistryValue> written;
    for (int i = 0; i < 600; ++i) {
        const std::string name = "Valeur " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 300), 'x');
        written.push_back(
            i % 2 == 0
                ? platform::MakeStringValue(name, std::string(static_cast<std::size_t>(i * 7), 'v'))
                : platform::MakeBinaryValue(name, std::vector<std::uint8_t>(static_cast<std::size_t>(i * 13), 0xA5)));
    }
    for (const auto& value : written)
        ASSERT_EQ(FKey.SetValue(value), kOk);
    std::vector<RegistryValue> values;
    ASSERT_EQ(FKey.EnumValues(values), kOk);
    EXPECT_EQ(ByName(values), ByName(written));
}

TEST_F(Win32Registry, DeletesAValueThenReportsItMissing) {
    ASSERT_EQ(FKey.SetValue(platform::MakeDwordValue("Garde", 1)), kOk);
    ASSERT_EQ(FKey.SetValue(platform::MakeDwordValue("Part", 2)), kOk);
    ASSERT_EQ(FKey.DeleteValue("Part"), kOk);

    RegistryValue read;
    EXPECT_EQ(FKey.QueryValue("Part", read), platform::kErrorFileNotFound);
    EXPECT_EQ(FKey.DeleteValue("Part"), platform::kErrorFileNotFound);
    ASSERT_EQ(FKey.QueryValue("Garde", read), kOk);
    EXPECT_EQ(platform::DataAsDword(read.data), 1u);
}

TEST_F(Win32Registry, DeletesATreeAndLeavesItsSiblings) {
    RegistryKey deep;
    ASSERT_EQ(
        FRegistry.CreateKey(RegistryRoot::CurrentUser, Sub("Arbre\\Branche\\Feuille"), platform::kKeyAllAccess, deep),
        kOk);
    ASSERT_EQ(deep.SetValue(platform::MakeStringValue("Nom", "feuille")), kOk);
    deep.Close();
    RegistryKey sibling;
    ASSERT_EQ(FRegistry.CreateKey(RegistryRoot::CurrentUser, Sub("Arbre2"), platform::kKeyAllAccess, sibling), kOk);

    ASSERT_EQ(FRegistry.DeleteKey(RegistryRoot::CurrentUser, Sub("Arbre")), kOk);

    RegistryKey opened;
    EXPECT_EQ(FRegistry.OpenKey(RegistryRoot::CurrentUser, Sub("Arbre"), platform::kKeyRead, opened),
              platform::kErrorFileNotFound);
    EXPECT_EQ(FRegistry.OpenKey(RegistryRoot::CurrentUser, Sub("Arbre2"), platform::kKeyRead, opened), kOk);
    EXPECT_EQ(FRegistry.DeleteKey(RegistryRoot::CurrentUser, Sub("Arbre")), platform::kErrorFileNotFound);
    EXPECT_EQ(FRegistry.DeleteKey(RegistryRoot::CurrentUser, ""), platform::kErrorInvalidParameter);
}

TEST_F(Win32Registry, MissingKeysBadPathsAndDeletedKeysGiveTheirCodes) {
    RegistryKey opened;
    EXPECT_EQ(FRegistry.OpenKey(RegistryRoot::CurrentUser, Sub("Absente"), platform::kKeyRead, opened),
              platform::kErrorFileNotFound);
    EXPECT_FALSE(opened.IsOpen());
    EXPECT_EQ(FRegistry.OpenKey(RegistryRoot::CurrentUser, "\\" + FPath, platform::kKeyRead, opened),
              platform::kErrorBadPathname);
    EXPECT_EQ(FRegistry.OpenKey(RegistryRoot::CurrentUser, FPath + "\\\\x", platform::kKeyRead, opened),
              platform::kErrorBadPathname);

    RegistryKey doomed;
    ASSERT_EQ(FRegistry.CreateKey(RegistryRoot::CurrentUser, Sub("Condamn\u00E9e"), platform::kKeyAllAccess, doomed),
              kOk);
    ASSERT_EQ(FRegistry.DeleteKey(RegistryRoot::CurrentUser, Sub("Condamn\u00E9e")), kOk);
    EXPECT_EQ(doomed.SetValue(platform::MakeDwordValue("x", 1)), platform::kErrorKeyDeleted);
    RegistryKey closed;
    RegistryValue read;
    EXPECT_EQ(closed.QueryValue("x", read), platform::kErrorInvalidHandle);
}

TEST_F(Win32Registry, ReadOnlyKeyRefusesWriting) {
    RegistryKey readOnly;
    ASSERT_EQ(FRegistry.OpenKey(RegistryRoot::CurrentUser, FPath, platform::kKeyRead, readOnly), kOk);
    EXPECT_EQ(readOnly.SetValue(platform::MakeDwordValue("x", 1)), platform::kErrorAccessDenied);
}

// HKLM keys land in the 64-bit view, never under WOW6432Node.
TEST_F(Win32Registry, MachineKeysGoToThe64BitView) {
    const std::string path = "Software\\QuarnelTests64-" + std::to_string(std::random_device{}());
    RegistryKey key;
    ASSERT_EQ(FRegistry.CreateKey(RegistryRoot::LocalMachine, path, platform::kKeyAllAccess, key), kOk);
    ASSERT_EQ(key.SetValue(platform::MakeDwordValue("Vue", 64)), kOk);
    key.Close();

    HKEY raw = nullptr;
    EXPECT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(path).c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &raw),
              ERROR_SUCCESS);
    ::RegCloseKey(raw);
    EXPECT_NE(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(path).c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &raw),
              ERROR_SUCCESS);
    EXPECT_EQ(FRegistry.DeleteKey(RegistryRoot::LocalMachine, path), kOk);
}

// A `.reg` text imported into the registry exports back to the same text.
TEST_F(Win32Registry, ImportThenExportGivesTheSameRegFile) {
    const std::string root = "HKEY_CURRENT_USER\\" + FPath;
    const std::string text = "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[" +
                             root +
                             "\\Orbel]\r\n"
                             "\"Compte\"=dword:0000002a\r\n"
                             "\"Octets\"=hex:01,02,ff\r\n"
                             "\"Version\"=\"1.0.0.1\"\r\n"
                             "\r\n"
                             "[" +
                             root +
                             "\\Orbel\\Modules]\r\n"
                             "@=\"d\u00E9faut\"\r\n"
                             "\r\n";
    const std::vector<std::uint8_t> bytes = platform::EncodeRegFile(text);
    ASSERT_EQ(FRegistry.Import(platform::ParseRegFile(bytes, "orbel.reg")), kOk);

    std::vector<std::uint8_t> exported;
    ASSERT_EQ(FRegistry.Export(RegistryRoot::CurrentUser, Sub("Orbel"), exported), kOk);
    EXPECT_EQ(exported, bytes);

    const std::string removal = "Windows Registry Editor Version 5.00\r\n\r\n[-" + root + "\\Orbel]\r\n\r\n";
    ASSERT_EQ(FRegistry.Import(platform::ParseRegFile(platform::EncodeRegFile(removal), "remove.reg")), kOk);
    RegistryKey opened;
    EXPECT_EQ(FRegistry.OpenKey(RegistryRoot::CurrentUser, Sub("Orbel"), platform::kKeyRead, opened),
              platform::kErrorFileNotFound);
}

} // namespace

// Shared-library reference counts: read by the value's type, written back in it.

#include "InstallerFixture.h"
#include "environment/Errors.h"

namespace {

using platform::RegistryRoot;
using platform::RegistryValue;

constexpr const char* kKey = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr const char* kLibrary = "C:\\Windows\\System32\\shared.dll";

enum class Operation { Increment, Decrement };

struct CountRow {
    const char* name;
    Operation operation;
    std::optional<RegistryValue> before; // the value's name is filled in
    std::optional<RegistryValue> after;
    bool result; // of DecrementSharedCount
};

RegistryValue Dword(std::uint32_t v) {
    return platform::MakeDwordValue(kLibrary, v);
}
RegistryValue Text(const char* text) {
    return platform::MakeStringValue(kLibrary, text);
}
RegistryValue Binary(std::vector<std::uint8_t> bytes) {
    return platform::MakeBinaryValue(kLibrary, std::move(bytes));
}

const CountRow kCounts[] = {
    {"IncrementMissingCreatesDwordOne", Operation::Increment, std::nullopt, Dword(1), false},
    {"IncrementText", Operation::Increment, Text("3"), Text("4"), false},
    {"IncrementDword", Operation::Increment, Dword(7), Dword(8), false},
    {"IncrementNegativeCountsFromZero", Operation::Increment, Dword(0xFFFFFFFB), Dword(1), false},
    {"IncrementBinaryOfFourBytes", Operation::Increment, Binary({2, 0, 0, 0}), Binary({3, 0, 0, 0}), false},
    {"IncrementShortBinaryStaysFourByteBinary", Operation::Increment, Binary({5}), Binary({6, 0, 0, 0}), false},
    {"DecrementTwoByteBinaryStaysFourByteBinary", Operation::Decrement, Binary({0x00, 0x01}), Binary({0xFF, 0, 0, 0}),
     false},
    {"IncrementUnreadableTextBecomesDwordOne", Operation::Increment, Text("beaucoup"), Dword(1), false},
    {"IncrementOtherTypeBecomesDword", Operation::Increment, platform::MakeQwordValue(kLibrary, 9), Dword(1), false},
    {"DecrementOneDeletes", Operation::Decrement, Dword(1), std::nullopt, true},
    {"DecrementZeroDeletes", Operation::Decrement, Dword(0), std::nullopt, true},
    {"DecrementText", Operation::Decrement, Text("3"), Text("2"), false},
    {"DecrementUnreadableCountsFromTwo", Operation::Decrement, Text("?"), Dword(1), false},
    {"DecrementMissingChangesNothing", Operation::Decrement, std::nullopt, std::nullopt, false},
};

class SharedCountTest : public InstallationTest, public testing::WithParamInterface<CountRow> {};

TEST_P(SharedCountTest, Gives) {
    const CountRow& row = GetParam();
    if (row.before) {
        platform::RegistryKey key = CreateKey(RegistryRoot::LocalMachine, kKey);
        ASSERT_EQ(key.SetValue(*row.before), 0u);
    }
    if (row.operation == Operation::Increment)
        TWindowsInstaller::IncrementSharedCount(kLibrary, true);
    else
        EXPECT_EQ(TWindowsInstaller::DecrementSharedCount(kLibrary), row.result);
    EXPECT_EQ(Value(RegistryRoot::LocalMachine, kKey, kLibrary), row.after);
}

INSTANTIATE_TEST_SUITE_P(Rows, SharedCountTest, testing::ValuesIn(kCounts),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(InstallationTest, RemoveSharedCountDeletesTheValueOnly) {
    platform::RegistryKey key = CreateKey(RegistryRoot::LocalMachine, kKey);
    ASSERT_EQ(key.SetValue(Dword(4)), 0u);
    ASSERT_EQ(key.SetValue(platform::MakeDwordValue("C:\\other.dll", 2)), 0u);
    TWindowsInstaller::RemoveSharedCount(kLibrary);
    TWindowsInstaller::RemoveSharedCount(kLibrary); // nothing left to remove
    EXPECT_FALSE(Value(RegistryRoot::LocalMachine, kKey, kLibrary));
    EXPECT_TRUE(Value(RegistryRoot::LocalMachine, kKey, "C:\\other.dll"));
}

TEST_F(InstallationTest, SharedCountsWithoutAccessToTheirKeyRaise) {
    MachineRegistry().SetKeyAccess(RegistryRoot::LocalMachine, kKey, true, true);
    for (const auto& operation :
         {std::function<void()>([] { TWindowsInstaller::IncrementSharedCount(kLibrary, false); }),
          std::function<void()>([] { TWindowsInstaller::DecrementSharedCount(kLibrary); }),
          std::function<void()>([] { TWindowsInstaller::RemoveSharedCount(kLibrary); })}) {
        try {
            operation();
            FAIL() << "no error";
        } catch (const Exception& error) {
            EXPECT_STREQ(error.what(),
                         "Registry access error : \r\nSoftware\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
        }
    }
}

} // namespace

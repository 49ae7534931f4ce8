#include "TempFolder.h"
#include "platform/registry/RegCommand.h"
#include "platform/registry/Registry.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

using namespace platform;
using registry_tests::ReadBytes;
using registry_tests::TempFolder;

class RegCommandTest : public testing::Test {
protected:
    struct Result {
        int code;
        std::string out;
        std::string err;
    };

    Result Reg(std::vector<std::string> args) {
        std::ostringstream out;
        std::ostringstream err;
        const int code = RunRegCommand(FRegistry, args, out, err);
        return {code, out.str(), err.str()};
    }

    void RegOk(std::vector<std::string> args) {
        const auto result = Reg(args);
        ASSERT_EQ(result.code, 0) << result.err;
    }

    TempFolder FTemp;
    Registry FRegistry{FTemp.Path() / "registry"};
};

struct AddCase {
    const char* label;
    std::vector<std::string> options;
    std::string queryLine; // the line `reg query /v` prints for the value
};

const AddCase kAdds[] = {
    {"SzByDefault", {"/v", "Nom", "/d", "C:\\Apps\\"}, "    Nom    REG_SZ    C:\\Apps\\"},
    {"ExpandSz", {"/v", "P", "/t", "REG_EXPAND_SZ", "/d", "%TEMP%"}, "    P    REG_EXPAND_SZ    %TEMP%"},
    {"MultiSz", {"/v", "M", "/t", "REG_MULTI_SZ", "/d", "a\\0b"}, "    M    REG_MULTI_SZ    a\\0b"},
    {"MultiSzSeparator",
     {"/v", "M", "/t", "REG_MULTI_SZ", "/s", "#", "/d", "a#b#c"},
     "    M    REG_MULTI_SZ    a\\0b\\0c"},
    {"DwordDecimal", {"/v", "D", "/t", "REG_DWORD", "/d", "42"}, "    D    REG_DWORD    0x2a"},
    {"DwordHex", {"/v", "D", "/t", "reg_dword", "/d", "0xFFFFFFFF"}, "    D    REG_DWORD    0xffffffff"},
    {"Qword", {"/v", "Q", "/t", "REG_QWORD", "/d", "0x100000000"}, "    Q    REG_QWORD    0x100000000"},
    {"Binary", {"/v", "B", "/t", "REG_BINARY", "/d", "00ab10"}, "    B    REG_BINARY    00AB10"},
    {"None", {"/v", "N", "/t", "REG_NONE", "/d", ""}, "    N    REG_NONE    "},
    {"DefaultValue", {"/ve", "/d", "défaut"}, "    (Default)    REG_SZ    défaut"},
    {"DashOptions", {"-v", "X", "-d", "y"}, "    X    REG_SZ    y"},
};

class RegAdd : public RegCommandTest, public testing::WithParamInterface<AddCase> {};

TEST_P(RegAdd, ReadsBackThroughQuery) {
    std::vector<std::string> add{"add", "HKCU\\Software\\Test"};
    add.insert(add.end(), GetParam().options.begin(), GetParam().options.end());
    const auto added = Reg(add);
    ASSERT_EQ(added.code, 0) << added.err;
    EXPECT_EQ(added.out, "The operation completed successfully.\n");

    std::vector<std::string> query{"query", "HKEY_CURRENT_USER\\software\\test"};
    const auto& options = GetParam().options;
    if (options[0] == "/ve")
        query.push_back("/ve");
    else
        query.insert(query.end(), {"/v", options[1]});
    const auto queried = Reg(query);
    ASSERT_EQ(queried.code, 0) << queried.err;
    // reg.exe echoes the key as it was typed, with the root's full name.
    EXPECT_EQ(queried.out, "\nHKEY_CURRENT_USER\\software\\test\n" + GetParam().queryLine + "\n\n");
}

INSTANTIATE_TEST_SUITE_P(RegCommand, RegAdd, testing::ValuesIn(kAdds),
                         [](const auto& row) { return std::string(row.param.label); });

struct FailureCase {
    const char* label;
    std::vector<std::string> args;
    std::string err;
};

const FailureCase kFailures[] = {
    {"NoSuchKey",
     {"query", "HKLM\\Software\\Nothing"},
     "ERROR: The system was unable to find the specified registry key or value.\n"},
    {"NoSuchValue",
     {"query", "HKCU\\Software\\Test", "/v", "Nothing"},
     "ERROR: The system was unable to find the specified registry key or value.\n"},
    {"OtherRoot", {"query", "HKCR\\.txt"}, "ERROR: Invalid key name.\nType \"REG QUERY /?\" for usage.\n"},
    {"UnknownOperation", {"copy", "HKCU\\A", "HKCU\\B"}, "ERROR: Invalid syntax.\nType \"REG /?\" for usage.\n"},
    {"UnknownOption", {"query", "HKCU\\Software", "/x"}, "ERROR: Invalid syntax.\nType \"REG QUERY /?\" for usage.\n"},
    {"MissingOptionArgument", {"add", "HKCU\\A", "/v"}, "ERROR: Invalid syntax.\nType \"REG ADD /?\" for usage.\n"},
    {"VAndVe", {"add", "HKCU\\A", "/v", "x", "/ve"}, "ERROR: Invalid syntax.\nType \"REG ADD /?\" for usage.\n"},
    {"VaOutsideDelete", {"query", "HKCU\\A", "/va"}, "ERROR: Invalid syntax.\nType \"REG QUERY /?\" for usage.\n"},
    {"DataOutsideAdd",
     {"delete", "HKCU\\A", "/d", "x", "/f"},
     "ERROR: Invalid syntax.\nType \"REG DELETE /?\" for usage.\n"},
    {"ForceInQuery", {"query", "HKCU\\A", "/f"}, "ERROR: Invalid syntax.\nType \"REG QUERY /?\" for usage.\n"},
    {"UnknownType",
     {"add", "HKCU\\A", "/v", "x", "/t", "REG_FOO"},
     "ERROR: Invalid syntax.\nType \"REG ADD /?\" for usage.\n"},
    {"DwordNotNumber",
     {"add", "HKCU\\A", "/v", "x", "/t", "REG_DWORD", "/d", "12a"},
     "ERROR: Invalid syntax. Specify valid numeric value for '/d'.\n"},
    {"DwordTooBig",
     {"add", "HKCU\\A", "/v", "x", "/t", "REG_DWORD", "/d", "4294967296"},
     "ERROR: Invalid syntax. Specify valid numeric value for '/d'.\n"},
    {"BinaryOddDigits",
     {"add", "HKCU\\A", "/v", "x", "/t", "REG_BINARY", "/d", "abc"},
     "ERROR: Invalid syntax. Specify valid hexadecimal value for '/d'.\n"},
    {"OverwriteWithoutForce",
     {"add", "HKCU\\Software\\Test", "/v", "Existing", "/d", "new"},
     "ERROR: The value Existing exists; add /f to overwrite it.\n"},
    {"DeleteWithoutForce",
     {"delete", "HKCU\\Software\\Test"},
     "ERROR: REG DELETE asks no question: add /f to delete.\n"},
    {"DeleteMissingValue",
     {"delete", "HKCU\\Software\\Test", "/v", "Nothing", "/f"},
     "ERROR: The system was unable to find the specified registry key or value.\n"},
    {"ImportMissingFile",
     {"import", "/nonexistent/file.reg"},
     "ERROR: Error opening the file. There may be a disk or file system error.\n"},
};

class RegFailure : public RegCommandTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(RegFailure, ExitsWithOneAndReportsLikeRegExe) {
    RegOk({"add", "HKCU\\Software\\Test", "/v", "Existing", "/d", "old"});
    const auto result = Reg(GetParam().args);
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, GetParam().err);
    EXPECT_EQ(result.out, "");
    // Nothing changed.
    const auto existing = Reg({"query", "HKCU\\Software\\Test", "/v", "Existing"});
    EXPECT_EQ(existing.out, "\nHKEY_CURRENT_USER\\Software\\Test\n    Existing    REG_SZ    old\n\n");
}

INSTANTIATE_TEST_SUITE_P(RegCommand, RegFailure, testing::ValuesIn(kFailures),
                         [](const auto& row) { return std::string(row.param.label); });

TEST_F(RegCommandTest, QueryListsValuesThenSubKeys) {
    RegOk({"add", "HKLM\\Software\\Q", "/v", "b", "/t", "REG_DWORD", "/d", "1"});
    RegOk({"add", "HKLM\\Software\\Q", "/v", "a", "/d", "x"});
    RegOk({"add", "HKLM\\Software\\Q\\Sub2"});
    RegOk({"add", "HKLM\\Software\\Q\\sub1", "/v", "deep", "/d", "y"});
    EXPECT_EQ(Reg({"query", "HKLM\\Software\\Q"}).out, "\nHKEY_LOCAL_MACHINE\\Software\\Q\n"
                                                       "    b    REG_DWORD    0x1\n"
                                                       "    a    REG_SZ    x\n\n"
                                                       "HKEY_LOCAL_MACHINE\\Software\\Q\\sub1\n"
                                                       "HKEY_LOCAL_MACHINE\\Software\\Q\\Sub2\n");
    EXPECT_EQ(Reg({"query", "HKLM\\Software\\Q", "/s"}).out, "\nHKEY_LOCAL_MACHINE\\Software\\Q\n"
                                                             "    b    REG_DWORD    0x1\n"
                                                             "    a    REG_SZ    x\n"
                                                             "\nHKEY_LOCAL_MACHINE\\Software\\Q\\sub1\n"
                                                             "    deep    REG_SZ    y\n"
                                                             "\nHKEY_LOCAL_MACHINE\\Software\\Q\\Sub2\n");
    EXPECT_EQ(
        Reg({"query", "HKLM\\Software", "/v", "DEEP", "/s"}).out,
        "\nHKEY_LOCAL_MACHINE\\Software\\Q\\sub1\n    deep    REG_SZ    y\n\nEnd of search: 1 match(es) found.\n");
    EXPECT_EQ(Reg({"query", "HKLM\\Software\\Q", "/ve"}).out,
              "\nHKEY_LOCAL_MACHINE\\Software\\Q\n    (Default)    REG_SZ    (value not set)\n\n");
}

TEST_F(RegCommandTest, AddWithForceOverwritesAndDeleteRemoves) {
    RegOk({"add", "HKCU\\K", "/v", "v", "/d", "1"});
    RegOk({"add", "HKCU\\K", "/v", "v", "/t", "REG_DWORD", "/d", "2", "/f"});
    EXPECT_EQ(Reg({"query", "HKCU\\K", "/v", "v"}).out, "\nHKEY_CURRENT_USER\\K\n    v    REG_DWORD    0x2\n\n");
    RegOk({"add", "HKCU\\K", "/v", "w", "/d", "1"});
    RegOk({"delete", "HKCU\\K", "/v", "V", "/f"});
    EXPECT_EQ(Reg({"query", "HKCU\\K", "/v", "v"}).code, 1);
    RegOk({"delete", "HKCU\\K", "/va", "/f"});
    EXPECT_EQ(Reg({"query", "HKCU\\K", "/v", "w"}).code, 1);
    RegOk({"delete", "HKCU\\K", "/f"});
    EXPECT_EQ(Reg({"query", "HKCU\\K"}).code, 1);
}

TEST_F(RegCommandTest, DeniedKeysReportAccessDenied) {
    RegOk({"add", "HKLM\\Software\\Locked", "/v", "v", "/d", "1"});
    FRegistry.SetKeyAccess(RegistryRoot::LocalMachine, "Software\\Locked", true, true);
    EXPECT_EQ(Reg({"query", "HKLM\\Software\\Locked"}).err, "ERROR: Access is denied.\n");
    EXPECT_EQ(Reg({"add", "HKLM\\Software\\Locked"}).err, "ERROR: Access is denied.\n");
    EXPECT_EQ(Reg({"add", "HKLM\\Software\\Locked", "/v", "v", "/d", "2", "/f"}).err, "ERROR: Access is denied.\n");
    EXPECT_EQ(Reg({"delete", "HKLM\\Software", "/f"}).err, "ERROR: Access is denied.\n");
    EXPECT_EQ(Reg({"export", "HKLM\\Software", (FTemp.Path() / "x.reg").string()}).err, "ERROR: Access is denied.\n");
}

TEST_F(RegCommandTest, ExportThenImportIntoAnotherMachineGivesTheSameFile) {
    RegOk({"add", "HKCU\\Software\\QUARNEL S.A.\\Multiste", "/v", "LastCompany", "/d", "Société \"A\""});
    RegOk({"add", "HKCU\\Software\\QUARNEL S.A.\\Multiste", "/v", "Bin", "/t", "REG_BINARY", "/d", "0102"});
    const auto file = FTemp.Path() / "export.reg";
    RegOk({"export", "HKCU\\Software\\QUARNEL S.A.", file.string()});
    const auto exported = ReadBytes(file);
    ASSERT_GE(exported.size(), 2u);
    EXPECT_EQ(exported[0], 0xFF);
    EXPECT_EQ(exported[1], 0xFE);
    EXPECT_EQ(Reg({"export", "HKCU\\Software\\QUARNEL S.A.", file.string()}).code, 1); // exists, no /y
    RegOk({"export", "HKCU\\Software\\QUARNEL S.A.", file.string(), "/y"});

    Registry other(FTemp.Path() / "other");
    std::ostringstream out;
    std::ostringstream err;
    const std::vector<std::string> import{"import", file.string()};
    ASSERT_EQ(RunRegCommand(other, import, out, err), 0) << err.str();
    std::vector<std::uint8_t> again;
    ASSERT_EQ(other.Export(RegistryRoot::CurrentUser, "Software\\QUARNEL S.A.", again), kErrorSuccess);
    EXPECT_EQ(again, exported);
}

TEST_F(RegCommandTest, ImportOfADamagedFileNamesTheLineAndChangesNothing) {
    const auto file = FTemp.Path() / "bad.reg";
    registry_tests::WriteBytes(file, registry_tests::Bytes("REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=\"1\"\r\n"
                                                           "\"b\"=dword:zz\r\n"));
    const auto result = Reg({"import", file.string()});
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find("bad.reg, ligne 4 : "), std::string::npos) << result.err;
    EXPECT_EQ(Reg({"query", "HKCU\\A"}).code, 1);
}

TEST_F(RegCommandTest, HelpDocumentsEveryOperation) {
    const auto help = Reg({"/?"});
    EXPECT_EQ(help.code, 0);
    for (const char* operation : {"REG QUERY", "REG ADD", "REG DELETE", "REG IMPORT", "REG EXPORT"})
        EXPECT_NE(help.out.find(operation), std::string::npos) << operation;
    EXPECT_EQ(Reg({"add", "/?"}).out, help.out);
}

} // namespace

#include "FirebirdTestMachine.h"
#include "firebird/Statement.h"

#include <gtest/gtest.h>

namespace {

// The declarations the system's databases carry for the server-side function libraries.
const std::vector<std::vector<std::string>> Declarations = {
    {"DECLARE EXTERNAL FUNCTION FindStringsInBlob BLOB, CSTRING(32767)", "RETURNS Integer BY VALUE",
     "ENTRY_POINT 'FindStringsInBlob'", "MODULE_NAME 'kx_udf.dll'"},
    {"DECLARE EXTERNAL FUNCTION FindStringsInString CSTRING(32767), CSTRING(32767)", "RETURNS Integer BY VALUE",
     "ENTRY_POINT 'FindStringsInString'", "MODULE_NAME 'kx_udf.dll'"},
    {"DECLARE EXTERNAL FUNCTION FindStringsIn5Strings CSTRING(32767), CSTRING(32767), CSTRING(32767), "
     "CSTRING(32767), CSTRING(32767), CSTRING(32767)",
     "RETURNS Integer BY VALUE", "ENTRY_POINT 'FindStringsIn5Strings'", "MODULE_NAME 'kx_udf.dll'"},
    {"DECLARE EXTERNAL FUNCTION CapitalizeFirst", "CSTRING(32767) CHARACTER SET ISO8859_1",
     "RETURNS CSTRING(32767) CHARACTER SET ISO8859_1 FREE_IT", "ENTRY_POINT 'CapitalizeFirst'",
     "MODULE_NAME 'kx_udf.dll'"},
    {"DECLARE EXTERNAL FUNCTION Capitalize", "CSTRING(32767) CHARACTER SET ISO8859_1",
     "RETURNS CSTRING(32767) CHARACTER SET ISO8859_1 FREE_IT", "ENTRY_POINT 'Capitalize'", "MODULE_NAME 'kx_udf.dll'"},
    {"DECLARE EXTERNAL FUNCTION GetFreeDiskSpace", "CSTRING(1)", "RETURNS NUMERIC(18, 0) BY VALUE",
     "ENTRY_POINT 'GetFreeDiskSpace'", "MODULE_NAME 'kx_udf.dll'"},
    {"DECLARE EXTERNAL FUNCTION GetDLLVersion", "RETURNS Integer BY VALUE", "ENTRY_POINT 'GetDLLVersion'",
     "MODULE_NAME 'kx_udf.dll'"},
    {"DECLARE EXTERNAL FUNCTION bin_or Integer, Integer", "RETURNS Integer BY VALUE", "ENTRY_POINT 'IB_UDF_bin_or'",
     "MODULE_NAME 'ib_udf.dll'"},
    {"DECLARE EXTERNAL FUNCTION bin_xor Integer, Integer", "RETURNS Integer BY VALUE", "ENTRY_POINT 'IB_UDF_bin_xor'",
     "MODULE_NAME 'ib_udf.dll'"},
    {"DECLARE EXTERNAL FUNCTION bin_and Integer, Integer", "RETURNS Integer BY VALUE", "ENTRY_POINT 'IB_UDF_bin_and'",
     "MODULE_NAME 'ib_udf.dll'"},
    {"DECLARE EXTERNAL FUNCTION IsANumber CSTRING(32767)", "RETURNS Integer BY VALUE", "ENTRY_POINT 'IsANumber'",
     "MODULE_NAME 'kx_udf.dll'"},
    {"DECLARE EXTERNAL FUNCTION GetLogData", "BLOB", "RETURNS PARAMETER 1", "ENTRY_POINT 'GetLogData'",
     "MODULE_NAME 'kx_udf.dll'"},
    {"DECLARE EXTERNAL FUNCTION GetStrWordIndex", "CSTRING(32767) CHARACTER SET ISO8859_1, Integer, Integer",
     "RETURNS Integer BY VALUE", "ENTRY_POINT 'GetStrWordIndex'", "MODULE_NAME 'kx_udf.dll'"},
    {"DECLARE EXTERNAL FUNCTION GetStrWordAt", "CSTRING(32767) CHARACTER SET ISO8859_1, Integer, Integer",
     "RETURNS CSTRING(32767) CHARACTER SET ISO8859_1 FREE_IT", "ENTRY_POINT 'GetStrWordAt'",
     "MODULE_NAME 'kx_udf.dll'"},
    {"DECLARE EXTERNAL FUNCTION GetStrLen", "CSTRING(32767)", "RETURNS Integer BY VALUE", "ENTRY_POINT 'GetStrLen'",
     "MODULE_NAME 'kx_udf.dll'"},
    {"DECLARE EXTERNAL FUNCTION GetBlobString BLOB", "RETURNS CSTRING(32767) CHARACTER SET ISO8859_1 FREE_IT",
     "ENTRY_POINT 'GetBlobString'", "MODULE_NAME 'kx_udf.dll'"},
};

const std::vector<std::string> GetLogProcedure = {
    "create procedure GETLOG", "returns (LOGDATA blob)", "as", "begin", "LOGDATA = GetLogData();", "suspend;", "end"};

struct CallRow {
    const char* name;
    const char* expression;
    const char* expected;
};

const CallRow CallRows[] = {
    {"FindStringsInBlobAll", "FindStringsInBlob(CAST('Le chat dort' AS BLOB SUB_TYPE TEXT), 'CHAT dort')", "1"},
    {"FindStringsInBlobMissing", "FindStringsInBlob(CAST('Le chat dort' AS BLOB SUB_TYPE TEXT), 'chien')", "0"},
    {"FindStringsInStringAll", "FindStringsInString('Élève à l''école', 'ÉCOLE élève')", "1"},
    {"FindStringsInStringMissing", "FindStringsInString('Le chat', 'chat chien')", "0"},
    {"FindStringsInStringNoWords", "FindStringsInString('Le chat', '')", "1"},
    {"FindStringsIn5StringsAll", "FindStringsIn5Strings('a', 'le chat', 'c', 'd', 'dort', 'CHAT DORT')", "1"},
    {"FindStringsIn5StringsMissing", "FindStringsIn5Strings('a', 'le chat', 'c', 'd', 'dort', 'lion')", "0"},
    {"CapitalizeFirst", "CapitalizeFirst('éCOLE MATERNELLE')", "École maternelle"},
    {"Capitalize", "Capitalize('jean-pierre DE l''ÉCOLE')", "Jean-Pierre De L'école"},
    {"GetFreeDiskSpaceReported", "GetFreeDiskSpace('d')", "123456789012"},
    {"GetFreeDiskSpaceUnknownDrive", "GetFreeDiskSpace('Q')", "0"},
    {"GetDLLVersion", "GetDLLVersion()", "4020017"},
    {"BinOr", "bin_or(5, 2)", "7"},
    {"BinXor", "bin_xor(6, 3)", "5"},
    {"BinAnd", "bin_and(6, 3)", "2"},
    {"IsANumberDecimalComma", "IsANumber(' -12,5 ')", "1"},
    {"IsANumberLetters", "IsANumber('12a')", "0"},
    {"IsANumberEmpty", "IsANumber('')", "0"},
    {"GetStrWordAtBlanks", "GetStrWordAt('un  deux trois', 2, 0)", "deux"},
    {"GetStrWordAtDelimiter", "GetStrWordAt('a;b;c', 3, 59)", "c"},
    {"GetStrWordAtBeyond", "GetStrWordAt('a b', 5, 0)", ""},
    {"GetStrWordIndex", "GetStrWordIndex('un deux trois', 5, 0)", "2"},
    {"GetStrWordIndexOnBlank", "GetStrWordIndex('un deux', 3, 0)", "0"},
    {"GetStrLen", "GetStrLen('école')", "5"},
    {"GetBlobString", "GetBlobString(CAST('Noël' AS BLOB SUB_TYPE TEXT))", "Noël"},
};

enum class Route { Embedded, Server };

// One database per process holding the declarations and GETLOG, made once.
std::string DeclaredDatabase() {
    static std::string path;
    if (path.empty()) {
        auto database = fbtest::CreateTestDatabase("udf", &path);
        for (const auto& lines : Declarations)
            fbtest::Execute(*database, fb::JoinLines(lines));
        fbtest::Execute(*database, fb::JoinLines(GetLogProcedure));
        fbtest::Execute(*database, "GRANT EXECUTE ON PROCEDURE GETLOG TO PUBLIC");
        database->Close();
    }
    return path;
}

std::unique_ptr<fb::Attachment> Open(Route route) {
    const std::string path = DeclaredDatabase();
    if (route == Route::Embedded)
        return testsupport::Attach(path);
    fbtest::ServerPort();
    return testsupport::Attach(testsupport::ThroughServer(path));
}

std::string SelectOne(fb::Attachment& database, const std::string& sql) {
    return testsupport::Column(database, sql).at(0);
}

class UdfRouteTest : public ::testing::TestWithParam<Route> {};

// One process per route for the whole table: each test process makes its own machine and
// database, which costs more than all the calls together.
TEST_P(UdfRouteTest, EveryDeclaredFunctionAnswersASelectFromRdbDatabase) {
    auto database = Open(GetParam());
    for (const CallRow& row : CallRows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(SelectOne(*database, std::string("SELECT ") + row.expression + " FROM RDB$DATABASE"), row.expected);
    }
}

TEST_P(UdfRouteTest, FreeSpaceOfAHostFolderIsTheHostsFigure) {
    auto database = Open(GetParam());
    auto bytes = std::stoll(SelectOne(*database, "SELECT GetFreeDiskSpace('C') FROM RDB$DATABASE"));
    auto host = fbtest::TestMachine().FreeSpace('C');
    ASSERT_TRUE(host);
    EXPECT_GT(bytes, 0);
    // Both read the same file system a moment apart.
    EXPECT_LT(std::llabs(bytes - static_cast<long long>(*host)), 64LL * 1024 * 1024);
}

TEST_P(UdfRouteTest, GetLogReturnsTheLibrarysLog) {
    auto database = Open(GetParam());
    SelectOne(*database, "SELECT GetFreeDiskSpace('D') FROM RDB$DATABASE");
    std::string log = SelectOne(*database, "SELECT LOGDATA FROM GETLOG");
    EXPECT_TRUE(log.starts_with("kx_udf 4.2.0.17\r\n")) << log;
    EXPECT_NE(log.find("GetFreeDiskSpace(D) = 123456789012\r\n"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(Routes, UdfRouteTest, ::testing::Values(Route::Embedded, Route::Server), [](const auto& row) {
    return std::string(row.param == Route::Server ? "Server" : "Embedded");
});

} // namespace

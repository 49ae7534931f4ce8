// Declarations of the server-side functions the applications' SQL relies on, and the GETLOG
// procedure that returns the log text of the maker's function library.

#include "Components/Quarnel/DatabaseManager.h"

namespace {

struct ExternalFunction {
    std::vector<std::string> lines;
    const char* entryPoint;
    const char* module;
};

const char* const Kx = "kx_udf.dll";
const char* const Ib = "ib_udf.dll";

const std::vector<ExternalFunction>& ExternalFunctions() {
    static const std::vector<ExternalFunction> functions = {
        {{"DECLARE EXTERNAL FUNCTION FindStringsInBlob BLOB, CSTRING(32767)", "RETURNS Integer BY VALUE"},
         "FindStringsInBlob",
         Kx},
        {{"DECLARE EXTERNAL FUNCTION FindStringsInString CSTRING(32767), CSTRING(32767)", "RETURNS Integer BY VALUE"},
         "FindStringsInString",
         Kx},
        {{"DECLARE EXTERNAL FUNCTION FindStringsIn5Strings CSTRING(32767), CSTRING(32767), CSTRING(32767), "
          "CSTRING(32767), CSTRING(32767), CSTRING(32767)",
          "RETURNS Integer BY VALUE"},
         "FindStringsIn5Strings",
         Kx},
        {{"DECLARE EXTERNAL FUNCTION CapitalizeFirst", "CSTRING(32767) CHARACTER SET ISO8859_1",
          "RETURNS CSTRING(32767) CHARACTER SET ISO8859_1 FREE_IT"},
         "CapitalizeFirst",
         Kx},
        {{"DECLARE EXTERNAL FUNCTION Capitalize", "CSTRING(32767) CHARACTER SET ISO8859_1",
          "RETURNS CSTRING(32767) CHARACTER SET ISO8859_1 FREE_IT"},
         "Capitalize",
         Kx},
        {{"DECLARE EXTERNAL FUNCTION GetFreeDiskSpace", "CSTRING(1)", "RETURNS NUMERIC(18, 0) BY VALUE"},
         "GetFreeDiskSpace",
         Kx},
        {{"DECLARE EXTERNAL FUNCTION GetDLLVersion", "RETURNS Integer BY VALUE"}, "GetDLLVersion", Kx},
        {{"DECLARE EXTERNAL FUNCTION bin_or Integer, Integer", "RETURNS Integer BY VALUE"}, "IB_UDF_bin_or", Ib},
        {{"DECLARE EXTERNAL FUNCTION bin_xor Integer, Integer", "RETURNS Integer BY VALUE"}, "IB_UDF_bin_xor", Ib},
        {{"DECLARE EXTERNAL FUNCTION bin_and Integer, Integer", "RETURNS Integer BY VALUE"}, "IB_UDF_bin_and", Ib},
        {{"DECLARE EXTERNAL FUNCTION IsANumber CSTRING(32767)", "RETURNS Integer BY VALUE"}, "IsANumber", Kx},
        {{"DECLARE EXTERNAL FUNCTION GetLogData", "BLOB", "RETURNS PARAMETER 1"}, "GetLogData", Kx},
        {{"DECLARE EXTERNAL FUNCTION GetStrWordIndex", "CSTRING(32767) CHARACTER SET ISO8859_1, Integer, Integer",
          "RETURNS Integer BY VALUE"},
         "GetStrWordIndex",
         Kx},
        {{"DECLARE EXTERNAL FUNCTION GetStrWordAt", "CSTRING(32767) CHARACTER SET ISO8859_1, Integer, Integer",
          "RETURNS CSTRING(32767) CHARACTER SET ISO8859_1 FREE_IT"},
         "GetStrWordAt",
         Kx},
        {{"DECLARE EXTERNAL FUNCTION GetStrLen", "CSTRING(32767)", "RETURNS Integer BY VALUE"}, "GetStrLen", Kx},
        {{"DECLARE EXTERNAL FUNCTION GetBlobString BLOB", "RETURNS CSTRING(32767) CHARACTER SET ISO8859_1 FREE_IT"},
         "GetBlobString",
         Kx},
    };
    return functions;
}

// Runs `statement` with its parameter scan switched off, and switched on again whatever happens.
void ExecuteUnscanned(fb::Statement& statement) {
    statement.SetParamCheck(false);
    try {
        statement.ExecQuery();
    } catch (...) {
        statement.SetParamCheck(true);
        throw;
    }
    statement.SetParamCheck(true);
}

} // namespace

void TDatabaseManager::RegisterUDF() {
    InNestedLevel([&] {
        for (const ExternalFunction& function : ExternalFunctions()) {
            std::vector<std::string> lines = function.lines;
            lines.push_back(std::string("ENTRY_POINT '") + function.entryPoint + "'");
            lines.push_back(std::string("MODULE_NAME '") + function.module + "'");
            FSQL.SQL() = std::move(lines);
            ExecuteUnscanned(FSQL);
            // Firebird 3 checks EXECUTE on external functions, which older servers let every login call.
            const std::string& declaration = function.lines.front();
            const std::size_t nameStart = std::string("DECLARE EXTERNAL FUNCTION ").size();
            const std::string name = declaration.substr(nameStart, declaration.find(' ', nameStart) - nameStart);
            FSQL.SetText("GRANT EXECUTE ON FUNCTION " + name + " TO PUBLIC");
            FSQL.ExecQuery();
        }
        FSQL.SQL().clear();
    });
}

void TDatabaseManager::RegisterStoredProcs() {
    InNestedLevel([&] {
        FSQL.SQL() = {"create procedure GETLOG",
                      "returns (LOGDATA blob)",
                      "as",
                      "begin",
                      "LOGDATA = GetLogData();",
                      "suspend;",
                      "end"};
        ExecuteUnscanned(FSQL);
        FSQL.SetText("GRANT EXECUTE ON PROCEDURE GETLOG TO PUBLIC");
        FSQL.ExecQuery();
        FSQL.SQL().clear();
    });
}

void TDatabaseManager::GetLogData(std::vector<std::string>& textList) {
    InNestedLevel([&] {
        FQuery.Close();
        FQuery.SetText("SELECT LOGDATA FROM GETLOG");
        FQuery.Open();
        std::string text = FQuery.Eof() ? std::string() : FQuery.Fields(0).AsString();
        FQuery.Close();
        textList.clear();
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            textList.push_back(std::move(line));
            start = end == std::string::npos ? text.size() : end + 1;
        }
    });
}

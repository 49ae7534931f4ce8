#include "FirebirdTestMachine.h"
#include "firebird/AnsiText.h"
#include "firebird/DatabaseError.h"
#include "firebird/Query.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/text/Text.h"

#include <gtest/gtest.h>

namespace {

// A database with table T (ID, NAME) of three rows and a transaction started on it.
class QueryTest : public ::testing::Test {
protected:
    void SetUp() override {
        database = fbtest::CreateTestDatabase("query");
        fbtest::Execute(*database, "CREATE TABLE T (ID INTEGER, NAME VARCHAR(40))");
        fbtest::Execute(*database, "INSERT INTO T VALUES (1, 'un')");
        fbtest::Execute(*database, "INSERT INTO T VALUES (2, 'deux')");
        fbtest::Execute(*database, "INSERT INTO T VALUES (3, 'trois')");
        transaction.SetDefaultDatabase(database.get());
        transaction.StartTransaction();
        query.SetDatabase(database.get());
        query.SetTransaction(&transaction);
        statement.SetTransaction(&transaction);
    }

    std::unique_ptr<fb::Attachment> database;
    fb::Transaction transaction;
    fb::Query query{"FQuery"};
    fb::Statement statement{"FSQL"};
};

TEST_F(QueryTest, WalksForwardOverTheRows) {
    query.SQL() = {"SELECT ID, NAME FROM T", "ORDER BY ID"};
    query.Open();
    ASSERT_TRUE(query.Active());
    EXPECT_EQ(query.FieldCount(), 2u);
    EXPECT_EQ(query.FieldName(1), "NAME");
    std::vector<std::string> names;
    for (; !query.Eof(); query.Next())
        names.push_back(query.FieldByName("name").AsString());
    EXPECT_EQ(names, (std::vector<std::string>{"un", "deux", "trois"}));
    EXPECT_THROW(query.Fields(0), std::out_of_range);
    query.Close();
    EXPECT_FALSE(query.Active());
    query.Open(); // the same text again
    EXPECT_EQ(query.Fields(0).AsInteger(), 1);
}

TEST_F(QueryTest, AnEmptyResultIsEofAtOnceButKeepsItsColumns) {
    query.SetText("SELECT * FROM T WHERE ID > 99");
    query.Open();
    EXPECT_TRUE(query.Eof());
    EXPECT_EQ(query.FieldCount(), 2u);
    EXPECT_EQ(query.FieldName(0), "ID");
}

TEST_F(QueryTest, NamedParametersMapToTheirPositions) {
    query.SQL() = {"SELECT NAME FROM T WHERE", "ID = :p0 OR ID = :other OR NAME = ':p0' OR ID = :P0"};
    EXPECT_EQ(query.ParamCount(), 2u);
    query.ParamByName("p0") = 2;
    query.ParamByName("OTHER") = 3;
    query.Open();
    std::vector<std::string> names;
    for (; !query.Eof(); query.Next())
        names.push_back(query.Fields(0).AsString());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"deux", "trois"}));
    EXPECT_THROW(query.ParamByName("p9"), std::runtime_error);
}

TEST_F(QueryTest, ChangingTheTextDropsTheParameterValues) {
    query.SetText("SELECT NAME FROM T WHERE ID = :p0");
    query.ParamByName("p0") = 1;
    query.SetText("SELECT NAME FROM T WHERE ID = :p0 + 1");
    EXPECT_TRUE(query.ParamByName("p0").IsNull());
    query.Params(0) = 1;
    query.Open();
    EXPECT_EQ(query.Fields(0).AsString(), "deux");
}

TEST_F(QueryTest, ServerErrorsCarryTheirSqlAndFirebirdCodes) {
    query.SetText("SELECT * FROM NO_SUCH_TABLE");
    try {
        query.Open();
        FAIL() << "opened a query on a missing table";
    } catch (const fb::DatabaseError& e) {
        EXPECT_EQ(e.SqlCode(), -204);
        EXPECT_EQ(e.FbCode(), 335544569); // isc_dsql_error
        EXPECT_NE(std::string(e.what()).find("Table unknown\r\nNO_SUCH_TABLE"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(query.Active());
}

TEST_F(QueryTest, ParamCheckOffSendsProcedureBodiesUnchanged) {
    const std::vector<std::string> body = {
        "CREATE PROCEDURE TWICE (X INTEGER) RETURNS (Y INTEGER)", "AS", "BEGIN", "  Y = :X * 2;", "  SUSPEND;", "END"};
    statement.SQL() = body;
    EXPECT_THROW(statement.ExecQuery(), fb::DatabaseError); // ":X" became a parameter marker
    statement.SetParamCheck(false);
    statement.SQL() = body;
    statement.ExecQuery();
    transaction.Commit();
    transaction.StartTransaction();
    query.SetText("SELECT Y FROM TWICE(:p0)");
    query.ParamByName("p0") = 21;
    query.Open();
    EXPECT_EQ(query.Fields(0).AsInteger(), 42);
}

TEST_F(QueryTest, ExecuteProcedureReturnsItsOutputs) {
    statement.SetParamCheck(false);
    statement.SetText("CREATE PROCEDURE ADDER (A INTEGER, B INTEGER) RETURNS (S INTEGER) AS BEGIN S = A + B; END");
    statement.ExecQuery();
    transaction.Commit();
    transaction.StartTransaction();
    statement.SetParamCheck(true);
    statement.SetText("EXECUTE PROCEDURE ADDER :a, :b");
    statement.ParamByName("a") = 40;
    statement.ParamByName("b") = 2;
    statement.ExecQuery();
    ASSERT_EQ(statement.FieldCount(), 1u);
    EXPECT_EQ(statement.Fields(0).AsInteger(), 42);
}

TEST_F(QueryTest, TypesRoundTrip) {
    fbtest::Execute(*database, "CREATE TABLE V (TS TIMESTAMP, BIG NUMERIC(18,0), MONEY NUMERIC(15,2), "
                               "D DOUBLE PRECISION, C CHAR(4), N INTEGER)");
    transaction.Commit(); // a snapshot started before the table was made does not see it
    transaction.StartTransaction();
    statement.SetText("INSERT INTO V VALUES (:ts, :big, :money, :d, :c, :n)");
    fb::Timestamp stamp = fb::MakeTimestamp(2024, 2, 29, 23, 59, 58) + std::chrono::microseconds(123400);
    statement.ParamByName("ts") = stamp;
    statement.ParamByName("big") = std::int64_t{9000000000000000001};
    statement.ParamByName("money") = "1234.56";
    statement.ParamByName("d") = 0.25;
    statement.ParamByName("c") = "ab";
    statement.ExecQuery();
    query.SetText("SELECT TS, BIG, MONEY, D, C, N FROM V");
    query.Open();
    EXPECT_EQ(query.Fields(0).AsTimestamp(), stamp);
    EXPECT_EQ(fb::FormatTimestamp(query.Fields(0).AsTimestamp()), "2024-02-29 23:59:58.1234");
    EXPECT_EQ(query.Fields(1).AsInt64(), 9000000000000000001);
    EXPECT_DOUBLE_EQ(query.Fields(2).AsDouble(), 1234.56);
    EXPECT_DOUBLE_EQ(query.Fields(3).AsDouble(), 0.25);
    EXPECT_EQ(query.Fields(4).AsString(), "ab  "); // CHAR keeps its padding
    EXPECT_TRUE(query.Fields(5).IsNull());
    EXPECT_EQ(query.Fields(5).AsInteger(), 0);
}

// An ISO8859_1 connection carries the bytes of the machine's ANSI code page (1252) unchanged, as
// the Windows programs send them: "€" is stored as 0x80 and read back as "€".
TEST_F(QueryTest, TextsTravelAsTheBytesOfTheAnsiCodePage) {
    fbtest::Execute(*database, "CREATE TABLE W (ID INTEGER, NAME VARCHAR(40), TXT BLOB SUB_TYPE TEXT)");
    transaction.Commit();
    transaction.StartTransaction();
    const std::string text = "Élève à l'école, 1 € – “oui” ‘non’ …"; // 0x80-0x9F of code page 1252
    const std::string bytes = "\xC9l\xE8ve \xE0 l'\xE9""cole, 1 \x80 \x96 \x93oui\x94 \x91non\x92 \x85";
    statement.SetText("INSERT INTO W (ID, NAME, TXT) VALUES (1, :name, :txt)");
    statement.ParamByName("name") = text;
    statement.ParamByName("txt") = text;
    statement.ExecQuery();
    statement.SetText("INSERT INTO W (ID, NAME, TXT) VALUES (2, 'Noël €', NULL)");
    statement.ExecQuery();
    query.SetText("SELECT NAME, TXT, CAST(NAME AS VARCHAR(40) CHARACTER SET OCTETS), "
                  "CAST(CAST(TXT AS VARCHAR(100)) AS VARCHAR(100) CHARACTER SET OCTETS) FROM W ORDER BY ID");
    query.Open();
    EXPECT_EQ(query.Fields(0).AsString(), text);
    EXPECT_EQ(query.Fields(1).AsString(), text);
    EXPECT_EQ(query.Fields(2).AsString(), bytes); // as stored
    EXPECT_EQ(query.Fields(3).AsString(), bytes);
    query.Next();
    EXPECT_EQ(query.Fields(0).AsString(), "Noël €");
    EXPECT_EQ(query.Fields(2).AsString(), "No\xEBl \x80");
}

TEST_F(QueryTest, ATextTheCharacterSetCannotHoldIsRefusedNamingItsColumn) {
    struct Row {
        const char* sql;
        const char* expected; // in the message
    };
    const Row rows[] = {
        {"INSERT INTO T (ID, NAME) VALUES (20, :name)", "de la colonne NAME"},
        {"UPDATE T SET NAME = :Name WHERE ID = 1", "de la colonne NAME"},
        {"UPDATE T SET NAME = ? WHERE ID = 1", "du paramètre 1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sql);
        statement.SetText(row.sql);
        statement.Params(0) = "Ωmega ≠ omega";
        try {
            statement.ExecQuery();
            FAIL() << "the text was written";
        } catch (const fb::TextEncodingError& e) {
            EXPECT_NE(std::string(e.what()).find(row.expected), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("Ω"), std::string::npos) << e.what();
        }
    }
    statement.SetText("INSERT INTO T (ID, NAME) VALUES (21, 'Ωmega')");
    EXPECT_THROW(statement.ExecQuery(), fb::TextEncodingError);
    query.SetText("SELECT COUNT(*) FROM T WHERE ID >= 20 OR NAME <> 'un' AND ID = 1");
    query.Open();
    EXPECT_EQ(query.Fields(0).AsInteger(), 0);
}

TEST_F(QueryTest, BlobsOfAnySizeRoundTrip) {
    fbtest::Execute(*database, "CREATE TABLE B (ID INTEGER, TXT BLOB SUB_TYPE TEXT, BIN BLOB SUB_TYPE 0)");
    transaction.Commit(); // a snapshot started before the table was made does not see it
    transaction.StartTransaction();
    std::string text;
    for (int i = 0; text.size() < 200000; ++i)
        text += "Ligne " + std::to_string(i) + " : déjà vue\r\n";
    std::string binary;
    for (int i = 0; i < 70000; ++i)
        binary += static_cast<char>(i % 256);
    statement.SetText("INSERT INTO B VALUES (1, :txt, :bin)");
    statement.ParamByName("txt") = text;
    statement.ParamByName("bin") = binary;
    statement.ExecQuery();
    query.SetText("SELECT TXT, BIN, OCTET_LENGTH(TXT), OCTET_LENGTH(BIN) FROM B");
    query.Open();
    EXPECT_EQ(query.Fields(0).AsString(), text);
    EXPECT_EQ(query.Fields(1).AsString(), binary);
    EXPECT_EQ(query.Fields(2).AsInteger(), static_cast<int>(platform::text::Utf8ToLatin1(text).size()));
    EXPECT_EQ(query.Fields(3).AsInteger(), 70000);
}

} // namespace

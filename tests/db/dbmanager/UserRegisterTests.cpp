#include "DbTestMachine.h"
#include "firebird/DatabaseError.h"

#include <gtest/gtest.h>

namespace {

using dbtest::Column;

// The waits between attempts, recorded instead of slept.
struct RecordedWaits {
    std::vector<int> ranges;
    std::vector<std::chrono::milliseconds> waits;
};

void InjectWaits(TDatabaseManager& manager, RecordedWaits& record, int answer = -1) {
    manager.SetRegisterWaits(
        [&record, answer](int range) {
            record.ranges.push_back(range);
            return answer < 0 ? range - 1 : answer; // the longest wait unless told otherwise
        },
        [&record](std::chrono::milliseconds wait) { record.waits.push_back(wait); });
}

class UserRegister : public ::testing::Test {
protected:
    UserRegister() { InjectWaits(manager, record); }

    std::vector<std::string> Rows(const std::string& sql) {
        auto other = dbtest::Attach(db.path);
        return Column(*other, sql);
    }

    dbtest::ManagedDatabase db{"users"};
    TDatabaseManager& manager = *db.manager;
    RecordedWaits record;
};

TEST_F(UserRegister, RegisteringTwiceLeavesOneRowWithTheLaterTime) {
    manager.RegisterUser("dupont (POSTE1) - VTP");
    std::vector<std::string> first = Rows("SELECT lastcheck FROM Users");
    manager.RegisterUser("dupont (POSTE1) - VTP");
    EXPECT_EQ(Rows("SELECT username FROM Users"), std::vector<std::string>{"dupont (POSTE1) - VTP"});
    std::vector<std::string> second = Rows("SELECT lastcheck FROM Users");
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_GE(second[0], first[0]); // "YYYY-MM-DD HH:MM:SS" texts order as the times do
    EXPECT_TRUE(record.waits.empty());
    // The register commits on its own: the shared transaction is untouched.
    EXPECT_FALSE(db.transaction.InTransaction());
}

TEST_F(UserRegister, TextsAreCutTo60CharactersAndQuotesAreKept) {
    const std::string long75 = std::string(60, 'a') + "bbbbbbbbbbbbbbb";
    const std::string quoted = "l'utilisateur (POSTE'2) - VTP";
    const std::string accented = std::string(59, 'x') + "éé"; // 61 characters, 63 bytes
    manager.RegisterUser(long75);
    manager.RegisterUser(quoted);
    manager.RegisterUser(accented);
    EXPECT_EQ(Rows("SELECT username FROM Users ORDER BY username"),
              (std::vector<std::string>{std::string(60, 'a'), quoted, std::string(59, 'x') + "é"}));
    std::vector<std::string> list;
    manager.GetUserList(list);
    EXPECT_EQ(list, (std::vector<std::string>{std::string(60, 'a'), quoted, std::string(59, 'x') + "é"}));
    manager.UnRegisterUser(long75);
    manager.UnRegisterUser(quoted);
    manager.UnRegisterUser(accented);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM Users"), std::vector<std::string>{"0"});
    EXPECT_TRUE(record.waits.empty());
}

TEST_F(UserRegister, RowsOlderThanTheThresholdArePurged) {
    auto other = dbtest::Attach(db.path);
    // Times relative to the server's clock: 0.03 day is 43 minutes 12 seconds.
    dbtest::Execute(*other, "INSERT INTO Users (username, lastcheck) VALUES ('old44', DATEADD(-44 MINUTE TO "
                            "CAST('Now' AS TIMESTAMP)))");
    dbtest::Execute(*other, "INSERT INTO Users (username, lastcheck) VALUES ('recent42', DATEADD(-42 MINUTE TO "
                            "CAST('Now' AS TIMESTAMP)))");
    manager.RegisterUser("me");
    EXPECT_EQ(Rows("SELECT username FROM Users ORDER BY username"), (std::vector<std::string>{"me", "recent42"}));
}

TEST_F(UserRegister, GetUserListPurgesToo) {
    auto other = dbtest::Attach(db.path);
    dbtest::Execute(*other, "INSERT INTO Users (username, lastcheck) VALUES ('b_old', DATEADD(-44 MINUTE TO "
                            "CAST('Now' AS TIMESTAMP)))");
    dbtest::Execute(*other, "INSERT INTO Users (username, lastcheck) VALUES ('a_recent', DATEADD(-42 MINUTE TO "
                            "CAST('Now' AS TIMESTAMP)))");
    std::vector<std::string> list{"stale"};
    manager.GetUserList(list);
    EXPECT_EQ(list, std::vector<std::string>{"a_recent"});
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM Users"), std::vector<std::string>{"1"});
}

TEST_F(UserRegister, AMissingTableMakesFiveAttemptsAndNoError) {
    manager.ExecuteSQL("DROP TABLE Users");
    EXPECT_NO_THROW(manager.RegisterUser("someone"));
    // A wait before every attempt but the first, each below 2 seconds.
    EXPECT_EQ(record.ranges, (std::vector<int>{2000, 2000, 2000, 2000}));
    ASSERT_EQ(record.waits.size(), 4u);
    std::chrono::milliseconds total{0};
    for (auto wait : record.waits) {
        EXPECT_LT(wait.count(), 2000);
        total += wait;
    }
    EXPECT_LE(total.count(), 8000);
    EXPECT_FALSE(manager.OwnTransaction().InTransaction());

    record = {};
    EXPECT_NO_THROW(manager.UnRegisterUser("someone"));
    EXPECT_EQ(record.waits.size(), 4u);
    EXPECT_FALSE(manager.OwnTransaction().InTransaction());
}

TEST_F(UserRegister, ALaterAttemptSucceedsAfterAFailure) {
    // The first attempt finds the register's own transaction already started by someone else.
    manager.OwnTransaction().StartTransaction();
    manager.RegisterUser("second try");
    EXPECT_EQ(record.waits.size(), 1u);
    EXPECT_EQ(Rows("SELECT username FROM Users"), std::vector<std::string>{"second try"});
}

TEST_F(UserRegister, GetUserListRaisesTheServersErrorOnce) {
    manager.ExecuteSQL("DROP TABLE Users");
    std::vector<std::string> list{"stale"};
    EXPECT_THROW(manager.GetUserList(list), fb::DatabaseError);
    EXPECT_TRUE(record.waits.empty());
    EXPECT_FALSE(manager.OwnTransaction().InTransaction());
}

TEST(UserRegisterOwnTransaction, CommitsWhateverTheSharedTransactionHolds) {
    dbtest::ManagedDatabase db("users_shared");
    db.manager->StartNested();
    db.manager->ExecuteSQL("INSERT INTO ConnectionControl (id) VALUES (9)");
    db.manager->RegisterUser("pending");
    auto other = dbtest::Attach(db.path);
    EXPECT_EQ(Column(*other, "SELECT username FROM Users"), std::vector<std::string>{"pending"});
    EXPECT_EQ(Column(*other, "SELECT COUNT(*) FROM ConnectionControl WHERE id = 9"), std::vector<std::string>{"0"});
    db.manager->CommitNested();
}

} // namespace

namespace {

TEST(UserRegisterWithoutDatabase, GivesUpQuietlyAfterFiveAttempts) {
    TDatabaseManager manager;
    RecordedWaits record;
    InjectWaits(manager, record, 0);
    EXPECT_NO_THROW(manager.RegisterUser("nobody"));
    EXPECT_EQ(record.waits, std::vector<std::chrono::milliseconds>(4, std::chrono::milliseconds(0)));
    std::vector<std::string> list;
    EXPECT_ANY_THROW(manager.GetUserList(list));
}

} // namespace

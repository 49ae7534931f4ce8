// The register of connected users: one row per user text in the table Users with the server time
// of its last registration, run in the manager's own transaction so that it commits on its own.

#include "Components/Quarnel/DatabaseManager.h"
#include "firebird/SqlText.h"
#include "platform/text/Text.h"

namespace {

constexpr std::size_t MaxUserText = 60; // the width of Users.username
constexpr int Attempts = 5;
constexpr int MaxWaitMs = 2000;
// 0.03 day: longer than the 30-minute refresh of a running program.
constexpr auto PurgeAge = std::chrono::seconds(2592);

// The first 60 characters (not bytes) of `text`.
std::string StoredUserText(const std::string& text) {
    std::size_t pos = 0;
    for (std::size_t count = 0; count < MaxUserText && pos < text.size(); ++count)
        platform::text::DecodeUtf8(text, pos);
    return text.substr(0, pos);
}

} // namespace

void TDatabaseManager::InOwnTransactionAttempts(const std::function<void()>& attempt) {
    for (int i = 0; i < Attempts; ++i) {
        if (i > 0)
            FWait(std::chrono::milliseconds(FRandom(MaxWaitMs)));
        try {
            FTransaction2.StartTransaction();
            attempt();
            FTransaction2.Commit();
            return;
        } catch (const std::exception&) {
            // Another program holds the rows, or the register cannot be reached: try again later.
            if (FTransaction2.InTransaction()) {
                try {
                    FTransaction2.Rollback();
                } catch (const std::exception&) {
                    // a failed rollback has ended the transaction all the same
                }
            }
        }
    }
}

void TDatabaseManager::RegisterUser(const std::string& userStr) {
    std::string name = StoredUserText(userStr);
    InOwnTransactionAttempts([&] {
        FQuery2.Close();
        FQuery2.SetText("SELECT COUNT(*) FROM Users WHERE username=" + fb::SqlLiteral(name));
        FQuery2.Open();
        std::int64_t count = FQuery2.Fields(0).AsInt64();
        FQuery2.Close();
        FSQL2.SQL().clear();
        FSQL2.ClearParams();
        if (count == 0)
            FSQL2.SQL() = {"INSERT INTO Users (username, lastcheck)", "VALUES (:p0, 'Now')"};
        else
            FSQL2.SQL() = {"UPDATE Users SET lastcheck = 'Now' WHERE", "username = :p0"};
        FSQL2.ParamByName("p0") = name;
        FSQL2.ExecQuery();
        PurgeUsers();
    });
}

void TDatabaseManager::PurgeUsers() {
    FQuery2.Close();
    FQuery2.SetText("SELECT * FROM GET_SERVER_TIME");
    FQuery2.Open();
    fb::Timestamp now = FQuery2.Fields(0).AsTimestamp();
    FQuery2.Close();
    FSQL2.SetText("DELETE FROM Users WHERE lastcheck < :p0");
    FSQL2.ParamByName("p0") = now - PurgeAge;
    FSQL2.ExecQuery();
}

void TDatabaseManager::UnRegisterUser(const std::string& userStr) {
    std::string name = StoredUserText(userStr);
    InOwnTransactionAttempts([&] {
        FSQL2.SetText("DELETE FROM Users WHERE username=" + fb::SqlLiteral(name));
        FSQL2.ExecQuery();
    });
}

void TDatabaseManager::GetUserList(std::vector<std::string>& liste) {
    FTransaction2.StartTransaction();
    try {
        liste.clear();
        PurgeUsers();
        FQuery2.Close();
        FQuery2.SetText("SELECT username FROM Users ORDER BY username");
        FQuery2.Open();
        for (; !FQuery2.Eof(); FQuery2.Next())
            liste.push_back(FQuery2.Fields(0).AsString());
        FQuery2.Close();
        FTransaction2.Commit();
    } catch (...) {
        FQuery2.Close();
        if (FTransaction2.InTransaction()) {
            try {
                FTransaction2.Rollback();
            } catch (const std::exception&) {
                // the error being handled is the one to report
            }
        }
        throw;
    }
}

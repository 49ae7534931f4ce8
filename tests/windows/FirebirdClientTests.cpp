// The Firebird client on Windows is the user's own, loaded at first need. This Wine machine has
// none: every use fails with the French message that says what was looked for and where, the same
// each time, and the program's end (ClientShutdown) stays harmless.
#include "firebird/Client.h"
#include "firebird/ClientLibrary.h"
#include "firebird/DatabaseError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using ::testing::HasSubstr;

TEST(LoadedFirebirdClient, AMachineWithoutClientRefusesEachUseWithTheSameFrenchMessage) {
    ASSERT_FALSE(fb::client::MissingClientMessage().empty());
    const struct {
        const char* name;
        void (*use)();
    } uses[] = {
        {"Master",
         [] {
             fb::Master();
         }},
        {"Status",
         [] {
             fb::Status status;
         }},
        {"ClientVersionString",
         [] {
             fb::ClientVersionString();
         }},
        {"Master again",
         [] {
             fb::Master();
         }},
    };
    for (const auto& use : uses) {
        SCOPED_TRACE(use.name);
        try {
            use.use();
            ADD_FAILURE() << "a machine without fbclient.dll nor gds32.dll gave a client";
        } catch (const fb::DatabaseError& error) {
            EXPECT_EQ(std::string(error.what()), fb::client::MissingClientMessage());
            EXPECT_THAT(error.what(), HasSubstr("fbclient.dll"));
            EXPECT_THAT(error.what(), HasSubstr("gds32.dll"));
            EXPECT_EQ(error.SqlCode(), -904);
        }
    }
    fb::ClientShutdown(); // nothing was loaded: nothing to end, nothing raised
}

} // namespace

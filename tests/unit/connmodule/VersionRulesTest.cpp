#include "Common/Interbase/VersionRules.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct ClientRow {
    const char* name;
    std::string client;
    bool accepted;
};

const ClientRow kClientRows[] = {
    {"Fb10Build794", "WI-V1.0.0.794", true},
    {"Fb10Build908", "WI-V1.0.2.908", true},
    {"Fb15Build4290", "WI-V6.3.0.4290", true},
    {"Fb15Build4731", "WI-V6.3.2.4731", true},
    {"Fb25AnyBuild", "WI-V2.5.2.26540", true},
    {"Fb25PrefixOnly", "WI-V2.5", true},
    {"LinkedClient", "LI-V3.0.11.33637", true},
    {"Windows30Client", "WI-V3.0.7.33374", true},
    {"LowerCase", "wi-v6.3.2.4731", false},
    {"LowerCase25", "wi-v2.5.2.26540", false},
    {"OtherFb15Build", "WI-V6.3.1.4481", false},
    {"ExactWithSuffix", "WI-V1.0.0.794 ", false},
    {"ShortOf25", "WI-V2.", false},
    {"Fb40", "WI-V4.0.0.2496", false},
    {"Linux25", "LI-V2.5.9.27139", false},
    {"OldClientCall", "LI-V6.3.11.33637", false},
    {"Missing", "?", false},
    {"Empty", "", false},
};

class ClientVersionTest : public ::testing::TestWithParam<ClientRow> {};

TEST_P(ClientVersionTest, AcceptsOnlyTheTable) {
    EXPECT_EQ(IsAcceptedClientVersion(GetParam().client), GetParam().accepted) << GetParam().client;
}

INSTANTIATE_TEST_SUITE_P(Clients, ClientVersionTest, ::testing::ValuesIn(kClientRows),
                         [](const auto& row) { return std::string(row.param.name); });

struct PairRow {
    const char* name;
    std::string client;
    std::string server;
    TIBServerType family;
};

const PairRow kPairRows[] = {
    {"Row1", "WI-V1.0.0.794", "WI-V6.2.794 Firebird 1.0", Firebird10},
    {"Row2", "WI-V1.0.2.908", "WI-V6.2.908 Firebird 1.0", Firebird10},
    {"Row3", "WI-V6.3.0.4290", "WI-V1.5.0.4290 Firebird 1.5", Firebird15},
    {"Row4", "WI-V6.3.0.4290", "WI-V1.5.1.4481 Firebird 1.5", Firebird15},
    {"Row5", "WI-V6.3.2.4731", "WI-V1.5.2.4731 Firebird 1.5", Firebird15},
    {"Row6AnyBuilds", "WI-V2.5.2.26540", "WI-V2.5.9.27139 Firebird 2.5", Firebird25},
    {"Row7Linked", "LI-V3.0.11.33637", "LI-V3.0.11.33637 Firebird 3.0", Firebird30},
    {"Row7WindowsServer", "LI-V3.0.11.33637", "WI-V3.0.7.33374 Firebird 3.0", Firebird30},
    {"Row7WindowsClient", "WI-V3.0.7.33374", "LI-V3.0.11.33637 Firebird 3.0", Firebird30},
    {"Fb15ClientOtherServerBuild", "WI-V6.3.0.4290", "WI-V1.5.2.4731 Firebird 1.5", UnknownServer},
    {"Fb10ClientOtherBuild", "WI-V1.0.0.794", "WI-V6.2.908 Firebird 1.0", UnknownServer},
    {"Fb10Build908OtherBuild", "WI-V1.0.2.908", "WI-V6.2.794 Firebird 1.0", UnknownServer},
    {"Fb25ClientFb15Server", "WI-V2.5.2.26540", "WI-V1.5.2.4731 Firebird 1.5", UnknownServer},
    {"Fb25ClientLinuxServer", "WI-V2.5.2.26540", "LI-V2.5.9.27139 Firebird 2.5", UnknownServer},
    {"LinkedClientFb25Server", "LI-V3.0.11.33637", "WI-V2.5.9.27139 Firebird 2.5", UnknownServer},
    {"LinkedClientFb40Server", "LI-V3.0.11.33637", "LI-V4.0.2.2816 Firebird 4.0", UnknownServer},
    {"UnknownServer", "LI-V3.0.11.33637", "?", UnknownServer},
    {"ServerCaseDiffers", "WI-V6.3.2.4731", "WI-V1.5.2.4731 firebird 1.5", UnknownServer},
};

class PairTest : public ::testing::TestWithParam<PairRow> {};

TEST_P(PairTest, GivesTheFamilyOfTheFirstMatchingRow) {
    EXPECT_EQ(ServerTypeOfPair(GetParam().client, GetParam().server), GetParam().family);
}

INSTANTIATE_TEST_SUITE_P(Pairs, PairTest, ::testing::ValuesIn(kPairRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(VersionRules, FamiliesKeepTheirOrdinals) {
    EXPECT_EQ(static_cast<int>(UnknownServer), 0);
    EXPECT_EQ(static_cast<int>(Firebird10), 1);
    EXPECT_EQ(static_cast<int>(Firebird15), 2);
    EXPECT_EQ(static_cast<int>(Firebird25), 3);
    EXPECT_EQ(static_cast<int>(Firebird30), 4);
}

TEST(VersionRules, IsVersion25LooksAtSevenCharacters) {
    EXPECT_TRUE(IsVersion25("WI-V2.5"));
    EXPECT_TRUE(IsVersion25("WI-V2.59"));
    EXPECT_FALSE(IsVersion25("WI-V2"));
    EXPECT_FALSE(IsVersion25(" WI-V2.5"));
    EXPECT_FALSE(IsVersion25("LI-V2.5.9"));
}

TEST(VersionRules, RefusalMessagesAreExact) {
    EXPECT_EQ(ClientRefusalMessage("?"),
              "La version du client Firebird utilisé est inconnue du programme. Par sécurité, aucune connexion à la "
              "base de données ne sera établie.\r\n\r\n?");
    EXPECT_EQ(ServerRefusalMessage("WI-V6.3.0.4290", "WI-V1.5.2.4731 Firebird 1.5"),
              "La version du client Firebird utilisé ne correspond pas à celle du serveur Firebird. Par sécurité, "
              "aucune connexion à la base de données ne sera établie.\r\n\r\nClient : WI-V6.3.0.4290\r\nServer : "
              "WI-V1.5.2.4731 Firebird 1.5");
}

} // namespace

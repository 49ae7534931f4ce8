#include "Common/Interbase/ConnectionString.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct TypeRow {
    const char* name;
    std::string connection;
    TConnectionType expected;
};

const TypeRow kTypeRows[] = {
    {"DrivePath", R"(C:\Base\data.fdb)", ibctLocal},
    {"LowerCaseDrive", R"(d:\x.fdb)", ibctLocal},
    {"HostAndDrivePath", R"(serveur:C:\Base\data.fdb)", ibctTCPIP},
    {"AddressAndDrivePath", R"(192.168.0.10:D:\x.fdb)", ibctTCPIP},
    {"HostPortAndDrivePath", R"(serveur/3051:C:\x.fdb)", ibctTCPIP},
    {"HostAndSlashPath", "serveur:/opt/db/x.fdb", ibctUNIX},
    {"TwoBackslashes", R"(\\serveur\Base\x.fdb)", ibctNetBEUI},
    {"UnixBeforeNetBEUI", R"(\\serveur:/x.fdb)", ibctUNIX},
    {"At", "x.fdb@serveur", ibctNetWare},
    {"NetBEUIBeforeAt", R"(\\a@b\x.fdb)", ibctNetBEUI},
    {"BareFileName", "x.fdb", ibctUnknown},
    {"HostAndAlias", "serveur:base", ibctUnknown},
    {"Empty", "", ibctTCPIP},
    {"DriveWithoutBackslash", "C:x.fdb", ibctUnknown},
    {"ColonThenLaterDrive", R"(ab:cd:\x.fdb)", ibctUnknown},
};

class ConnectionTypeOfTest : public ::testing::TestWithParam<TypeRow> {};

TEST_P(ConnectionTypeOfTest, ClassifiesTheName) {
    EXPECT_EQ(ConnectionTypeOf(GetParam().connection), GetParam().expected) << GetParam().connection;
}

INSTANTIATE_TEST_SUITE_P(Names, ConnectionTypeOfTest, ::testing::ValuesIn(kTypeRows),
                         [](const auto& row) { return std::string(row.param.name); });

struct SplitRow {
    const char* name;
    std::string connection;
    std::string server;
    std::string file;
};

const SplitRow kSplitRows[] = {
    {"Local", R"(C:\Base\data.fdb)", "", R"(C:\Base\data.fdb)"},
    {"TcpIp", R"(serveur:C:\Base\data.fdb)", "serveur", R"(C:\Base\data.fdb)"},
    {"TcpIpWithPort", R"(serveur/3051:C:\x.fdb)", "serveur/3051", R"(C:\x.fdb)"},
    {"TcpIpLongFileCut", "serveur:C:\\" + std::string(300, 'a'), "serveur", "C:\\" + std::string(252, 'a')},
    {"NetBEUI", R"(\\serveur\Base\x.fdb)", R"(\\serveur)", R"(Base\x.fdb)"},
    {"NetBEUIWithoutSeparator", R"(\\serveur)", R"(\\)", "serveur"},
    {"Empty", "", "", ""},
};

class SplitConnectionStringTest : public ::testing::TestWithParam<SplitRow> {};

TEST_P(SplitConnectionStringTest, GivesServerAndFile) {
    std::string server = "old";
    std::string file = "old";
    SplitConnectionString(GetParam().connection, server, file);
    EXPECT_EQ(server, GetParam().server);
    EXPECT_EQ(file, GetParam().file);
}

INSTANTIATE_TEST_SUITE_P(Names, SplitConnectionStringTest, ::testing::ValuesIn(kSplitRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(SplitConnectionString, RefusesTheFormsItCannotSplit) {
    for (const char* name : {"x.fdb", "serveur:/opt/x.fdb", "x@serveur", "serveur:base"}) {
        std::string server;
        std::string file;
        try {
            SplitConnectionString(name, server, file);
            ADD_FAILURE() << name << " was split";
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), "error 0203130939") << name;
        }
    }
}

} // namespace

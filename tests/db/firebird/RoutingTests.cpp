#include "FirebirdTestMachine.h"
#include "firebird/DatabaseError.h"
#include "firebird/Routing.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

enum class Expect { HostPath, Unchanged };

struct RouteRow {
    const char* name;
    const char* windowsName;
    Expect expect;
};

// Host path "<C:>/Data/Db.fdb" for the rows that name this machine's C:\Data\Db.fdb.
const RouteRow RouteRows[] = {
    {"LocalDrive", "C:\\Data\\Db.fdb", Expect::HostPath},
    {"LowerCaseDriveLetter", "c:\\Data\\Db.fdb", Expect::HostPath},
    {"Loopback", "127.0.0.1:C:\\Data\\Db.fdb", Expect::HostPath},
    {"OtherLoopbackAddress", "127.0.0.2:C:\\Data\\Db.fdb", Expect::HostPath},
    {"Localhost", "LOCALHOST:C:\\Data\\Db.fdb", Expect::HostPath},
    {"ComputerNameAnyCase", "quarnel-pc:C:\\Data\\Db.fdb", Expect::HostPath},
    {"OwnAddress", "192.168.10.5:C:\\Data\\Db.fdb", Expect::HostPath},
    {"PortGivenIsReplaced", "127.0.0.1/3051:C:\\Data\\Db.fdb", Expect::HostPath},
    {"OtherHost", "SERVEUR:C:\\Data\\Db.fdb", Expect::Unchanged},
    {"OtherAddress", "192.168.10.6:C:\\Data\\Db.fdb", Expect::Unchanged},
    {"NamedPipes", "\\\\SERVEUR\\C:\\Data\\Db.fdb", Expect::Unchanged},
    {"Alias", "employee", Expect::Unchanged},
};

// A machine of its own (no Firebird root: routing needs none), so that its server never runs.
class RoutingTest : public ::testing::TestWithParam<RouteRow> {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quarnel-route-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        machine.emplace(platform::Machine::Init(folder / "prefix"));
        machine->MutableSettings().ipAddresses = {"192.168.10.5"};
    }
    void TearDown() override { fs::remove_all(folder); }

    fs::path folder;
    std::optional<platform::Machine> machine;
};

TEST_P(RoutingTest, RoutesTheWindowsNameForTheClient) {
    const RouteRow& row = GetParam();
    std::string expected = row.windowsName;
    if (row.expect == Expect::HostPath)
        expected = machine->ToHostPath("C:\\Data\\Db.fdb")->string();
    EXPECT_EQ(fb::RouteDatabaseName(*machine, row.windowsName), expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, RoutingTest, ::testing::ValuesIn(RouteRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(RoutingTest, APathThatNoDriveMapsFailsAsAMissingFile) {
    for (const char* name : {"Z:\\Data\\Db.fdb", "127.0.0.1:Z:\\Db.fdb", "C:\\..\\..\\etc\\passwd",
                             // paths of the host, outside the machine's drives
                             "localhost:/tmp/x.fdb", "127.0.0.1:/tmp/x.fdb", "quarnel-pc:tmp/x.fdb", "/tmp/x.fdb",
                             "//tmp/x.fdb", "Data/x.fdb", "Data\\x.fdb"}) {
        try {
            fb::RouteDatabaseName(*machine, name);
            ADD_FAILURE() << name << " was routed";
        } catch (const fb::DatabaseError& e) {
            EXPECT_EQ(e.FbCode(), 335544344) << name; // isc_io_error
        }
    }
}

TEST_F(RoutingTest, ServiceManagersFollowTheSameRule) {
    EXPECT_EQ(fb::RouteServiceManager(*machine, "service_mgr"), "service_mgr");
    EXPECT_EQ(fb::RouteServiceManager(*machine, "127.0.0.1:service_mgr"), "service_mgr");
    EXPECT_EQ(fb::RouteServiceManager(*machine, "SERVEUR:service_mgr"), "SERVEUR:service_mgr");
    EXPECT_EQ(fb::MapServerPath(*machine, "C:\\Data\\Db.fdb"), machine->ToHostPath("C:\\Data\\Db.fdb")->string());
    EXPECT_EQ(fb::MapServerPath(*machine, "employee"), "employee"); // an alias of the server
    EXPECT_EQ(fb::MapServerFilePath(*machine, "C:\\Data\\Db.fbk"), machine->ToHostPath("C:\\Data\\Db.fbk")->string());
    // A file of the host outside the machine's drives is refused like a path that climbs out of its drive.
    for (const char* path : {"/srv/db.fdb", "srv/db.fdb", "C:\\..\\..\\srv\\db.fdb"})
        EXPECT_THROW(fb::MapServerPath(*machine, path), fb::DatabaseError) << path;
    for (const char* path : {"/srv/db.fbk", "db.fbk", "employee", "C:\\..\\..\\srv\\db.fbk"})
        EXPECT_THROW(fb::MapServerFilePath(*machine, path), fb::DatabaseError) << path;
}

TEST(RoutingWithServerTest, NamesForThisMachineGoToItsRunningServer) {
    const platform::Machine& machine = fbtest::TestMachine();
    std::uint16_t port = fbtest::ServerPort();
    std::string host = machine.ToHostPath("C:\\Data\\Db.fdb")->string();
    std::string server = "127.0.0.1/" + std::to_string(port) + ":";
    EXPECT_EQ(fb::RouteDatabaseName(machine, "127.0.0.1:C:\\Data\\Db.fdb"), server + host);
    EXPECT_EQ(fb::RouteDatabaseName(machine, machine.Settings().computerName + ":C:\\Data\\Db.fdb"), server + host);
    EXPECT_EQ(fb::RouteDatabaseName(machine, "C:\\Data\\Db.fdb"), host); // drive paths stay embedded
    EXPECT_EQ(fb::RouteServiceManager(machine, "localhost:service_mgr"), server + "service_mgr");
    EXPECT_EQ(fb::RouteServiceManager(machine, "service_mgr"), "service_mgr");
}

} // namespace

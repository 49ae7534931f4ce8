#include "FirebirdTestMachine.h"
#include "files/HostFile.h"
#include "firebird/FirebirdRoot.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

namespace fs = std::filesystem;

using testsupport::ReadBytes;

TEST(FirebirdRootTest, HoldsTheConfigurationOfSharedLocksLoopbackAndRestrictedUdfs) {
    fs::path root = fbtest::TestMachine().FirebirdRoot();
    std::string conf = ReadBytes(root / "firebird.conf");
    for (const std::string& line :
         {std::string("ServerMode = SuperClassic\n"), std::string("RemoteBindAddress = 127.0.0.1\n"),
          "SecurityDatabase = " + (root / "security3.fdb").string() + "\n",
          "UdfAccess = Restrict " + (root / "udf").string() + "\n"})
        EXPECT_NE(conf.find(line), std::string::npos) << line;
}

TEST(FirebirdRootTest, HoldsRealCopiesOfTheLibraries) {
    fs::path root = fbtest::TestMachine().FirebirdRoot();
    const std::pair<fs::path, fs::path> copies[] = {
        {root / "intl" / "libfbintl.so", "/usr/lib/x86_64-linux-gnu/firebird/3.0/intl/libfbintl.so"},
        {root / "lib" / "libib_util.so", "/usr/lib/x86_64-linux-gnu/libib_util.so"},
        {root / "udf" / "ib_udf.dll", "/usr/lib/x86_64-linux-gnu/firebird/3.0/UDF/ib_udf.so"},
        {root / "udf" / "kx_udf.dll", fb::KxUdfLibrary()},
    };
    for (const auto& [copy, source] : copies) {
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(copy))) << copy;
        EXPECT_EQ(ReadBytes(copy), ReadBytes(source)) << copy;
    }
}

TEST(FirebirdRootTest, SecurityDatabaseHoldsTheSystemsUsers) {
    fs::path security = fbtest::TestMachine().FirebirdRoot() / "security3.fdb";
    fb::Attachment database;
    database.SetHostPathNames(true);
    database.SetDatabaseName(security.string());
    database.Params() = {"user_name=SYSDBA"};
    database.Open();
    const std::vector<std::string> users =
        testsupport::Column(database, "SELECT TRIM(SEC$USER_NAME) FROM SEC$USERS ORDER BY 1");
    EXPECT_EQ(users, (std::vector<std::string>{"PUBLIC_READER", "PUBLIC_READER_WRITER", "QUARNEL"}));
}

TEST(FirebirdRootTest, InitAgainKeepsTheSecurityDatabase) {
    const platform::Machine& machine = fbtest::TestMachine();
    fs::path security = machine.FirebirdRoot() / "security3.fdb";
    auto before = fs::last_write_time(security);
    fb::InitFirebirdRoot(machine);
    EXPECT_EQ(fs::last_write_time(security), before);
    EXPECT_TRUE(fb::FirebirdRootExists(machine));
}

TEST(FirebirdRootTest, TheClientServesOneRootPerProcess) {
    const platform::Machine& machine = fbtest::TestMachine();
    fb::SetFirebirdEnvironment(machine); // the same root again: nothing changes
    EXPECT_EQ(std::string(std::getenv("FIREBIRD")), machine.FirebirdRoot().string());
    EXPECT_EQ(std::string(std::getenv("FIREBIRD_LOCK")), (machine.FirebirdRoot() / "lock").string());
    EXPECT_EQ(std::string(std::getenv("FIREBIRD_TMP")), (machine.FirebirdRoot() / "tmp").string());
    fs::path other = fs::path(machine.Prefix()).parent_path() / "other";
    platform::Machine second = platform::Machine::Init(other);
    EXPECT_THROW(fb::SetFirebirdEnvironment(second), std::runtime_error);
    EXPECT_THROW(fb::InitFirebirdRoot(second), std::runtime_error); // its security database needs the engine
}

} // namespace

#include "FirebirdTestMachine.h"
#include "firebird/DatabaseError.h"
#include "firebird/FirebirdApi.h"
#include "firebird/FirebirdRoot.h"
#include "firebird/Query.h"
#include "firebird/Routing.h"
#include "firebird/Server.h"
#include "firebird/Service.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// The child of SeveralProcessesShareOneDatabase: inserts a row with its own embedded engine.
int RunInsertHelperIfAsked() {
    const char* database = std::getenv("QUARNEL_FB_TEST_INSERT_INTO");
    if (!database)
        return 0;
    int code = 0;
    try {
        fb::Attachment attachment;
        attachment.SetDatabaseName(database);
        attachment.Params() = fbtest::QuarnelLogin();
        attachment.Open();
        fbtest::Execute(attachment, "INSERT INTO T VALUES (3)");
        attachment.Close();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "helper: %s\n", e.what());
        code = 1;
    }
    fb::ClientShutdown();
    std::exit(code);
}
[[maybe_unused]] const int helperRan = RunInsertHelperIfAsked();

std::unique_ptr<fb::Attachment> OpenThroughServer(const std::string& windowsPath, const std::string& user,
                                                  const std::string& password) {
    auto attachment = std::make_unique<fb::Attachment>();
    attachment->SetDatabaseName("127.0.0.1:" + windowsPath);
    attachment->Params() = {"user_name=" + user, "password=" + password, "lc_ctype=ISO8859_1"};
    attachment->Open();
    return attachment;
}

std::vector<int> Ids(fb::Attachment& database) {
    fb::Transaction transaction;
    transaction.SetDefaultDatabase(&database);
    transaction.StartTransaction();
    fb::Query query;
    query.SetTransaction(&transaction);
    query.SetText("SELECT ID FROM T ORDER BY ID");
    std::vector<int> ids;
    for (query.Open(); !query.Eof(); query.Next())
        ids.push_back(query.Fields(0).AsInteger());
    query.Close();
    transaction.Commit();
    return ids;
}

bool ListeningOnLoopbackOnly(std::uint16_t port) {
    std::ifstream tcp("/proc/net/tcp");
    std::string line;
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, ":%04X", port);
    bool loopback = false;
    bool other = false;
    while (std::getline(tcp, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (state == "0A" && local.ends_with(suffix))
            (local.starts_with("0100007F") ? loopback : other) = true;
    }
    return loopback && !other;
}

TEST(ServerTest, StartsOnAFreeLoopbackPortAndReportsItsStatus) {
    const platform::Machine& machine = fbtest::TestMachine();
    std::uint16_t port = fbtest::ServerPort();
    EXPECT_TRUE(ListeningOnLoopbackOnly(port));
    EXPECT_EQ(fb::RunningServerPort(machine), port);
    fb::ServerState again = fb::StartServer(machine); // a running server stays as it is
    EXPECT_EQ(again.port, port);
    std::ostringstream out, err;
    std::vector<std::string> status{"status"};
    EXPECT_EQ(fb::RunFirebirdCommand(machine, status, out, err), 0);
    EXPECT_NE(out.str().find("127.0.0.1:" + std::to_string(port)), std::string::npos) << out.str();
    auto read = [](const fs::path& path) {
        std::ifstream file(path);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    };
    EXPECT_NE(
        read(machine.FirebirdRoot() / "server" / "firebird.conf").find("RemoteServicePort = " + std::to_string(port)),
        std::string::npos);
    // The clients' configuration keeps the standard port for other hosts.
    EXPECT_EQ(read(machine.FirebirdRoot() / "firebird.conf").find("RemoteServicePort"), std::string::npos);
}

TEST(ServerTest, StopThenStartFromTheCommand) {
    const platform::Machine& machine = fbtest::TestMachine();
    fbtest::ServerPort();
    std::ostringstream out, err;
    std::vector<std::string> stop{"stop"}, status{"status"}, start{"start"};
    EXPECT_EQ(fb::RunFirebirdCommand(machine, stop, out, err), 0);
    EXPECT_EQ(fb::RunFirebirdCommand(machine, status, out, err), 3);
    EXPECT_FALSE(fb::RunningServerPort(machine));
    EXPECT_EQ(fb::RunFirebirdCommand(machine, stop, out, err), 0); // stopping a stopped server
    EXPECT_EQ(fb::RunFirebirdCommand(machine, start, out, err), 0);
    ASSERT_TRUE(fb::RunningServerPort(machine));
    EXPECT_TRUE(ListeningOnLoopbackOnly(*fb::RunningServerPort(machine)));
    EXPECT_EQ(err.str(), "");
}

TEST(ServerTest, RefusesOtherCommands) {
    std::ostringstream out, err;
    std::vector<std::string> restart{"restart"}, none;
    EXPECT_EQ(fb::RunFirebirdCommand(fbtest::TestMachine(), restart, out, err), 64);
    EXPECT_EQ(fb::RunFirebirdCommand(fbtest::TestMachine(), none, out, err), 64);
    EXPECT_NE(err.str().find("Utilisation : quarnel-machine firebird start|stop|status"), std::string::npos);
}

TEST(ServerTest, KnowsTheSystemsUsersAndRefusesWrongPasswords) {
    std::string path;
    fbtest::CreateTestDatabase("logins", &path)->Close();
    fbtest::ServerPort();
    for (const fb::FirebirdUser& user : fb::FirebirdUsers) {
        auto attachment = OpenThroughServer(path, user.name, user.password);
        EXPECT_EQ(attachment->ClientName().rfind("127.0.0.1/", 0), 0u) << attachment->ClientName();
        attachment->Close();
    }
    try {
        OpenThroughServer(path, "QUARNEL", "5820417396");
        FAIL() << "the server took a wrong password";
    } catch (const fb::DatabaseError& e) {
        EXPECT_EQ(e.FbCode(), fb::FbLoginRefused);
    }
}

TEST(ServerTest, RefusesToCreateADatabase) {
    fbtest::ServerPort();
    fb::Attachment database;
    try {
        database.ExecuteCreateDatabase("CREATE DATABASE '127.0.0.1:C:\\Data\\through_server.fdb' USER 'QUARNEL' "
                                       "PASSWORD '5820417396' PAGE_SIZE 4096 DEFAULT CHARACTER SET ISO8859_1");
        FAIL() << "the server created a database";
    } catch (const fb::DatabaseError& e) {
        EXPECT_EQ(e.FbCode(), fb::FbLoginRefused);
    }
    EXPECT_FALSE(database.Connected());
    EXPECT_FALSE(fs::exists(*fbtest::TestMachine().ToHostPath("C:\\Data\\through_server.fdb")));
}

TEST(ServerTest, SeveralProcessesShareOneDatabase) {
    std::string path;
    auto embedded = fbtest::CreateTestDatabase("shared", &path);
    fbtest::Execute(*embedded, "CREATE TABLE T (ID INTEGER)");
    fbtest::Execute(*embedded, "INSERT INTO T VALUES (1)");
    fbtest::ServerPort();
    auto remote = OpenThroughServer(path, "QUARNEL", "73914682");
    fbtest::Execute(*remote, "INSERT INTO T VALUES (2)");
    EXPECT_EQ(Ids(*embedded), (std::vector<int>{1, 2}));

    // A third process, with an embedded engine of its own, while both attachments stay open.
    std::string self = fs::read_symlink("/proc/self/exe").string();
    std::string prefix = "QUARNEL_PREFIX=" + fbtest::TestMachine().Prefix().string();
    std::string target = "QUARNEL_FB_TEST_INSERT_INTO=" + path;
    std::vector<std::string> env{prefix, target};
    for (char** entry = environ; *entry; ++entry)
        env.emplace_back(*entry);
    std::vector<char*> envp;
    for (std::string& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string filter = "--gtest_filter=NoTest";
    char* argv[] = {self.data(), filter.data(), nullptr};
    pid_t child = 0;
    ASSERT_EQ(::posix_spawn(&child, self.c_str(), nullptr, nullptr, argv, envp.data()), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    EXPECT_EQ(Ids(*remote), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Ids(*embedded), (std::vector<int>{1, 2, 3}));
    auto users = embedded->AttachedUserNames();
    EXPECT_EQ(users.size(), 2u); // the child has detached
}

TEST(ServerTest, LostConnectionsCloseWithoutErrors) {
    std::string path;
    auto creator = fbtest::CreateTestDatabase("lost", &path);
    fbtest::Execute(*creator, "CREATE TABLE T (ID INTEGER)");
    fbtest::Execute(*creator, "INSERT INTO T VALUES (1)");
    creator->Close();
    const platform::Machine& machine = fbtest::TestMachine();
    fbtest::ServerPort();
    auto remote = OpenThroughServer(path, "QUARNEL", "73914682");
    fb::Transaction transaction;
    transaction.SetDefaultDatabase(remote.get());
    transaction.StartTransaction();
    fb::Query query;
    query.SetTransaction(&transaction);
    query.SetText("SELECT ID FROM T");
    query.Open();
    fb::StopServer(machine);
    try {
        transaction.Rollback();
    } catch (const fb::DatabaseError& e) {
        EXPECT_EQ(e.FbCode(), fb::FbNetworkError) << e.what();
    }
    EXPECT_FALSE(transaction.InTransaction());
    query.Close();
    remote->ForceClose();
    EXPECT_FALSE(remote->Connected());
    fbtest::ServerPort(); // back for the other tests
}

TEST(ServiceTest, AnswersEmbeddedAndThroughTheServer) {
    std::string path;
    fbtest::CreateTestDatabase("service", &path)->Close();
    for (const char* server : {"", "127.0.0.1"}) {
        if (*server)
            fbtest::ServerPort();
        fb::Service service;
        service.SetServerName(server);
        service.SetLogin("QUARNEL", "73914682");
        service.Attach();
        EXPECT_TRUE(service.QueryText(isc_info_svc_server_version).starts_with("LI-V3.0.")) << server;
        EXPECT_EQ(service.QueryInt(isc_info_svc_version), 2) << server;
        service.Start(isc_action_svc_db_stats,
                      {fb::ServiceItem::String(isc_spb_dbname, fb::MapServerPath(fbtest::TestMachine(), path)),
                       fb::ServiceItem::Int(isc_spb_options, isc_spb_sts_hdr_pages)});
        auto lines = service.ReadLines();
        bool header = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
            return line.find("Database header page information") != std::string::npos;
        });
        EXPECT_TRUE(header) << server << ": " << lines.size() << " lines";
        service.Detach();
        EXPECT_FALSE(service.Active());
    }
}

std::vector<std::string> HeaderLines(const std::string& hostPath) {
    fb::Service service;
    service.SetLogin("QUARNEL", "73914682");
    service.Attach();
    service.Start(isc_action_svc_db_stats, {fb::ServiceItem::String(isc_spb_dbname, hostPath),
                                            fb::ServiceItem::Int(isc_spb_options, isc_spb_sts_hdr_pages)});
    return service.ReadLines();
}

bool HasLine(const std::vector<std::string>& lines, const std::string& part) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(part) != std::string::npos; });
}

TEST(ServiceTest, SetsPropertiesAndBacksUpWithVerboseOutput) {
    std::string path;
    fbtest::CreateTestDatabase("properties", &path)->Close();
    std::string host = fb::MapServerPath(fbtest::TestMachine(), path);
    EXPECT_TRUE(HasLine(HeaderLines(host), "force write")); // a new database writes synchronously
    fb::Service service;
    service.SetLogin("QUARNEL", "73914682");
    service.Attach();
    service.Start(isc_action_svc_properties, {fb::ServiceItem::String(isc_spb_dbname, host),
                                              fb::ServiceItem::Byte(isc_spb_prp_write_mode, isc_spb_prp_wm_async)});
    service.ReadLines();
    service.Start(isc_action_svc_properties, {fb::ServiceItem::String(isc_spb_dbname, host),
                                              fb::ServiceItem::Int(isc_spb_prp_sweep_interval, 1234)});
    service.ReadLines();
    auto header = HeaderLines(host);
    auto sweep = std::find_if(header.begin(), header.end(),
                              [](const std::string& line) { return line.find("Sweep interval") != std::string::npos; });
    ASSERT_NE(sweep, header.end());
    EXPECT_NE(sweep->find("1234"), std::string::npos) << *sweep;
    EXPECT_FALSE(HasLine(header, "force write"));

    std::string backup = host + ".fbk";
    service.Start(isc_action_svc_backup,
                  {fb::ServiceItem::String(isc_spb_dbname, host), fb::ServiceItem::String(isc_spb_bkp_file, backup),
                   fb::ServiceItem::Flag(isc_spb_verbose),
                   fb::ServiceItem::Int(isc_spb_options, isc_spb_bkp_ignore_limbo | isc_spb_bkp_no_garbage_collect |
                                                             isc_spb_bkp_non_transportable)});
    auto lines = service.ReadLines();
    EXPECT_GT(lines.size(), 20u);
    EXPECT_TRUE(HasLine(lines, "closing file, committing, and finishing"));
    EXPECT_TRUE(fs::is_regular_file(backup));
}

TEST(ServiceTest, WrongPasswordThroughTheServerIsALoginError) {
    fbtest::ServerPort();
    fb::Service service;
    service.SetServerName(fbtest::TestMachine().Settings().computerName);
    service.SetLogin("QUARNEL", "wrong");
    try {
        service.Attach();
        FAIL() << "attached with a wrong password";
    } catch (const fb::DatabaseError& e) {
        EXPECT_EQ(e.FbCode(), fb::FbLoginRefused);
    }
}

} // namespace

#include "firebird/FirebirdRoot.h"

#include "firebird/Attachment.h"
#include "firebird/SqlText.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/machine/RegularFiles.h"
#include "platform/machine/WholeFile.h"

#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <unistd.h>

namespace fb {

namespace fs = std::filesystem;

namespace {

const fs::path DebianFirebird = "/usr/lib/x86_64-linux-gnu/firebird/3.0";
const fs::path DebianLibraries = "/usr/lib/x86_64-linux-gnu";

std::mutex environmentMutex;
std::optional<fs::path> environmentRoot;

void CopyInto(const fs::path& source, const fs::path& target) {
    fs::create_directories(target.parent_path());
    // Real copies, not links: the root must not change when the host's packages do. A new file
    // renamed over the old one (the one whole-file write): a running engine may have the old one mapped.
    constexpr std::uint64_t kLargestLibrary = 256 << 20;
    platform::WriteWholeFile(target, platform::ReadRegularInput(source, kLargestLibrary));
}

void CreateSecurityDatabase(const fs::path& root) {
    fs::path security = root / "security3.fdb";
    Attachment database;
    // The embedded engine does not check the creator's password.
    database.SetHostPathNames(true);
    database.ExecuteCreateDatabase("CREATE DATABASE " + SqlLiteral(security.string()) + " USER 'SYSDBA'");
    Transaction transaction;
    transaction.SetDefaultDatabase(&database);
    transaction.StartTransaction();
    Statement statement;
    statement.SetTransaction(&transaction);
    statement.SetParamCheck(false);
    for (const FirebirdUser& user : FirebirdUsers) {
        statement.SetText(std::string("CREATE USER ") + user.name + " PASSWORD '" + user.password + "'");
        statement.ExecQuery();
    }
    transaction.Commit();
    database.Close();
}

} // namespace

fs::path KxUdfLibrary() {
    if (const char* overridden = std::getenv("QUARNEL_KX_UDF"); overridden && *overridden)
        return overridden;
#ifdef QUARNEL_KX_UDF_PATH
    return QUARNEL_KX_UDF_PATH;
#else
    return fs::read_symlink("/proc/self/exe").parent_path() / "kx_udf.so";
#endif
}

bool FirebirdRootExists(const platform::Machine& machine) {
    fs::path root = machine.FirebirdRoot();
    return fs::exists(root / "firebird.conf") && fs::exists(root / "security3.fdb");
}

namespace {

std::string ConfText(const platform::Machine& machine, std::optional<std::uint16_t> port) {
    fs::path root = machine.FirebirdRoot();
    std::string conf = "# Firebird root of the machine " + machine.Prefix().string() +
                       ", written by quarnel-machine.\n"
                       "# Shared locks: the embedded engines of several processes and the server\n"
                       "# open the same database at once.\n"
                       "ServerMode = SuperClassic\n"
                       "RemoteBindAddress = 127.0.0.1\n";
    if (port)
        conf += "RemoteServicePort = " + std::to_string(*port) + "\n";
    conf += "SecurityDatabase = " + (root / "security3.fdb").string() + "\n";
    conf += "UdfAccess = Restrict " + (root / "udf").string() + "\n";
    conf += "AuthServer = Srp\nUserManager = Srp\nWireCrypt = Enabled\n";
    return conf;
}

} // namespace

void WriteFirebirdConf(const platform::Machine& machine) {
    platform::WriteWholeFile(machine.FirebirdRoot() / "firebird.conf", ConfText(machine, std::nullopt));
}

fs::path WriteServerConf(const platform::Machine& machine, std::uint16_t port) {
    // The port lives in the server's own configuration: in the root's it would also become the
    // clients' default port for every other host.
    fs::path root = machine.FirebirdRoot();
    fs::path server = root / "server";
    fs::create_directories(server);
    // The engine looks for its messages, character sets and ib_util below its root, and refuses
    // a character-set library reached through a link: the server's root has copies too.
    for (const char* entry : {"firebird.msg", "intl/libfbintl.so", "intl/fbintl.conf", "lib/libib_util.so"})
        if (!fs::exists(server / entry))
            CopyInto(root / entry, server / entry);
    platform::WriteWholeFile(server / "firebird.conf", ConfText(machine, port));
    return server;
}

void InitFirebirdRoot(const platform::Machine& machine) {
    fs::path root = machine.FirebirdRoot();
    for (const char* folder : {"", "intl", "lib", "udf", "lock", "tmp"})
        fs::create_directories(root / folder);
    fs::path udf = KxUdfLibrary();
    if (!fs::exists(udf))
        throw std::runtime_error("bibliothèque de fonctions serveur introuvable : " + udf.string());
    CopyInto(DebianFirebird / "firebird.msg", root / "firebird.msg");
    CopyInto(DebianFirebird / "intl" / "libfbintl.so", root / "intl" / "libfbintl.so");
    CopyInto(DebianFirebird / "intl" / "fbintl.conf", root / "intl" / "fbintl.conf");
    CopyInto(DebianLibraries / "libib_util.so", root / "lib" / "libib_util.so");
    CopyInto(DebianFirebird / "UDF" / "ib_udf.so", root / "udf" / "ib_udf.dll");
    CopyInto(udf, root / "udf" / "kx_udf.dll");
    if (!fs::exists(root / "firebird.conf"))
        WriteFirebirdConf(machine);
    if (!fs::exists(root / "security3.fdb")) {
        SetFirebirdEnvironment(machine);
        CreateSecurityDatabase(root);
    }
}

void SetFirebirdEnvironment(const platform::Machine& machine) {
    std::lock_guard lock(environmentMutex);
    fs::path root = machine.FirebirdRoot();
    if (environmentRoot) {
        if (*environmentRoot != root)
            throw std::runtime_error("le client Firebird de ce processus sert déjà " + environmentRoot->string());
        return;
    }
    fs::create_directories(root / "lock");
    fs::create_directories(root / "tmp");
    ::setenv("FIREBIRD", root.c_str(), 1);
    ::setenv("FIREBIRD_LOCK", (root / "lock").c_str(), 1);
    ::setenv("FIREBIRD_TMP", (root / "tmp").c_str(), 1);
    environmentRoot = root;
}

bool FirebirdEnvironmentSet() {
    std::lock_guard lock(environmentMutex);
    return environmentRoot.has_value();
}

void EnsureFirebirdEnvironment(const platform::Machine& machine) {
    {
        std::lock_guard lock(environmentMutex);
        if (environmentRoot)
            return;
    }
    SetFirebirdEnvironment(machine);
}

} // namespace fb

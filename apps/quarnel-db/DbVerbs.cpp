#include "DbVerbs.h"

#include "Common/Interbase/dmDBConnectionUnit.h"
#include "DatabasePaths.h"
#include "firebird/Routing.h"
#include "platform/machine/Machine.h"
#include "platform/text/Text.h"

#include <charconv>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>

namespace quarnel_db {

namespace {

constexpr const char* kClientShortName = "quarnel-db";

// The options "--name value" of `args`; any other word is a usage error unless `positional`
// takes it.
std::map<std::string, std::string> Options(std::span<const std::string> args, std::vector<std::string>* positional) {
    std::map<std::string, std::string> options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.starts_with("--")) {
            if (i + 1 >= args.size())
                throw UsageError("l'option " + arg + " attend une valeur");
            options[arg.substr(2)] = args[++i];
        } else if (positional) {
            positional->push_back(arg);
        } else {
            throw UsageError("argument inattendu : " + arg);
        }
    }
    return options;
}

std::int32_t Number(const std::string& text, const std::string& what) {
    std::int32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        throw UsageError(what + " doit être un nombre entier : " + text);
    return value;
}

} // namespace

std::int32_t NonNegativeNumber(const std::string& text, const std::string& what) {
    const std::int32_t value = Number(text, what);
    if (value < 0)
        throw UsageError(what + " doit être un nombre entier positif ou nul : " + text);
    return value;
}

namespace {

std::string Required(const std::map<std::string, std::string>& options, const std::string& name) {
    auto found = options.find(name);
    if (found == options.end())
        throw UsageError("l'option --" + name + " est obligatoire");
    return found->second;
}

void ExpectArguments(std::span<const std::string> args, std::size_t count, const char* usage) {
    if (args.size() != count)
        throw UsageError(std::string("utilisation : quarnel-db BASE ") + usage);
}

// A module on the database with the maker's account.
std::unique_ptr<TdmDBConnection> Module(const Context& context) {
    auto module = std::make_unique<TdmDBConnection>();
    module->SetShortClientName(kClientShortName);
    module->SetParams(context.database, TdmDBConnection::kQuarnelUser, "", TdmDBConnection::kQuarnelPassword);
    return module;
}

// Attached after the version rules, expecting what the database holds.
std::unique_ptr<TdmDBConnection> Attached(const Context& context) {
    auto module = Module(context);
    std::string identifier;
    std::int32_t version = 0;
    module->GetDBVersion(identifier, version);
    module->Init(version, identifier, "", kClientShortName);
    return module;
}

int Create(const Context& context, std::span<const std::string> args) {
    const auto options = Options(args, nullptr);
    const std::string identifier = Required(options, "id");
    const std::int32_t version = NonNegativeNumber(Required(options, "version"), "--version");
    auto module = Module(context);
    // The embedded engine creates the database: the server refuses the creation's login.
    std::string name = context.database;
    if (ConnectionTypeOf(name) == ibctTCPIP) {
        std::string server;
        std::string file;
        SplitConnectionString(context.database, server, file);
        if (fb::IsThisMachine(platform::Machine::Current(), server))
            name = file;
    }
    module->Init(version, identifier, "", kClientShortName);
    module->SetParams(name, TdmDBConnection::kQuarnelUser, "", TdmDBConnection::kQuarnelPassword);
    module->CreateDatabase();
    module->Disconnect();
    context.out << "Base de données créée : " << identifier << " version " << version << "\n";
    return kExitOk;
}

int Version(const Context& context, std::span<const std::string> args) {
    ExpectArguments(args, 0, "version");
    auto module = Module(context);
    std::string identifier;
    std::int32_t version = 0;
    module->GetDBVersion(identifier, version);
    module->Disconnect();
    context.out << identifier << " " << version << "\n";
    return kExitOk;
}

int Test(const Context& context, std::span<const std::string> args) {
    const auto options = Options(args, nullptr);
    const std::string identifier = Required(options, "id");
    const std::int32_t version =
        options.contains("version") ? NonNegativeNumber(options.at("version"), "--version") : 0;
    return TdmDBConnection::TestDbConnection(identifier, context.database, version, true) ? kExitOk : kExitFailed;
}

int Backup(const Context& context, std::span<const std::string> args) {
    ExpectArguments(args, 1, "backup FICHIER");
    RequireFileOnADrive(args[0]);
    auto module = Module(context);
    std::vector<std::string> errors;
    module->DoBackup(
        args[0], [&](TdmDBConnection*, const std::string& line) { context.out << line << "\n"; }, errors);
    return errors.empty() ? kExitOk : kExitFailed;
}

int Sweep(const Context& context, std::span<const std::string> args) {
    ExpectArguments(args, 0, "sweep");
    auto module = Module(context);
    std::vector<std::string> lines;
    module->SweepDatabase(lines);
    for (const std::string& line : lines)
        context.out << line << "\n";
    return kExitOk;
}

int SweepInterval(const Context& context, std::span<const std::string> args) {
    ExpectArguments(args, 1, "sweep-interval N");
    const std::int32_t value = NonNegativeNumber(args[0], "N");
    Module(context)->SetSweepInterval(value);
    return kExitOk;
}

int ForcedWrites(const Context& context, std::span<const std::string> args) {
    ExpectArguments(args, 1, "forced-writes on|off");
    if (args[0] != "on" && args[0] != "off")
        throw UsageError("forced-writes attend on ou off");
    Module(context)->SetForcedWrites(args[0] == "on");
    return kExitOk;
}

int Header(const Context& context, std::span<const std::string> args) {
    ExpectArguments(args, 0, "header");
    std::vector<std::string> lines;
    Module(context)->GetDBHeaderInfo(lines);
    for (const std::string& line : lines)
        context.out << line << "\n";
    return kExitOk;
}

int Statistics(const Context& context, std::span<const std::string> args) {
    ExpectArguments(args, 0, "statistics");
    auto module = Attached(context);
    module->SetStatistics();
    module->Disconnect();
    return kExitOk;
}

// The lines of a text file: CR LF or LF ends a line; texts that are not UTF-8 are read as the
// machine's ANSI code page (1252).
std::vector<std::string> ReadLines(const std::string& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    if (!file)
        throw std::runtime_error("Fichier \"" + fileName + "\" pas trouvé");
    std::stringstream content;
    content << file.rdbuf();
    std::string text = content.str();
    if (!platform::text::IsValidUtf8(text))
        text = platform::text::Cp1252ToUtf8(text);
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

int Script(const Context& context, std::span<const std::string> args) {
    std::vector<std::string> positional;
    const auto options = Options(args, &positional);
    if (positional.size() != 1)
        throw UsageError("utilisation : quarnel-db BASE script FICHIER --id ID --min N --max N");
    const std::string identifier = Required(options, "id");
    const std::int32_t vmin = Number(Required(options, "min"), "--min");
    const std::int32_t vmax = Number(Required(options, "max"), "--max");
    const std::vector<std::string> lines = ReadLines(positional[0]);
    auto module = Attached(context);
    module->ExecuteCommands(lines, identifier, vmin, vmax, 0);
    context.out << "Commandes exécutées.\n";
    return kExitOk;
}

int Users(const Context& context, std::span<const std::string> args) {
    ExpectArguments(args, 0, "users");
    auto module = Attached(context);
    std::vector<std::string> users;
    module->GetUserList(users);
    module->Disconnect();
    for (const std::string& user : users)
        context.out << user << "\n";
    return kExitOk;
}

} // namespace

Verb FindVerb(const std::string& name) {
    static const std::map<std::string, Verb> verbs = {
        {"create", Create},
        {"version", Version},
        {"test", Test},
        {"backup", Backup},
        {"sweep", Sweep},
        {"sweep-interval", SweepInterval},
        {"forced-writes", ForcedWrites},
        {"header", Header},
        {"statistics", Statistics},
        {"script", Script},
        {"users", Users},
        {"print-tables", PrintTables},
    };
    auto found = verbs.find(name);
    return found == verbs.end() ? Verb() : found->second;
}

} // namespace quarnel_db

// The Firebird client of the user's installation, loaded at first need (Windows): no client is
// linked into the programs, so that they start, and do all that needs no database, on a machine
// without Firebird.
#include "firebird/ClientLibrary.h"
#include "firebird/DatabaseError.h"
#include "platform/machine/CurrentProcess.h"
#include "platform/machine/Machine.h"
#include "platform/machine/SharedLibrary.h"

#include <mutex>
#include <optional>

namespace fb::client {

namespace {

// The SQL code of an unavailable database: the step fails as with a server that does not answer.
constexpr int kUnavailableSqlCode = -904;

std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

struct EntryPoints {
    platform::SharedLibrary library;
    decltype(&Firebird::fb_get_master_interface) master = nullptr;
    decltype(&isc_sqlcode) sqlCode = nullptr;
    decltype(&isc_portable_integer) portableInteger = nullptr;
    decltype(&fb_interpret) interpret = nullptr;
    decltype(&isc_get_client_version) clientVersion = nullptr;
    decltype(&fb_shutdown) shutdown = nullptr;

    bool Complete() const { return master && sqlCode && portableInteger && interpret && clientVersion && shutdown; }
};

template <typename Pointer> void Take(const platform::SharedLibrary& library, const char* name, Pointer& entry) {
    entry = reinterpret_cast<Pointer>(library.Symbol(name));
}

// Loads the first client found; the reason it cannot be used otherwise.
struct LoadedClient {
    std::optional<EntryPoints> entries;
    std::string failure;
};

LoadedClient Load() {
    LoadedClient loaded;
    const platform::Machine& machine = platform::Machine::Current();
    const std::string programFolder = Utf8(platform::CurrentProgramFile().parent_path());
    for (const char* name : kLibraryNames) {
        const auto found = machine.FindLibrary(name, programFolder);
        if (!found)
            continue;
        EntryPoints entries;
        entries.library = platform::SharedLibrary(PathOf(*found));
        if (!entries.library.Loaded()) {
            loaded.failure =
                "Le client Firebird \"" + *found + "\" n'a pas pu être chargé (" + entries.library.LoadError() + ").";
            return loaded;
        }
        // Each entry point with the type Firebird's headers declare it with.
        Take(entries.library, "fb_get_master_interface", entries.master);
        Take(entries.library, "isc_sqlcode", entries.sqlCode);
        Take(entries.library, "isc_portable_integer", entries.portableInteger);
        Take(entries.library, "fb_interpret", entries.interpret);
        Take(entries.library, "isc_get_client_version", entries.clientVersion);
        Take(entries.library, "fb_shutdown", entries.shutdown);
        if (!entries.Complete()) {
            loaded.failure = "Le client Firebird \"" + *found +
                             "\" n'est pas utilisable : il n'offre pas l'interface de Firebird 3.";
            return loaded;
        }
        loaded.entries = std::move(entries);
        return loaded;
    }
    loaded.failure = MissingClientMessage();
    return loaded;
}

std::mutex loadLock;
std::optional<LoadedClient> client; // loaded once: the machine's client does not change under the run

const EntryPoints& Entries() {
    std::lock_guard lock(loadLock);
    if (!client)
        client = Load();
    if (!client->entries)
        throw DatabaseError(kUnavailableSqlCode, 0, client->failure);
    return *client->entries;
}

} // namespace

std::string MissingClientMessage() {
    return "Le client Firebird est introuvable : ni fbclient.dll ni gds32.dll ne se trouve dans le dossier du "
           "programme, le dossier système, le dossier de Windows ou le PATH. Installez le client Firebird sur ce "
           "poste.";
}

Firebird::IMaster* MasterInterface() {
    return Entries().master();
}

ISC_LONG SqlCode(const ISC_STATUS* status) {
    return Entries().sqlCode(status);
}

ISC_INT64 PortableInteger(const ISC_UCHAR* bytes, short length) {
    return Entries().portableInteger(bytes, length);
}

ISC_LONG Interpret(char* buffer, unsigned size, const ISC_STATUS** vector) {
    return Entries().interpret(buffer, size, vector);
}

void GetClientVersion(char* text) {
    Entries().clientVersion(text);
}

void Shutdown() {
    std::lock_guard lock(loadLock);
    if (client && client->entries)
        client->entries->shutdown(0, fb_shutrsn_app_stopped);
}

} // namespace fb::client

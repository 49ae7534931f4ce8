#include "firebird/Attachment.h"

#include "firebird/AnsiText.h"
#include "firebird/ClientLibrary.h"
#include "firebird/DatabaseError.h"
#include "firebird/FirebirdApi.h"
#include "firebird/Query.h"
#include "firebird/Routing.h"
#include "firebird/Transaction.h"
#include "platform/machine/Machine.h"
#include "platform/text/Text.h"

#include <stdexcept>

namespace fb {

namespace {

TextEncoding EncodingOf(const std::string& charset) {
    std::string name = platform::text::AsciiUpper(charset);
    if (name == "UTF8" || name == "UNICODE_FSS")
        return TextEncoding::Utf8;
    if (name == "WIN1252")
        return TextEncoding::Cp1252;
    return TextEncoding::Latin1;
}

// Position and length of the quoted database name of a CREATE DATABASE text (a quote doubled
// inside belongs to the name).
std::pair<std::size_t, std::size_t> QuotedName(const std::string& statement) {
    std::size_t open = statement.find_first_of("'\"");
    if (open == std::string::npos)
        throw std::invalid_argument("CREATE DATABASE without a database name");
    const char quote = statement[open];
    std::size_t close = open + 1;
    for (;; close += 2) {
        close = statement.find(quote, close);
        if (close == std::string::npos)
            throw std::invalid_argument("CREATE DATABASE without a database name");
        if (close + 1 >= statement.size() || statement[close + 1] != quote)
            break;
    }
    return {open + 1, close - open - 1};
}

// The quoted run without its doubled quotes, and back.
std::string Unquoted(std::string_view quoted, char quote) {
    std::string text;
    for (std::size_t i = 0; i < quoted.size(); ++i) {
        text += quoted[i];
        if (quoted[i] == quote)
            ++i;
    }
    return text;
}

std::string Quoted(std::string_view text, char quote) {
    std::string quoted;
    for (char c : text) {
        quoted += c;
        if (c == quote)
            quoted += quote;
    }
    return quoted;
}

std::uint64_t NextConnectionId() {
    static std::uint64_t counter = 0;
    return ++counter;
}

} // namespace

Attachment::Attachment(std::string name)
    : Component(std::move(name)) {}

Attachment::~Attachment() {
    ForceClose();
}

void Attachment::Open() {
    if (Connected())
        throw std::runtime_error("Already connected!");
    std::string clientName =
        FHostPathNames ? FDatabaseName : RouteDatabaseName(platform::Machine::Current(), FDatabaseName);
    auto dpb = BuildDatabaseParameterBlock(FParams);
    Status status;
    Ref<Firebird::IProvider> provider(Master()->getDispatcher());
    // File names travel as the host spells them (UTF-8 bytes on Linux), not in the connection set.
    Firebird::IAttachment* handle =
        provider->attachDatabase(&status, clientName.c_str(), static_cast<unsigned>(dpb.size()), dpb.data());
    status.Check();
    FHandle = handle;
    FConnectionId = NextConnectionId();
    FClientName = clientName;
    FEncoding = EncodingOf(FindParameter(FParams, "lc_ctype"));
}

void Attachment::ExecuteCreateDatabase(const std::string& statement) {
    if (Connected())
        throw std::runtime_error("Already connected!");
    auto [start, length] = QuotedName(statement);
    const char quote = statement[start - 1];
    std::string windowsName = Unquoted(std::string_view(statement).substr(start, length), quote);
    std::string clientName =
        FHostPathNames ? windowsName : RouteDatabaseName(platform::Machine::Current(), windowsName);
    // A created database talks in its default character set, which the system sets in the text;
    // the file name travels as the host spells it.
    FEncoding = TextEncoding::Latin1;
    std::string wire =
        ToServer(statement.substr(0, start)) + Quoted(clientName, quote) + ToServer(statement.substr(start + length));
    Status status;
    Firebird::IAttachment* handle = Util()->executeCreateDatabase(
        &status, static_cast<unsigned>(wire.size()), wire.c_str(), static_cast<unsigned>(FDialect), nullptr);
    status.Check();
    FHandle = handle;
    FConnectionId = NextConnectionId();
    FDatabaseName = windowsName;
    FClientName = clientName;
}

void Attachment::Close() {
    if (!FHandle)
        return;
    Status status;
    FHandle->detach(&status);
    status.Check();
    FHandle = nullptr; // a successful detach released the interface
}

void Attachment::Drop() {
    Status status;
    Handle()->dropDatabase(&status);
    status.Check();
    FHandle = nullptr; // a successful drop released the interface
}

void Attachment::ForceClose() {
    if (!FHandle)
        return;
    Status status;
    FHandle->detach(&status);
    if (status.Failed())
        FHandle->release(); // the connection is gone or refuses: drop the client side anyway
    FHandle = nullptr;
}

Firebird::IAttachment* Attachment::Handle() const {
    if (!FHandle)
        throw std::runtime_error("Database not connected");
    return FHandle;
}

std::vector<std::string> Attachment::AttachedUserNames() {
    // With shared locks (SuperClassic) the information item sees only this attachment; the
    // monitoring tables see the attachments of every process, as the item does on a SuperServer.
    try {
        return MonitoredUserNames();
    } catch (const DatabaseError&) {
        return InformationUserNames();
    }
}

std::vector<std::string> Attachment::MonitoredUserNames() {
    Transaction transaction;
    transaction.SetDefaultDatabase(this);
    transaction.Params() = {"read_committed", "rec_version", "nowait", "read"};
    transaction.StartTransaction();
    Query query;
    query.SetTransaction(&transaction);
    query.SetText("SELECT MON$USER FROM MON$ATTACHMENTS WHERE MON$SYSTEM_FLAG = 0 ORDER BY MON$ATTACHMENT_ID");
    std::vector<std::string> names;
    for (query.Open(); !query.Eof(); query.Next()) {
        std::string name = query.Fields(0).AsString();
        name.erase(name.find_last_not_of(' ') + 1);
        names.push_back(name);
    }
    query.Close();
    transaction.Commit();
    return names;
}

std::vector<std::string> Attachment::InformationUserNames() {
    const unsigned char items[] = {isc_info_user_names, isc_info_end};
    std::vector<unsigned char> buffer(4096);
    for (;;) {
        Status status;
        Handle()->getInfo(&status, sizeof items, items, static_cast<unsigned>(buffer.size()), buffer.data());
        status.Check();
        std::vector<std::string> names;
        bool truncated = false;
        std::size_t pos = 0;
        while (pos < buffer.size() && buffer[pos] != isc_info_end) {
            unsigned char item = buffer[pos++];
            if (item == isc_info_truncated) {
                truncated = true;
                break;
            }
            if (pos + 2 > buffer.size())
                throw std::runtime_error("Malformed database information");
            auto length = static_cast<std::size_t>(client::PortableInteger(&buffer[pos], 2));
            pos += 2;
            if (pos + length > buffer.size())
                throw std::runtime_error("Malformed database information");
            if (item == isc_info_user_names && length > 0) {
                std::size_t nameLength = std::min<std::size_t>(buffer[pos], length - 1);
                names.push_back(FromServer(std::string_view(reinterpret_cast<char*>(&buffer[pos + 1]), nameLength)));
            }
            pos += length;
        }
        if (!truncated)
            return names;
        if (buffer.size() >= (1u << 20))
            throw std::runtime_error("Malformed database information");
        buffer.resize(buffer.size() * 4);
    }
}

namespace {

unsigned CodePageOf(TextEncoding encoding) {
    return encoding == TextEncoding::Cp1252 ? 1252u : platform::Machine::Current().Settings().ansiCodePage;
}

} // namespace

std::string Attachment::ToServer(std::string_view text, std::string_view what) const {
    if (FEncoding == TextEncoding::Utf8)
        return std::string(text);
    return EncodeAnsi(text, CodePageOf(FEncoding), what);
}

std::string Attachment::FromServer(std::string_view bytes) const {
    if (FEncoding == TextEncoding::Utf8)
        return std::string(bytes);
    return DecodeAnsi(bytes, CodePageOf(FEncoding));
}

} // namespace fb

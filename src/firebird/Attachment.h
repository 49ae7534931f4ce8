#pragma once

// A database attachment: name, parameter block items, SQL dialect, attach / create / detach.
// The name is the system's Windows-form name; Open routes it (see Routing.h). Texts cross the
// boundary in the attachment's character set: UTF-8 inside; on an ISO8859_1 (or WIN1252)
// attachment, the bytes of the machine's ANSI code page, as the maker's Windows programs send them;
// UTF-8 when the attachment asks for UTF8.

#include "firebird/Client.h"
#include "firebird/Component.h"
#include "firebird/ParameterBlock.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fb {

enum class TextEncoding { Latin1, Cp1252, Utf8 };

class Attachment : public Component {
public:
    explicit Attachment(std::string name = {});
    ~Attachment() override; // force-closes a connected attachment

    const std::string& DatabaseName() const { return FDatabaseName; }
    void SetDatabaseName(std::string name) { FDatabaseName = std::move(name); }
    ParameterList& Params() { return FParams; }
    const ParameterList& Params() const { return FParams; }
    int SQLDialect() const { return FDialect; }
    void SetSQLDialect(int dialect) { FDialect = dialect; }

    // Attaches with the parameter items. Fails with "Already connected!" when connected.
    void Open();
    // Executes a "CREATE DATABASE '<name>' ..." text immediately; the quoted name is routed like
    // DatabaseName, which it becomes. The new database stays attached.
    void ExecuteCreateDatabase(const std::string& statement);
    // The names are paths of the host itself, used unrouted: only the Firebird root's own files
    // (its security database) are named so; a name of the machine never reaches the host outside
    // the machine's drives.
    void SetHostPathNames(bool on) { FHostPathNames = on; }
    // Detaches; a failure leaves the attachment connected and propagates.
    void Close();
    // Deletes the attached database (it must be the only attachment); the attachment ends.
    void Drop();
    // Detaches, ignoring errors; the attachment is disconnected afterwards (lost connections).
    void ForceClose();
    bool Connected() const { return FHandle != nullptr; }

    // Different for every connection made in this process (0: none yet).
    std::uint64_t ConnectionId() const { return FConnectionId; }

    // The client-level name of the last Open or creation.
    const std::string& ClientName() const { return FClientName; }

    // The user names attached to this database, one entry per attachment, from every process.
    std::vector<std::string> AttachedUserNames();
    // The database information item isc_info_user_names. With shared locks (the root's
    // SuperClassic mode) the engine reports through it only this attachment's user.
    std::vector<std::string> InformationUserNames();

    // The attachment; fails with "Database not connected" when there is none.
    Firebird::IAttachment* Handle() const;

    // A text that the attachment's character set cannot hold fails with TextEncodingError naming
    // `what` (the column or the statement it was meant for).
    std::string ToServer(std::string_view text, std::string_view what = "de la requête") const;
    std::string FromServer(std::string_view bytes) const;

private:
    std::vector<std::string> MonitoredUserNames();

    std::string FDatabaseName;
    ParameterList FParams;
    int FDialect = 3;
    std::string FClientName;
    bool FHostPathNames = false;
    TextEncoding FEncoding = TextEncoding::Latin1;
    Firebird::IAttachment* FHandle = nullptr;
    std::uint64_t FConnectionId = 0;
};

} // namespace fb

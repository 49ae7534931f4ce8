// The free disk space of the server disk that holds the database, read through the maker's
// server-side function library, and the check that warns when it runs low.

#include "Common/Interbase/dmDBConnectionUnit.h"
#include "firebird/SqlText.h"
#include "environment/Dialogs.h"
#include "environment/Errors.h"

namespace {

constexpr std::int64_t kCriticalFreeSpace = 50000000;
constexpr std::int64_t kLowFreeSpace = 150000000;

std::string Megabytes(std::int64_t bytes) {
    return std::to_string(bytes / 1000000) + " Mb";
}

} // namespace

std::int64_t TdmDBConnection::GetFreeDiskSpace() {
    const std::string& name = DatabaseManager.ConnectionString();
    const std::size_t colon = name.find(':');
    char drive = 0;
    if (colon == 1)
        drive = name[0];
    else if (colon == std::string::npos || colon + 1 >= name.size())
        throw Exception("0312181326");
    else
        drive = name[colon + 1];

    DoStartTransaction(false);
    try {
        GeneralQuery.Close();
        GeneralQuery.SQL() = {"SELECT GetFreeDiskSpace(" + fb::SqlLiteral(std::string(1, drive)) + ") FROM rdb$database"};
        GeneralQuery.Open();
        const std::int64_t free = GeneralQuery.Fields(0).AsInt64();
        GeneralQuery.Close();
        DoCommit();
        return free;
    } catch (...) {
        GeneralQuery.Close();
        DoRollback(std::current_exception());
        // Reached only when the message handler took a database error: it has told the user, and
        // no figure exists to return.
        throw EAbort();
    }
}

void TdmDBConnection::CheckFreeDiskSpace() {
    if (FDoNotCheckFreeSpace || !Connected())
        return;
    const std::int64_t free = GetFreeDiskSpace();
    if (free <= 0) {
        FDoNotCheckFreeSpace = true;
        ShowWarningMessage("Le serveur Firebird n'a pas pu déterminer la place restante sur le disque de la base de "
                           "données!");
    } else if (free < kCriticalFreeSpace) {
        try {
            Disconnect();
        } catch (const std::exception&) {
            // the error box below says what matters; the module ends disconnected either way
        }
        ShowErrorMessage("Il n'y a plus assez de place sur le disque de la base de données!\r\n" + Megabytes(free));
    } else if (free < kLowFreeSpace) {
        ShowWarningMessage("L'espace disque pour la base de données est faible!\r\nVeuillez faire de la place sur le "
                           "disque.\r\n" +
                           Megabytes(free));
    }
}

#include "firebird/DatabaseError.h"

#include "firebird/ClientLibrary.h"
#include "firebird/FirebirdApi.h"

namespace fb {

DatabaseError::DatabaseError(int sqlCode, long fbCode, const std::string& message)
    : std::runtime_error(message)
    , FSqlCode(sqlCode)
    , FFbCode(fbCode) {}

DatabaseError DatabaseError::FromStatus(const Firebird::IStatus* status) {
    const ISC_STATUS* vector = const_cast<Firebird::IStatus*>(status)->getErrors();
    long fbCode = (vector[0] == isc_arg_gds) ? static_cast<long>(vector[1]) : 0;
    int sqlCode = static_cast<int>(client::SqlCode(vector));
    // The interpreted lines are joined as the system joins multi-line texts (CR LF).
    std::string message;
    const ISC_STATUS* cursor = vector;
    char line[1024];
    while (client::Interpret(line, sizeof line, &cursor) > 0) {
        if (!message.empty())
            message += "\r\n";
        message += line;
    }
    if (message.empty())
        message = "Firebird error " + std::to_string(fbCode);
    return DatabaseError(sqlCode, fbCode, message);
}

} // namespace fb

#pragma once

// The error a Firebird call reports: the server's SQL code, the Firebird error code (gdscode) of
// the first error of the status vector, and the whole interpreted message.

#include <stdexcept>
#include <string>

namespace Firebird {
class IStatus;
}

namespace fb {

class DatabaseError : public std::runtime_error {
public:
    DatabaseError(int sqlCode, long fbCode, const std::string& message);

    int SqlCode() const { return FSqlCode; }
    long FbCode() const { return FFbCode; }

    // The error held in `status` (which must carry one).
    static DatabaseError FromStatus(const Firebird::IStatus* status);

private:
    int FSqlCode;
    long FFbCode;
};

// Firebird error codes the system tests for.
inline constexpr long FbNetworkError = 335544721;      // isc_network_error
inline constexpr long FbServerUnavailable = 335544375; // isc_unavailable
inline constexpr long FbLoginRefused = 335544472;      // isc_login
inline constexpr long FbReadOnlySystemTable = 335545030;

} // namespace fb

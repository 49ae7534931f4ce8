#pragma once

// The verbs of quarnel-db: each runs one operation of the connection module on the database and
// prints its result to `out`; the module's messages reach standard error through the UI services.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <span>
#include <stdexcept>
#include <string>

namespace quarnel_db {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitInterrupted = 2;
inline constexpr int kExitUsage = 64;

// A wrong command line: the message, then the usage text, exit code 64.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Context {
    std::string database; // the database name in the system's own form
    std::ostream& out;
};

using Verb = std::function<int(const Context&, std::span<const std::string>)>;

// `text` as a whole number of 0 or more; a usage error naming `what` otherwise.
std::int32_t NonNegativeNumber(const std::string& text, const std::string& what);

// The verb named `name`, or nothing.
Verb FindVerb(const std::string& name);

// print-tables (PrintTablesVerb.cpp): the tables of the print parameter store.
int PrintTables(const Context& context, std::span<const std::string> args);

} // namespace quarnel_db

#pragma once

// One parameter or field value: null, integer, floating-point, text (UTF-8; bytes for binary
// columns and blobs) or timestamp, with the conversions a dataset field offers.

#include <chrono>
#include <concepts>
#include <cstdint>
#include <string>
#include <variant>

namespace fb {

// A Firebird TIMESTAMP: a wall-clock date and time without time zone, to the 100 microseconds.
using Timestamp = std::chrono::local_time<std::chrono::microseconds>;

Timestamp MakeTimestamp(int year, unsigned month, unsigned day, unsigned hour = 0, unsigned minute = 0,
                        unsigned second = 0);
// "YYYY-MM-DD HH:MM:SS" (and ".ffff" when there are fractions of a second).
std::string FormatTimestamp(Timestamp t);

class Value {
public:
    Value() = default;
    template <std::integral T>
    Value(T v)
        : FData(static_cast<std::int64_t>(v)) {}
    template <std::floating_point T>
    Value(T v)
        : FData(static_cast<double>(v)) {}
    Value(std::string v)
        : FData(std::move(v)) {}
    Value(const char* v)
        : FData(std::string(v)) {}
    Value(Timestamp v)
        : FData(v) {}

    bool IsNull() const { return std::holds_alternative<std::monostate>(FData); }
    bool IsInteger() const { return std::holds_alternative<std::int64_t>(FData); }
    bool IsDouble() const { return std::holds_alternative<double>(FData); }
    bool IsString() const { return std::holds_alternative<std::string>(FData); }
    bool IsTimestamp() const { return std::holds_alternative<Timestamp>(FData); }

    // Conversions as a dataset field makes them: null gives "", 0 or the zero timestamp; a text
    // that does not hold the number asked for fails with the French conversion message.
    std::string AsString() const;
    std::int32_t AsInteger() const;
    std::int64_t AsInt64() const;
    double AsDouble() const;
    Timestamp AsTimestamp() const;

    void Clear() { FData = std::monostate{}; }

    friend bool operator==(const Value&, const Value&) = default;

private:
    std::variant<std::monostate, std::int64_t, double, std::string, Timestamp> FData;
};

} // namespace fb

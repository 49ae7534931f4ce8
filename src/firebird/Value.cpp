#include "firebird/Value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace fb {

namespace {

// The French texts of the conversion errors of a French Windows runtime.
std::runtime_error NotAnInteger(const std::string& text) {
    return std::runtime_error("'" + text + "' n'est pas une valeur entière correcte");
}
std::runtime_error NotAFloat(const std::string& text) {
    return std::runtime_error("'" + text + "' n'est pas une valeur en virgule flottante correcte");
}
std::runtime_error NotATimestamp(const std::string& text) {
    return std::runtime_error("'" + text + "' n'est pas une date et heure correcte");
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

std::int64_t ParseInt64(const std::string& text) {
    std::string_view digits = Trimmed(text);
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        throw NotAnInteger(text);
    return value;
}

double ParseDouble(const std::string& text) {
    std::string_view digits = Trimmed(text);
    double value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        throw NotAFloat(text);
    return value;
}

Timestamp ParseTimestamp(const std::string& text) {
    int year = 0;
    unsigned month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char tail = 0;
    int fields = std::sscanf(text.c_str(), "%d-%u-%u %u:%u:%u%c", &year, &month, &day, &hour, &minute, &second, &tail);
    if (fields != 3 && fields != 6)
        throw NotATimestamp(text);
    std::chrono::year_month_day date{std::chrono::year(year), std::chrono::month(month), std::chrono::day(day)};
    if (!date.ok() || hour > 23 || minute > 59 || second > 59)
        throw NotATimestamp(text);
    return MakeTimestamp(year, month, day, hour, minute, second);
}

} // namespace

Timestamp MakeTimestamp(int year, unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second) {
    using namespace std::chrono;
    local_days date{std::chrono::year(year) / std::chrono::month(month) / std::chrono::day(day)};
    return Timestamp(date) + hours(hour) + minutes(minute) + seconds(second);
}

std::string FormatTimestamp(Timestamp t) {
    using namespace std::chrono;
    auto dayPoint = floor<days>(t);
    year_month_day date{dayPoint};
    hh_mm_ss<microseconds> time{t - dayPoint};
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    std::string result(text);
    if (auto fraction = time.subseconds().count(); fraction != 0) {
        std::snprintf(text, sizeof text, ".%04d", static_cast<int>(fraction / 100));
        result += text;
    }
    return result;
}

std::string Value::AsString() const {
    if (auto* s = std::get_if<std::string>(&FData))
        return *s;
    if (auto* i = std::get_if<std::int64_t>(&FData))
        return std::to_string(*i);
    if (auto* d = std::get_if<double>(&FData)) {
        char text[64];
        auto [end, error] = std::to_chars(text, text + sizeof text, *d);
        return std::string(text, end);
    }
    if (auto* t = std::get_if<Timestamp>(&FData))
        return FormatTimestamp(*t);
    return {};
}

std::int64_t Value::AsInt64() const {
    if (auto* i = std::get_if<std::int64_t>(&FData))
        return *i;
    if (auto* s = std::get_if<std::string>(&FData))
        return ParseInt64(*s);
    if (auto* d = std::get_if<double>(&FData))
        return static_cast<std::int64_t>(std::llround(*d));
    if (IsNull())
        return 0;
    throw NotAnInteger(AsString());
}

std::int32_t Value::AsInteger() const {
    std::int64_t value = AsInt64();
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        throw NotAnInteger(AsString());
    return static_cast<std::int32_t>(value);
}

double Value::AsDouble() const {
    if (auto* d = std::get_if<double>(&FData))
        return *d;
    if (auto* i = std::get_if<std::int64_t>(&FData))
        return static_cast<double>(*i);
    if (auto* s = std::get_if<std::string>(&FData))
        return ParseDouble(*s);
    if (IsNull())
        return 0;
    throw NotAFloat(AsString());
}

Timestamp Value::AsTimestamp() const {
    if (auto* t = std::get_if<Timestamp>(&FData))
        return *t;
    if (auto* s = std::get_if<std::string>(&FData))
        return ParseTimestamp(*s);
    if (IsNull())
        return Timestamp{};
    throw NotATimestamp(AsString());
}

} // namespace fb

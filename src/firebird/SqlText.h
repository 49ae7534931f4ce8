#pragma once

// Named parameters in SQL texts: ":p0", ":pname" become the positional markers the server
// understands. String literals, quoted identifiers and comments are left alone.

#include <string>
#include <string_view>
#include <vector>

namespace fb {

struct ParsedSql {
    std::string text;               // the text sent to the server, with "?" for each parameter
    std::vector<std::string> names; // one per "?", in order; "" for a "?" of the original text
};

ParsedSql ParseNamedParameters(std::string_view sql);

// `text` as an SQL string literal: in single quotes, each quote inside doubled ("O'Neil" gives
// 'O''Neil'). Every text that reaches an SQL statement other than as a parameter goes through it.
std::string SqlLiteral(std::string_view text);

// `lines` joined by CR LF, as the system joins multi-line SQL texts.
std::string JoinLines(const std::vector<std::string>& lines);

} // namespace fb

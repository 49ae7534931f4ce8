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

// `lines` joined by CR LF, as the system joins multi-line SQL texts.
std::string JoinLines(const std::vector<std::string>& lines);

} // namespace fb

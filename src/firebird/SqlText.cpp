#include "firebird/SqlText.h"

namespace fb {

namespace {

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
}

// Copies the quoted run that starts at `pos` (quote doubled inside), leaving `pos` after it.
void CopyQuoted(std::string_view sql, std::size_t& pos, std::string& out) {
    char quote = sql[pos];
    out += sql[pos++];
    while (pos < sql.size()) {
        char c = sql[pos++];
        out += c;
        if (c == quote) {
            if (pos < sql.size() && sql[pos] == quote) {
                out += sql[pos++];
                continue;
            }
            return;
        }
    }
}

} // namespace

ParsedSql ParseNamedParameters(std::string_view sql) {
    ParsedSql result;
    result.text.reserve(sql.size());
    std::size_t pos = 0;
    while (pos < sql.size()) {
        char c = sql[pos];
        if (c == '\'' || c == '"') {
            CopyQuoted(sql, pos, result.text);
        } else if (c == '-' && pos + 1 < sql.size() && sql[pos + 1] == '-') {
            std::size_t end = sql.find('\n', pos);
            end = (end == std::string_view::npos) ? sql.size() : end;
            result.text.append(sql.substr(pos, end - pos));
            pos = end;
        } else if (c == '/' && pos + 1 < sql.size() && sql[pos + 1] == '*') {
            std::size_t end = sql.find("*/", pos + 2);
            end = (end == std::string_view::npos) ? sql.size() : end + 2;
            result.text.append(sql.substr(pos, end - pos));
            pos = end;
        } else if (c == ':' && pos + 1 < sql.size() && IsNameChar(sql[pos + 1])) {
            std::size_t end = pos + 1;
            while (end < sql.size() && IsNameChar(sql[end]))
                ++end;
            result.names.emplace_back(sql.substr(pos + 1, end - pos - 1));
            result.text += '?';
            pos = end;
        } else {
            if (c == '?')
                result.names.emplace_back();
            result.text += c;
            ++pos;
        }
    }
    return result;
}

std::string SqlLiteral(std::string_view text) {
    std::string literal = "'";
    for (char c : text) {
        literal += c;
        if (c == '\'')
            literal += '\'';
    }
    return literal + "'";
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += lines[i];
    }
    return text;
}

} // namespace fb

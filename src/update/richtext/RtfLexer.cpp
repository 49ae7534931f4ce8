#include "update/richtext/RtfLexer.h"

#include <limits>

namespace update {
namespace {

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexValue(char c) {
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

RtfToken MakeToken(RtfToken::Kind kind) {
    RtfToken token;
    token.kind = kind;
    return token;
}

} // namespace

RtfToken RtfLexer::Next() {
    while (!AtEnd()) {
        const char c = FInput[FPosition];
        switch (c) {
        case '{':
            ++FPosition;
            return MakeToken(RtfToken::Kind::GroupStart);
        case '}':
            ++FPosition;
            return MakeToken(RtfToken::Kind::GroupEnd);
        case '\\':
            return ReadControl();
        case '\r':
        case '\n':
        case '\0':
            // Line ends of the file are layout, not text; NUL never belongs to RTF text.
            ++FPosition;
            continue;
        default:
            return ReadText();
        }
    }
    return RtfToken{};
}

RtfToken RtfLexer::ReadControl() {
    ++FPosition; // the backslash
    if (AtEnd())
        return RtfToken{};
    const char c = FInput[FPosition];
    if (IsLetter(c))
        return ReadControlWord();
    ++FPosition;
    if (c == '\'') {
        // Two hex digits make a byte; a broken escape is dropped with the digits it has (an empty text
        // token, not a recursive read, so that a long row of broken escapes cannot exhaust the stack).
        int value = 0;
        int digits = 0;
        while (digits < 2 && !AtEnd() && HexValue(FInput[FPosition]) >= 0) {
            value = value * 16 + HexValue(FInput[FPosition]);
            ++FPosition;
            ++digits;
        }
        if (digits < 2)
            return MakeToken(RtfToken::Kind::Text);
        RtfToken token = MakeToken(RtfToken::Kind::HexByte);
        token.byte = static_cast<std::uint8_t>(value);
        return token;
    }
    RtfToken token = MakeToken(RtfToken::Kind::ControlSymbol);
    token.symbol = c == '\r' ? '\n' : c;
    return token;
}

RtfToken RtfLexer::ReadControlWord() {
    const std::size_t start = FPosition;
    while (!AtEnd() && IsLetter(FInput[FPosition]))
        ++FPosition;
    RtfToken token = MakeToken(RtfToken::Kind::ControlWord);
    token.text = FInput.substr(start, std::min(FPosition - start, kMaxWordLength));

    bool negative = false;
    if (!AtEnd() && FInput[FPosition] == '-' && FPosition + 1 < FInput.size() && IsDigit(FInput[FPosition + 1])) {
        negative = true;
        ++FPosition;
    }
    if (!AtEnd() && IsDigit(FInput[FPosition])) {
        constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
        std::int64_t value = 0;
        while (!AtEnd() && IsDigit(FInput[FPosition])) {
            value = std::min<std::int64_t>(value * 10 + (FInput[FPosition] - '0'), kLimit + 1);
            ++FPosition;
        }
        token.hasParameter = true;
        token.parameter = static_cast<std::int32_t>(negative ? -value : std::min(value, kLimit));
    }
    if (!AtEnd() && FInput[FPosition] == ' ')
        ++FPosition;

    if (token.text == "bin" && token.hasParameter && token.parameter > 0) {
        const std::size_t count = static_cast<std::size_t>(token.parameter);
        FPosition += std::min(count, FInput.size() - FPosition);
    }
    return token;
}

RtfToken RtfLexer::ReadText() {
    const std::size_t start = FPosition;
    while (!AtEnd()) {
        const char c = FInput[FPosition];
        if (c == '{' || c == '}' || c == '\\' || c == '\r' || c == '\n' || c == '\0')
            break;
        ++FPosition;
    }
    RtfToken token = MakeToken(RtfToken::Kind::Text);
    token.text = FInput.substr(start, FPosition - start);
    return token;
}

} // namespace update

#pragma once

// Tokens of an RTF byte stream: braces, control words with their numeric parameter, control symbols,
// `\'hh` bytes and runs of literal text. The cursor never leaves the input, every length is bounded,
// and `\binN` data is stepped over here so that its bytes are never taken for braces or text.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace update {

struct RtfToken {
    enum class Kind { End, GroupStart, GroupEnd, ControlWord, ControlSymbol, HexByte, Text };

    Kind kind = Kind::End;
    // ControlWord: the word (letters only, at most kMaxWordLength of them); Text: the literal bytes.
    std::string_view text;
    bool hasParameter = false;
    // Clamped to the range of a 32-bit integer.
    std::int32_t parameter = 0;
    // ControlSymbol: the character after the backslash (a line end is reported as '\n').
    char symbol = 0;
    // HexByte: the byte value.
    std::uint8_t byte = 0;
};

class RtfLexer {
public:
    static constexpr std::size_t kMaxWordLength = 32;

    explicit RtfLexer(std::string_view input)
        : FInput(input) {}

    RtfToken Next();
    std::size_t Position() const { return FPosition; }

private:
    RtfToken ReadControl();
    RtfToken ReadControlWord();
    RtfToken ReadText();
    bool AtEnd() const { return FPosition >= FInput.size(); }

    std::string_view FInput;
    std::size_t FPosition = 0;
};

} // namespace update

#include "firebird/AnsiText.h"

#include "platform/text/Text.h"

namespace fb {

namespace {

void RequireKnown(unsigned codePage) {
    if (!platform::text::Utf8ToCodePage("A", codePage))
        throw TextEncodingError("Page de code inconnue : CP" + std::to_string(codePage));
}

// The controls 0x80-0x9F that the code page leaves undefined travel as their own byte.
bool IsC1Control(char32_t c) {
    return c >= 0x80 && c <= 0x9F;
}

} // namespace

std::string EncodeAnsi(std::string_view text, unsigned codePage, std::string_view what) {
    std::string out;
    out.reserve(text.size());
    // Plain ASCII is the same in every ANSI code page: no conversion needed.
    std::size_t ascii = 0;
    while (ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80)
        ++ascii;
    out.append(text.substr(0, ascii));
    if (ascii == text.size())
        return out;
    RequireKnown(codePage);
    const std::string_view rest = text.substr(ascii);
    if (auto whole = platform::text::Utf8ToCodePage(rest, codePage))
        return out + *whole;
    // Character by character: the controls the code page leaves undefined, and the first one it
    // cannot write.
    for (std::size_t pos = 0; pos < rest.size();) {
        const std::size_t begin = pos;
        const char32_t c = platform::text::DecodeUtf8(rest, pos);
        const std::string_view character = rest.substr(begin, pos - begin);
        const bool invalid = c == 0xFFFD && character != "\xEF\xBF\xBD";
        if (!invalid && IsC1Control(c)) {
            out += static_cast<char>(c);
            continue;
        }
        auto bytes = invalid ? std::nullopt : platform::text::Utf8ToCodePage(character, codePage);
        if (!bytes) {
            std::string shown = invalid ? std::string("(UTF-8 invalide)") : "\"" + std::string(character) + "\"";
            throw TextEncodingError("Le texte " + std::string(what) + " contient un caractère que la base de données " +
                                    "ne peut pas enregistrer (page de code " + std::to_string(codePage) +
                                    ") : " + shown);
        }
        out += *bytes;
    }
    return out;
}

std::string DecodeAnsi(std::string_view bytes, unsigned codePage) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t ascii = 0;
    while (ascii < bytes.size() && static_cast<unsigned char>(bytes[ascii]) < 0x80)
        ++ascii;
    out.append(bytes.substr(0, ascii));
    if (ascii == bytes.size())
        return out;
    RequireKnown(codePage);
    const std::string_view rest = bytes.substr(ascii);
    if (auto whole = platform::text::CodePageToUtf8(rest, codePage))
        return out + *whole;
    // Byte by byte: a byte the code page leaves undefined stands for the control of its value.
    for (const char byte : rest) {
        if (auto character = platform::text::CodePageToUtf8(std::string_view(&byte, 1), codePage))
            out += *character;
        else
            platform::text::AppendUtf8(out, static_cast<unsigned char>(byte));
    }
    return out;
}

} // namespace fb

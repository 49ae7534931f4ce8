#include "platform/text/Text.h"

namespace platform::text {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t DecodeUtf8(std::string_view text, std::size_t& pos) {
    const auto byte = [&](std::size_t i) {
        return static_cast<unsigned char>(text[i]);
    };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t length = 0;
    char32_t c = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        c = lead & 0x07;
    } else {
        ++pos;
        return 0xFFFD;
    }
    if (pos + length > text.size()) {
        ++pos;
        return 0xFFFD;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFD;
        }
        c = (c << 6) | (byte(pos + i) & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMinimum[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++pos;
        return 0xFFFD;
    }
    pos += length;
    return c;
}

bool IsValidUtf8(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        if (DecodeUtf8(text, pos) == 0xFFFD && text.substr(start, 3) != "\xEF\xBF\xBD")
            return false;
    }
    return true;
}

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char b : bytes)
        AppendUtf8(out, static_cast<unsigned char>(b));
    return out;
}

std::string Utf8ToLatin1(std::string_view text, char replacement) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t c = DecodeUtf8(text, pos);
        out += c <= 0xFF ? static_cast<char>(c) : replacement;
    }
    return out;
}

// Simple one-to-one case mapping; a table for the scripts whose names the system meets, so
// that comparisons do not depend on the process locale.
char32_t ToUpper(char32_t c) {
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') ? c - 0x20 : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return c - 0x20;
    if (c == 0xFF)
        return 0x178;
    if (c == 0xB5)
        return 0x39C;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return c & ~char32_t{1};
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c & 1) ? c : c - 1;
    if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2)
        return c - 0x20;
    if (c >= 0x430 && c <= 0x44F)
        return c - 0x20;
    if (c >= 0x450 && c <= 0x45F)
        return c - 0x50;
    return c;
}

namespace {

char32_t ToLowerChar(char32_t c) {
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 0x20;
    if (c == 0x178)
        return 0xFF;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return c | 1;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c & 1) ? c + 1 : c;
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2)
        return c + 0x20;
    if (c >= 0x410 && c <= 0x42F)
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    return c;
}

template <typename Map> std::string MapChars(std::string_view text, Map map) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t start = pos;
        const char32_t c = DecodeUtf8(text, pos);
        if (c == 0xFFFD)
            out.append(text.substr(start, pos - start)); // keep bytes we cannot read as they are
        else
            AppendUtf8(out, map(c));
    }
    return out;
}

} // namespace

std::string ToUpper(std::string_view text) {
    return MapChars(text, [](char32_t c) { return ToUpper(c); });
}

std::string ToLower(std::string_view text) {
    return MapChars(text, ToLowerChar);
}

int CompareIgnoreCase(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t ca = ToUpper(DecodeUtf8(a, i));
        const char32_t cb = ToUpper(DecodeUtf8(b, j));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return CompareIgnoreCase(a, b) == 0;
}

namespace {
char AsciiUpperChar(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c;
}
} // namespace

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpperChar(a[i]) != AsciiUpperChar(b[i]))
            return false;
    return true;
}

bool StartsWithIgnoreAsciiCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = AsciiUpperChar(c);
    return out;
}

} // namespace platform::text

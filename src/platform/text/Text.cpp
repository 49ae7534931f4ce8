#include "platform/text/Text.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace platform::text {

namespace {

// One iconv conversion descriptor, closed on every path.
class IconvConverter {
public:
    IconvConverter(const char* to, const char* from)
        : FHandle(iconv_open(to, from)) {
        if (FHandle == reinterpret_cast<iconv_t>(-1)) // NOLINT: iconv's documented failure value
            throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to);
    }
    ~IconvConverter() { iconv_close(FHandle); }
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;

    // Converts `input`; on a byte sequence the source encoding rejects, `onInvalid` receives the
    // remaining input and returns how many bytes it consumed after appending its own output.
    template <typename OnInvalid> std::string Convert(std::string_view input, OnInvalid onInvalid) {
        std::string out;
        char buffer[4096];
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t rc = iconv(FHandle, &in, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (rc == static_cast<std::size_t>(-1)) {
                if (errno == E2BIG)
                    continue;
                const std::size_t used = onInvalid(std::string_view(in, inLeft), out);
                in += used;
                inLeft -= used;
            }
        }
        return out;
    }

private:
    iconv_t FHandle;
};

// Converts strictly: nothing when the names are unknown to iconv or a character has no form.
std::optional<std::string> ConvertStrictly(std::string_view input, const std::string& to, const std::string& from) {
    try {
        IconvConverter converter(to.c_str(), from.c_str());
        bool failed = false;
        std::string out = converter.Convert(input, [&](std::string_view rest, std::string&) {
            failed = true;
            return rest.size();
        });
        if (failed)
            return std::nullopt;
        return out;
    } catch (const std::runtime_error&) { // a code page iconv does not know
        return std::nullopt;
    }
}

std::string CodePageName(unsigned codePage) {
    return codePage == 65001 ? std::string("UTF-8") : "CP" + std::to_string(codePage);
}

} // namespace

std::optional<std::string> Utf8ToCodePage(std::string_view text, unsigned codePage) {
    if (!IsValidUtf8(text))
        return std::nullopt;
    return ConvertStrictly(text, CodePageName(codePage), "UTF-8");
}

std::optional<std::string> CodePageToUtf8(std::string_view bytes, unsigned codePage) {
    if (codePage == 1252)
        return Cp1252ToUtf8(bytes);
    return ConvertStrictly(bytes, "UTF-8", CodePageName(codePage));
}

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

std::string Utf16ToUtf8(std::u16string_view text) {
    IconvConverter converter("UTF-8", "UTF-16LE");
    const std::string_view bytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    return converter.Convert(bytes, [](std::string_view, std::string& out) {
        out += "\xEF\xBF\xBD"; // an unpaired surrogate
        return std::size_t{2};
    });
}

std::u16string Utf8ToUtf16(std::string_view text) {
    IconvConverter converter("UTF-16LE", "UTF-8");
    const std::string bytes = converter.Convert(text, [](std::string_view, std::string& out) {
        out += "\xFD\xFF"; // U+FFFD, little-endian
        return std::size_t{1};
    });
    std::u16string result(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < result.size(); ++i)
        result[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                          (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return result;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
    IconvConverter converter("UTF-8", "WINDOWS-1252");
    return converter.Convert(bytes, [](std::string_view rest, std::string& out) {
        AppendUtf8(out, static_cast<unsigned char>(rest.front())); // undefined in 1252: the C1 control
        return std::size_t{1};
    });
}

std::string Utf8ToCp1252(std::string_view text, char replacement) {
    IconvConverter converter("WINDOWS-1252", "UTF-8");
    return converter.Convert(text, [replacement](std::string_view rest, std::string& out) {
        std::size_t pos = 0;
        const char32_t c = DecodeUtf8(rest, pos);
        const bool undefinedC1 = c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
        out += undefinedC1 ? static_cast<char>(c) : replacement;
        return pos;
    });
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

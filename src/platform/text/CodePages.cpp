// The conversions between UTF-8, UTF-16 and the ANSI code pages through iconv (the POSIX backend).
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

} // namespace platform::text

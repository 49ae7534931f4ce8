#include "firebird/AnsiText.h"

#include "platform/text/Text.h"

#include <cerrno>
#include <iconv.h>

namespace fb {

namespace {

// One iconv conversion descriptor, closed on every path.
class Converter {
public:
    Converter(const std::string& to, const std::string& from)
        : FHandle(iconv_open(to.c_str(), from.c_str())) {
        if (FHandle == reinterpret_cast<iconv_t>(-1))
            throw TextEncodingError("Page de code inconnue : " + (to == "UTF-8" ? from : to));
    }
    ~Converter() { iconv_close(FHandle); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much of `in` as it can into `out`; returns the unconverted rest, empty at the end.
    std::string_view Convert(std::string_view in, std::string& out) {
        char buffer[4096];
        char* source = const_cast<char*>(in.data());
        std::size_t left = in.size();
        while (left > 0) {
            char* target = buffer;
            std::size_t room = sizeof buffer;
            const std::size_t result = iconv(FHandle, &source, &left, &target, &room);
            out.append(buffer, static_cast<std::size_t>(target - buffer));
            if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
                iconv(FHandle, nullptr, nullptr, nullptr, nullptr);
                break;
            }
        }
        return {source, left};
    }

private:
    iconv_t FHandle;
};

std::string CodePageName(unsigned codePage) {
    return "CP" + std::to_string(codePage);
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
    Converter converter(CodePageName(codePage), "UTF-8");
    std::string_view rest = text.substr(ascii);
    while (!(rest = converter.Convert(rest, out)).empty()) {
        std::size_t pos = 0;
        const char32_t c = platform::text::DecodeUtf8(rest, pos);
        const bool invalid = c == 0xFFFD && rest.substr(0, 3) != "\xEF\xBF\xBD";
        // The controls 0x80-0x9F that the code page leaves undefined travel as their own byte.
        if (!invalid && c >= 0x80 && c <= 0x9F) {
            out += static_cast<char>(c);
            rest.remove_prefix(pos);
            continue;
        }
        std::string shown = invalid ? std::string("(UTF-8 invalide)") : "\"" + std::string(rest.substr(0, pos)) + "\"";
        throw TextEncodingError("Le texte " + std::string(what) + " contient un caractère que la base de données " +
                                "ne peut pas enregistrer (page de code " + std::to_string(codePage) + ") : " + shown);
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
    Converter converter("UTF-8", CodePageName(codePage));
    std::string_view rest = bytes.substr(ascii);
    while (!(rest = converter.Convert(rest, out)).empty()) {
        platform::text::AppendUtf8(out, static_cast<unsigned char>(rest.front()));
        rest.remove_prefix(1);
    }
    return out;
}

} // namespace fb

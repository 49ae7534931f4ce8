#include "update/richtext/CodePage.h"

#include "platform/text/Text.h"

#include <array>
#include <utility>

namespace update {
namespace {

// The UTF-8 form of every 1252 byte, taken once from the system's own conversion: text is flushed in
// small pieces and a conversion per piece would cost more than the parse.
const std::array<std::string, 256>& Cp1252Table() {
    static const std::array<std::string, 256> table = [] {
        std::array<std::string, 256> utf8;
        for (int byte = 0; byte < 256; ++byte) {
            const char c = static_cast<char>(byte);
            utf8[static_cast<std::size_t>(byte)] = platform::text::Cp1252ToUtf8(std::string_view(&c, 1));
        }
        return utf8;
    }();
    return table;
}

std::string DecodeCp1252(std::string_view bytes) {
    const auto& table = Cp1252Table();
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes)
        out += table[static_cast<unsigned char>(c)];
    return out;
}

} // namespace

std::optional<int> CodePageOfCharset(int charset) {
    switch (charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return std::nullopt;
    }
}

CodePageDecoder::CodePageDecoder() = default;
CodePageDecoder::~CodePageDecoder() = default;

std::string CodePageDecoder::Decode(std::string_view bytes, int codePage) {
    if (bytes.empty())
        return {};
    if (codePage == kCodePage1252 || codePage <= 0)
        return DecodeCp1252(bytes);
    if (auto decoded = FDecoder.Decode(bytes, static_cast<unsigned>(codePage)))
        return std::move(*decoded);
    return DecodeCp1252(bytes);
}

} // namespace update

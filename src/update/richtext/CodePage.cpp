#include "update/richtext/CodePage.h"

#include "platform/text/Text.h"

#include <array>
#include <cerrno>

namespace update {
namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

std::string IconvName(int codePage) {
    switch (codePage) {
    case 10000:
        return "MACINTOSH";
    case 28591:
        return "ISO-8859-1";
    case 65001:
        return "UTF-8";
    default:
        return "CP" + std::to_string(codePage);
    }
}

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

void CodePageDecoder::IconvCloser::operator()(void* handle) const {
    iconv_close(static_cast<iconv_t>(handle));
}

CodePageDecoder::CodePageDecoder() = default;
CodePageDecoder::~CodePageDecoder() = default;

iconv_t CodePageDecoder::ConverterFor(int codePage) {
    auto found = FConverters.find(codePage);
    if (found == FConverters.end()) {
        const iconv_t handle = iconv_open("UTF-8", IconvName(codePage).c_str());
        found = FConverters.emplace(codePage, Converter(handle == kNoConverter ? nullptr : handle)).first;
    }
    return static_cast<iconv_t>(found->second.get());
}

std::string CodePageDecoder::Decode(std::string_view bytes, int codePage) {
    if (bytes.empty())
        return {};
    if (codePage == kCodePage1252)
        return DecodeCp1252(bytes);
    const iconv_t converter = ConverterFor(codePage);
    if (converter == nullptr)
        return DecodeCp1252(bytes);

    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    char buffer[1024];
    // iconv's interface takes a non-const input pointer; it never writes through it.
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (result != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG)
            continue;
        // EILSEQ: a byte that starts no character; EINVAL: a character cut off at the end.
        platform::text::AppendUtf8(out, U'\uFFFD');
        ++in;
        --inLeft;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    iconv(converter, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    return out;
}

} // namespace update

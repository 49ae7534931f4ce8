// Lenient decoding through iconv (Linux): one converter per code page, kept.
#include "platform/text/CodePageDecoder.h"

#include "platform/text/Text.h"

#include <cerrno>
#include <iconv.h>

namespace platform::text {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1); // NOLINT: iconv's documented failure value

std::string IconvName(unsigned codePage) {
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

} // namespace

struct LenientDecoder::Converter {
    explicit Converter(iconv_t h)
        : handle(h) {}
    ~Converter() { iconv_close(handle); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    iconv_t handle;
};

LenientDecoder::LenientDecoder() = default;
LenientDecoder::~LenientDecoder() = default;

std::optional<std::string> LenientDecoder::Decode(std::string_view bytes, unsigned codePage) {
    auto found = FConverters.find(codePage);
    if (found == FConverters.end()) {
        const iconv_t handle = iconv_open("UTF-8", IconvName(codePage).c_str());
        found = FConverters.emplace(codePage, handle == kNoConverter ? nullptr : std::make_unique<Converter>(handle))
                    .first;
    }
    if (!found->second)
        return std::nullopt;
    const iconv_t converter = found->second->handle;

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
        AppendUtf8(out, U'\uFFFD');
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

} // namespace platform::text

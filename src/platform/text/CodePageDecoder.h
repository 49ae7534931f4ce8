#pragma once

// Lenient decoding of text bytes in any Windows code page, single- or double-byte, for readers of
// documents (RTF) that show what they can: bytes that form no character become U+FFFD.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform::text {

class LenientDecoder {
public:
    LenientDecoder();
    ~LenientDecoder();
    LenientDecoder(const LenientDecoder&) = delete;
    LenientDecoder& operator=(const LenientDecoder&) = delete;

    // `bytes` of `codePage` as UTF-8; nothing when the system does not know the code page.
    std::optional<std::string> Decode(std::string_view bytes, unsigned codePage);

    struct Converter;

private:
    // The system's converters by code page, kept for the decoder's life (null: unknown code page).
    std::map<unsigned, std::unique_ptr<Converter>> FConverters;
};

} // namespace platform::text

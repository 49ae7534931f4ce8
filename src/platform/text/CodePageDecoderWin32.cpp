// Lenient decoding through Windows' own tables: MultiByteToWideChar without its strict flag puts
// the code page's default character (U+FFFD for UTF-8) where bytes form none.
#include "platform/text/CodePageDecoder.h"

#include "platform/machine/WindowsApi.h"
#include "platform/text/Text.h"

namespace platform::text {

struct LenientDecoder::Converter {};

LenientDecoder::LenientDecoder() = default;
LenientDecoder::~LenientDecoder() = default;

std::optional<std::string> LenientDecoder::Decode(std::string_view bytes, unsigned codePage) {
    auto found = FConverters.find(codePage);
    if (found == FConverters.end())
        found = FConverters.emplace(codePage, ::IsValidCodePage(codePage) ? std::make_unique<Converter>() : nullptr)
                    .first;
    if (!found->second)
        return std::nullopt;
    if (bytes.empty())
        return std::string();
    const int byteCount = static_cast<int>(bytes.size());
    const int size = ::MultiByteToWideChar(codePage, 0, bytes.data(), byteCount, nullptr, 0);
    if (size <= 0)
        return std::nullopt;
    std::u16string wide(static_cast<std::size_t>(size), u'\0');
    ::MultiByteToWideChar(codePage, 0, bytes.data(), byteCount, reinterpret_cast<wchar_t*>(wide.data()), size);
    return Utf16ToUtf8(wide);
}

} // namespace platform::text

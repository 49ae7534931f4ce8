#include "platform/machine/Wide.h"
#include "platform/text/Text.h"

namespace platform::win32 {

std::wstring Wide(std::string_view utf8) {
    const std::u16string wide = text::Utf8ToUtf16(utf8);
    return std::wstring(wide.begin(), wide.end());
}

std::string Narrow(std::wstring_view wide) {
    return text::Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(Wide(utf8));
}

std::string PathToUtf8(const std::filesystem::path& path) {
    return Narrow(path.native());
}

} // namespace platform::win32

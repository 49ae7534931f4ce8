// The conversions between UTF-8, UTF-16 and the ANSI code pages through Windows' own tables
// (the Win32 backend).
#include "platform/machine/WindowsApi.h"
#include "platform/text/Text.h"

namespace platform::text {

namespace {

std::wstring Wide(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

// WideCharToMultiByte over the whole text; an unpaired surrogate becomes U+FFFD in UTF-8, a
// character the code page lacks `replacement` (no best-fit look-alike).
std::string FromWide(std::wstring_view wide, unsigned codePage, const char* replacement) {
    if (wide.empty())
        return std::string();
    const int wideSize = static_cast<int>(wide.size());
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int size = WideCharToMultiByte(codePage, flags, wide.data(), wideSize, nullptr, 0, replacement, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(codePage, flags, wide.data(), wideSize, out.data(), size, replacement, nullptr);
    return out;
}

// MultiByteToWideChar over the whole text; bytes that are not text of the code page become U+FFFD.
std::wstring ToWide(std::string_view bytes, unsigned codePage) {
    if (bytes.empty())
        return std::wstring();
    const int byteCount = static_cast<int>(bytes.size());
    const int size = MultiByteToWideChar(codePage, 0, bytes.data(), byteCount, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0)
        MultiByteToWideChar(codePage, 0, bytes.data(), byteCount, out.data(), size);
    return out;
}

} // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
    return FromWide(std::wstring(text.begin(), text.end()), CP_UTF8, nullptr);
}

std::u16string Utf8ToUtf16(std::string_view text) {
    const std::wstring wide = ToWide(text, CP_UTF8);
    return std::u16string(wide.begin(), wide.end());
}

// Windows maps the bytes 1252 leaves undefined to the C1 controls of the same value, both ways.
std::string Cp1252ToUtf8(std::string_view bytes) {
    const std::wstring wide = ToWide(bytes, 1252);
    return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

std::string Utf8ToCp1252(std::string_view text, char replacement) {
    const char replacementText[2] = {replacement, '\0'};
    return FromWide(Wide(Utf8ToUtf16(text)), 1252, replacementText);
}

std::optional<std::string> Utf8ToCodePage(std::string_view text, unsigned codePage) {
    if (!IsValidUtf8(text) || !IsValidCodePage(codePage))
        return std::nullopt;
    if (text.empty())
        return std::string();
    const std::wstring wide = Wide(Utf8ToUtf16(text));
    const int wideSize = static_cast<int>(wide.size());
    // Strict: no best-fit character and no default character in place of one the code page lacks.
    const bool utf = codePage == CP_UTF8 || codePage == CP_UTF7;
    const DWORD flags = utf ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf ? nullptr : &usedDefault;
    const int size = WideCharToMultiByte(codePage, flags, wide.data(), wideSize, nullptr, 0, nullptr, usedDefaultOut);
    if (size <= 0 || usedDefault)
        return std::nullopt;
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), wideSize, out.data(), size, nullptr, usedDefaultOut);
    if (usedDefault)
        return std::nullopt;
    // A character the code page writes only by a look-alike round-trips to something else.
    if (!utf && CodePageToUtf8(out, codePage) != std::string(text))
        return std::nullopt;
    return out;
}

std::optional<std::string> CodePageToUtf8(std::string_view bytes, unsigned codePage) {
    if (codePage == 1252)
        return Cp1252ToUtf8(bytes);
    if (!IsValidCodePage(codePage))
        return std::nullopt;
    if (bytes.empty())
        return std::string();
    const int byteCount = static_cast<int>(bytes.size());
    const int size = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), byteCount, nullptr, 0);
    if (size <= 0)
        return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), byteCount, wide.data(), size);
    return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

} // namespace platform::text

// kx_udf: the server-side functions the system declares in its databases. Each entry point is
// called by the Firebird engine through its DECLARE EXTERNAL FUNCTION: texts arrive as CSTRING
// (NUL-terminated ISO 8859-1 bytes), integers by reference, blobs through the engine's blob
// callback; FREE_IT results are allocated with ib_util_malloc, which the engine frees.
// No exception may leave an entry point: each one answers 0 or "" instead.

#include "KxUdf.h"

#include <cstring>
#include <ib_util.h>
#include <ibase.h>
#include <string>

#define KX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr std::size_t MaxCString = 32767; // the declared CSTRING(32767), NUL included

std::string_view Text(const char* text) {
    return text ? std::string_view(text) : std::string_view();
}

int IntArg(const ISC_LONG* value) {
    return value ? static_cast<int>(*value) : 0;
}

char* FreeItString(const std::string& text) {
    std::size_t length = std::min(text.size(), MaxCString - 1);
    auto* result = static_cast<char*>(ib_util_malloc(static_cast<long>(length + 1)));
    if (!result)
        return nullptr;
    std::memcpy(result, text.data(), length);
    result[length] = '\0';
    return result;
}

std::string ReadBlob(BLOBCALLBACK blob) {
    std::string content;
    if (!blob || !blob->blob_handle || !blob->blob_get_segment)
        return content;
    ISC_UCHAR buffer[16384];
    ISC_USHORT length = 0;
    while (blob->blob_get_segment(blob->blob_handle, buffer, sizeof buffer, &length))
        content.append(reinterpret_cast<const char*>(buffer), length);
    return content;
}

void WriteBlob(BLOBCALLBACK blob, const std::string& content) {
    if (!blob || !blob->blob_handle || !blob->blob_put_segment)
        return;
    constexpr std::size_t Segment = 65535;
    for (std::size_t pos = 0; pos < content.size(); pos += Segment) {
        std::size_t length = std::min(Segment, content.size() - pos);
        blob->blob_put_segment(blob->blob_handle, reinterpret_cast<const ISC_UCHAR*>(content.data() + pos),
                               static_cast<ISC_USHORT>(length));
    }
}

template <typename F> auto Guard(F body, decltype(body()) onError) noexcept -> decltype(body()) {
    try {
        return body();
    } catch (...) {
        return onError;
    }
}

} // namespace

// 1 when every blank-separated word of `words` occurs (without regard to case) in the blob.
KX_EXPORT ISC_LONG FindStringsInBlob(BLOBCALLBACK blob, const char* words) {
    return Guard([&] { return ISC_LONG(kx::ContainsAllWords({ReadBlob(blob)}, Text(words))); }, 0);
}

// 1 when every blank-separated word of `words` occurs (without regard to case) in `text`.
KX_EXPORT ISC_LONG FindStringsInString(const char* text, const char* words) {
    return Guard([&] { return ISC_LONG(kx::ContainsAllWords({Text(text)}, Text(words))); }, 0);
}

// 1 when every word of `words` occurs in at least one of the five texts.
KX_EXPORT ISC_LONG FindStringsIn5Strings(const char* s1, const char* s2, const char* s3, const char* s4, const char* s5,
                                         const char* words) {
    return Guard(
        [&] {
            return ISC_LONG(kx::ContainsAllWords({Text(s1), Text(s2), Text(s3), Text(s4), Text(s5)}, Text(words)));
        },
        0);
}

// The text with its first character in upper case and the others in lower case.
KX_EXPORT char* CapitalizeFirst(const char* text) {
    return Guard([&] { return FreeItString(kx::CapitalizeFirst(Text(text))); }, static_cast<char*>(nullptr));
}

// The text with the first letter of every word in upper case and the others in lower case.
KX_EXPORT char* Capitalize(const char* text) {
    return Guard([&] { return FreeItString(kx::Capitalize(Text(text))); }, static_cast<char*>(nullptr));
}

// Free bytes of the machine's drive `letter` (first character); 0 when it cannot tell.
KX_EXPORT ISC_INT64 GetFreeDiskSpace(const char* letter) {
    return Guard(
        [&] {
            char drive = (letter && *letter) ? *letter : '\0';
            ISC_INT64 bytes = kx::FreeDiskSpace(drive);
            kx::Log("GetFreeDiskSpace(" + std::string(drive ? 1 : 0, drive) + ") = " + std::to_string(bytes));
            return bytes;
        },
        ISC_INT64(0));
}

KX_EXPORT ISC_LONG GetDLLVersion() {
    return kx::Version();
}

// 1 when the text (blanks around it ignored) is a decimal number: optional sign, digits, at most
// one '.' or ',' separator.
KX_EXPORT ISC_LONG IsANumber(const char* text) {
    return Guard([&] { return ISC_LONG(kx::IsANumber(Text(text))); }, 0);
}

// Fills the result blob with the library's log: its version line, then the calls it recorded.
KX_EXPORT void GetLogData(BLOBCALLBACK blob) {
    try {
        WriteBlob(blob, kx::LogText());
    } catch (...) {
        // nothing sensible to hand the engine: the blob stays as written so far
    }
}

// Number (from 1) of the word holding character `position` (from 1); words are separated by the
// character of code `delimiter`, blanks when 0. 0 outside the text or on a separator.
KX_EXPORT ISC_LONG GetStrWordIndex(const char* text, const ISC_LONG* position, const ISC_LONG* delimiter) {
    return Guard([&] { return ISC_LONG(kx::WordIndexAt(Text(text), IntArg(position), IntArg(delimiter))); }, 0);
}

// Word number `index` (from 1) of the text, words separated as for GetStrWordIndex; "" when none.
KX_EXPORT char* GetStrWordAt(const char* text, const ISC_LONG* index, const ISC_LONG* delimiter) {
    return Guard([&] { return FreeItString(kx::WordAt(Text(text), IntArg(index), IntArg(delimiter))); },
                 static_cast<char*>(nullptr));
}

// Length of the text in characters (ISO 8859-1: one byte each).
KX_EXPORT ISC_LONG GetStrLen(const char* text) {
    return static_cast<ISC_LONG>(Text(text).size());
}

// The blob's content as text, cut to 32766 characters.
KX_EXPORT char* GetBlobString(BLOBCALLBACK blob) {
    return Guard([&] { return FreeItString(ReadBlob(blob)); }, static_cast<char*>(nullptr));
}

#include "platform/restart/RestartRenames.h"
#include "platform/text/Text.h"

namespace platform {

namespace {

constexpr std::string_view kNtPrefix = "\\??\\";

void AppendString(std::vector<std::uint8_t>& data, std::string_view text) {
    for (const char16_t unit : text::Utf8ToUtf16(text)) {
        data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        data.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    data.push_back(0);
    data.push_back(0);
}

std::string StripNtPrefix(std::string_view path) {
    if (path.substr(0, kNtPrefix.size()) == kNtPrefix)
        path.remove_prefix(kNtPrefix.size());
    return std::string(path);
}

} // namespace

std::vector<std::uint8_t> EncodePendingRenames(const std::vector<PendingRename>& renames) {
    std::vector<std::uint8_t> data;
    for (const PendingRename& rename : renames) {
        AppendString(data, std::string(kNtPrefix) + rename.source);
        if (rename.destination.empty())
            AppendString(data, "");
        else
            AppendString(data, (rename.replaceExisting ? "!" : "") + std::string(kNtPrefix) + rename.destination);
    }
    AppendString(data, "");
    return data;
}

std::vector<PendingRename> DecodePendingRenames(const std::vector<std::uint8_t>& data) {
    std::vector<std::string> strings;
    std::u16string current;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit != 0) {
            current += unit;
            continue;
        }
        strings.push_back(text::Utf16ToUtf8(current));
        current.clear();
    }
    if (!current.empty())
        strings.push_back(text::Utf16ToUtf8(current));
    std::vector<PendingRename> renames;
    // Pairs until an empty source (the list's closing null) or the end of the data.
    for (std::size_t i = 0; i < strings.size() && !strings[i].empty(); i += 2) {
        PendingRename rename;
        rename.source = StripNtPrefix(strings[i]);
        std::string_view destination = i + 1 < strings.size() ? std::string_view(strings[i + 1]) : std::string_view();
        if (!destination.empty() && destination.front() == '!') {
            rename.replaceExisting = true;
            destination.remove_prefix(1);
        }
        rename.destination = StripNtPrefix(destination);
        renames.push_back(std::move(rename));
    }
    return renames;
}

} // namespace platform

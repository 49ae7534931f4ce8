#include "Common/Impression/PrintListHeader.h"

#include "platform/text/Text.h"

namespace {

constexpr std::size_t kMaxValueCharacters = 255;

int FindLineStartingWith(const std::vector<std::string>& lines, std::string_view prefix) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (std::string_view(lines[i]).starts_with(prefix))
            return static_cast<int>(i);
    return -1;
}

// The text after the prefix, at most 255 characters (not bytes: the lines are UTF-8).
std::string ValueAfter(std::string_view line, std::size_t prefixLength) {
    const std::string_view value = line.substr(prefixLength);
    std::size_t pos = 0;
    for (std::size_t count = 0; pos < value.size() && count < kMaxValueCharacters; ++count)
        platform::text::DecodeUtf8(value, pos);
    return std::string(value.substr(0, pos));
}

std::string ValueOfLine(const std::vector<std::string>& lines, int index, std::size_t prefixLength) {
    return index < 0 ? std::string() : ValueAfter(lines[static_cast<std::size_t>(index)], prefixLength);
}

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

int FindCompatLine(const std::vector<std::string>& lines) {
    return FindLineStartingWith(lines, "COM:");
}

int FindDescriptionLine(const std::vector<std::string>& lines, char letter) {
    const char prefix[] = {'D', 'E', 'S', ':', letter, ':'};
    return FindLineStartingWith(lines, std::string_view(prefix, sizeof prefix));
}

void StripComment(std::string& value) {
    if (const std::size_t comment = value.find("/*"); comment != std::string::npos)
        value.erase(comment);
    std::size_t begin = 0;
    while (begin < value.size() && IsBlankOrControl(value[begin]))
        ++begin;
    std::size_t end = value.size();
    while (end > begin && IsBlankOrControl(value[end - 1]))
        --end;
    value = value.substr(begin, end - begin);
}

TPrintListHeader ReadPrintListHeader(const std::vector<std::string>& lines, std::string_view listName) {
    TPrintListHeader header;
    header.compat = ValueOfLine(lines, FindCompatLine(lines), 4);
    header.fText = ValueOfLine(lines, FindDescriptionLine(lines, 'F'), 6);
    header.iText = ValueOfLine(lines, FindDescriptionLine(lines, 'I'), 6);
    header.dText = ValueOfLine(lines, FindDescriptionLine(lines, 'D'), 6);
    std::string defaultText = ValueOfLine(lines, FindDescriptionLine(lines, 'X'), 6);
    if (defaultText.empty())
        defaultText = listName;
    // The default is copied with its remark; the remark goes with the others' below.
    for (std::string* description : {&header.fText, &header.iText, &header.dText})
        if (description->empty())
            *description = defaultText;
    for (std::string* value : {&header.fText, &header.iText, &header.dText, &header.compat})
        StripComment(*value);
    return header;
}

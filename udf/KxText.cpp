#include "KxUdf.h"

#include <algorithm>

namespace kx {

namespace {

bool IsBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsDelimiter(unsigned char c, int delimiter) {
    return delimiter == 0 ? IsBlank(c) : c == static_cast<unsigned char>(delimiter);
}

} // namespace

// ISO 8859-1: 0xC0-0xDE upper case and 0xE0-0xFE lower case, except the signs 0xD7 and 0xF7;
// 0xDF (sharp s) and 0xFF (y diaeresis) have no one-byte upper case.
unsigned char ToUpper(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return static_cast<unsigned char>(c - 0x20);
    return c;
}

unsigned char ToLower(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return static_cast<unsigned char>(c + 0x20);
    return c;
}

bool IsLetter(unsigned char c) {
    return ToUpper(c) != ToLower(c) || c == 0xDF || c == 0xFF;
}

std::string Upper(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(ToUpper(static_cast<unsigned char>(c)));
    return result;
}

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && IsBlank(static_cast<unsigned char>(text[pos])))
            ++pos;
        std::size_t end = pos;
        while (end < text.size() && !IsBlank(static_cast<unsigned char>(text[end])))
            ++end;
        if (end > pos)
            words.emplace_back(text.substr(pos, end - pos));
        pos = end;
    }
    return words;
}

bool ContainsAllWords(const std::vector<std::string_view>& texts, std::string_view words) {
    std::vector<std::string> upperTexts;
    for (std::string_view text : texts)
        upperTexts.push_back(Upper(text));
    for (const std::string& word : Words(words)) {
        std::string upperWord = Upper(word);
        bool found = std::any_of(upperTexts.begin(), upperTexts.end(),
                                 [&](const std::string& text) { return text.find(upperWord) != std::string::npos; });
        if (!found)
            return false;
    }
    return true;
}

std::string CapitalizeFirst(std::string_view text) {
    std::string result(text);
    bool first = true;
    for (char& c : result) {
        auto byte = static_cast<unsigned char>(c);
        c = static_cast<char>(first ? ToUpper(byte) : ToLower(byte));
        first = false;
    }
    return result;
}

std::string Capitalize(std::string_view text) {
    std::string result(text);
    bool wordStart = true;
    for (char& c : result) {
        auto byte = static_cast<unsigned char>(c);
        c = static_cast<char>(wordStart ? ToUpper(byte) : ToLower(byte));
        wordStart = !IsLetter(byte) && !(byte >= '0' && byte <= '9') && byte != '\'';
    }
    return result;
}

bool IsANumber(std::string_view text) {
    while (!text.empty() && IsBlank(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    if (!text.empty() && (text.front() == '+' || text.front() == '-'))
        text.remove_prefix(1);
    int digits = 0;
    int separators = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9')
            ++digits;
        else if ((c == '.' || c == ',') && ++separators == 1)
            continue;
        else
            return false;
    }
    return digits > 0;
}

std::string WordAt(std::string_view text, int index, int delimiter) {
    int number = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && IsDelimiter(static_cast<unsigned char>(text[pos]), delimiter))
            ++pos;
        std::size_t end = pos;
        while (end < text.size() && !IsDelimiter(static_cast<unsigned char>(text[end]), delimiter))
            ++end;
        if (end > pos && ++number == index)
            return std::string(text.substr(pos, end - pos));
        pos = end;
    }
    return {};
}

int WordIndexAt(std::string_view text, int position, int delimiter) {
    if (position < 1 || static_cast<std::size_t>(position) > text.size())
        return 0;
    auto target = static_cast<std::size_t>(position - 1);
    if (IsDelimiter(static_cast<unsigned char>(text[target]), delimiter))
        return 0;
    int number = 0;
    bool inWord = false;
    for (std::size_t i = 0; i <= target; ++i) {
        bool delimiterHere = IsDelimiter(static_cast<unsigned char>(text[i]), delimiter);
        if (!delimiterHere && !inWord)
            ++number;
        inWord = !delimiterHere;
    }
    return number;
}

} // namespace kx

#include "platform/registry/RegFile.h"
#include "platform/text/Text.h"

#include <algorithm>

// Hand-written: no Debian library reads regedit's format.

namespace platform {

namespace {

constexpr std::string_view kDenyMarker = ";!deny=";

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    return text;
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::string_view Trim(std::string_view text) {
    return TrimRight(TrimLeft(text));
}

// ASCII, the bulk of a hive, is the same character in UTF-8 and UTF-16: each run of it is copied
// here in one go; each run of other characters goes through the text library.
std::string DecodeUtf16(std::span<const std::uint8_t> bytes, bool bigEndian) {
    const std::size_t units = bytes.size() / 2;
    const std::uint8_t* const lowBytes = bytes.data() + (bigEndian ? 1 : 0);  // each unit's low 8 bits
    const std::uint8_t* const highBytes = bytes.data() + (bigEndian ? 0 : 1); // and its high 8 bits
    const auto ascii = [=](std::size_t i) {
        return highBytes[2 * i] == 0 && lowBytes[2 * i] < 0x80;
    };
    std::string text;
    text.reserve(units + units / 4); // room for some text beyond ASCII, which takes more in UTF-8
    std::u16string run;
    for (std::size_t i = 0; i < units;) {
        std::size_t end = i;
        while (end < units && ascii(end))
            ++end;
        const std::size_t start = text.size();
        text.resize(start + (end - i));
        char* const out = text.data() + start;
        for (std::size_t k = 0; k < end - i; ++k)
            out[k] = static_cast<char>(lowBytes[2 * (i + k)]);
        i = end;
        run.clear();
        for (; i < units && !ascii(i); ++i)
            run += static_cast<char16_t>(lowBytes[2 * i] | (highBytes[2 * i] << 8));
        if (!run.empty())
            text += text::Utf16ToUtf8(run);
    }
    return text;
}

// StringData, with ASCII text (most values) widened here.
std::vector<std::uint8_t> StringDataOf(std::string_view text) {
    if (!std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return StringData(text);
    std::vector<std::uint8_t> data(2 * text.size() + 2, 0);
    for (std::size_t i = 0; i < text.size(); ++i)
        data[2 * i] = static_cast<std::uint8_t>(text[i]);
    return data;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::uint32_t> ParseHexNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : digits) {
        const int digit = HexDigit(c);
        if (digit < 0)
            return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

// Reads one line after another and turns them into sections.
class Parser {
public:
    // `firstLine`: the number of the line before `text` in its file (for a part of a file).
    Parser(std::string_view text, std::string_view fileName, std::size_t firstLine = 0,
           RegFileFormat format = RegFileFormat::Version5)
        : FText(text)
        , FHasNul(text.find('\0') != std::string_view::npos)
        , FFileName(fileName)
        , FLineNumber(firstLine)
        , FFormat(format) {}

    RegFileDocument Parse() {
        RegFileDocument document = ParseHeader();
        ParseLines(document, nullptr);
        return document;
    }

    // The header, every key line and access mark checked, and where each key's section lies;
    // values are only delimited (their continuation lines followed), not read.
    RegFileDocument Skim(std::vector<RegFileIndex::Section>& sections) {
        RegFileDocument document = ParseHeader();
        ParseLines(document, &sections);
        return document;
    }

    // The lines of a part of the file (one section), read whole.
    RegFileDocument ParseBody() {
        RegFileDocument document;
        document.format = FFormat;
        ParseLines(document, nullptr);
        return document;
    }

private:
    RegFileDocument ParseHeader() {
        RegFileDocument document;
        std::string_view header;
        if (!NextLine(header)) {
            FReportLine = 1;
            Fail("fichier vide, l'en-tête manque");
        }
        header = Trim(header);
        if (header == kRegFileHeader5)
            document.format = RegFileFormat::Version5;
        else if (header == kRegFileHeader4)
            document.format = RegFileFormat::Regedit4;
        else
            Fail("en-tête inconnu (« " + std::string(kRegFileHeader5) + " » ou « REGEDIT4 » attendu)");
        FFormat = document.format;
        return document;
    }

    // With `sections`, skims: each key line's section is recorded there, values are not read.
    void ParseLines(RegFileDocument& document, std::vector<RegFileIndex::Section>* sections) {
        std::string_view line;
        while (NextLine(line)) {
            const auto content = Trim(line);
            if (content.empty())
                continue;
            if (content.front() == ';') {
                if (content.starts_with(kDenyMarker))
                    ParseDenyMarker(content.substr(kDenyMarker.size()), document);
                continue;
            }
            if (content.front() == '[') {
                document.sections.push_back(ParseKeyLine(content));
                if (sections != nullptr) {
                    if (!sections->empty())
                        sections->back().end = FLineStart;
                    const RegFileSection& section = document.sections.back();
                    sections->push_back(
                        {section.root, section.path, section.removeKey, FLineNumber, FLineStart, FText.size()});
                }
                continue;
            }
            if (content.front() == '"' || content.front() == '@') {
                if (document.sections.empty())
                    Fail("valeur placée avant toute clé");
                auto& section = document.sections.back();
                if (sections != nullptr) {
                    if (content.back() == '\\')
                        JoinContinuations(content); // its next lines belong to it
                    if (section.removeKey)
                        Fail("valeur placée sous une clé supprimée");
                    continue;
                }
                auto value = ParseValueLine(JoinContinuations(content));
                if (section.removeKey)
                    Fail("valeur placée sous une clé supprimée");
                section.values.push_back(std::move(value));
                continue;
            }
            Fail("ligne incompréhensible");
        }
    }

    [[noreturn]] void Fail(const std::string& reason) const { throw RegFileError(FFileName, FReportLine, reason); }

    // Lines end with CR LF, LF or CR.
    bool NextLine(std::string_view& line) {
        if (FPos >= FText.size())
            return false;
        FLineStart = FPos;
        // (A loop of its own: find_first_of looks each character up in the set with memchr.)
        std::size_t stop = FPos;
        while (stop < FText.size() && FText[stop] != '\r' && FText[stop] != '\n')
            ++stop;
        line = FText.substr(FPos, stop - FPos);
        FPos = stop;
        if (FPos < FText.size()) {
            if (FText[FPos] == '\r' && FPos + 1 < FText.size() && FText[FPos + 1] == '\n')
                ++FPos;
            ++FPos;
        }
        FReportLine = ++FLineNumber;
        if (FHasNul && line.find('\0') != std::string_view::npos)
            Fail("caractère nul dans la ligne");
        return true;
    }

    // A value line ending with a backslash goes on with the next line (regedit wraps hex data so).
    std::string JoinContinuations(std::string_view first) {
        std::string logical(first);
        const std::size_t startLine = FLineNumber;
        std::string_view next;
        while (!logical.empty() && logical.back() == '\\' && FPos < FText.size()) {
            logical.pop_back();
            NextLine(next);
            logical += Trim(next);
        }
        FReportLine = startLine; // errors of a wrapped value name its first line
        return logical;
    }

    void ParseDenyMarker(std::string_view list, RegFileDocument& document) {
        if (document.sections.empty() || document.sections.back().removeKey)
            Fail("marque d'accès placée hors d'une clé");
        auto& section = document.sections.back();
        section.denyRead = false;
        section.denyWrite = false;
        list = Trim(list);
        while (!list.empty()) {
            const auto comma = std::min(list.find(','), list.size());
            const auto word = Trim(list.substr(0, comma));
            if (text::EqualsIgnoreAsciiCase(word, "read"))
                section.denyRead = true;
            else if (text::EqualsIgnoreAsciiCase(word, "write"))
                section.denyWrite = true;
            else if (!text::EqualsIgnoreAsciiCase(word, "none"))
                Fail("marque d'accès inconnue « " + std::string(word) + " » (read, write ou none attendu)");
            list = comma < list.size() ? list.substr(comma + 1) : std::string_view();
        }
    }

    RegFileSection ParseKeyLine(std::string_view content) {
        if (content.back() != ']')
            Fail("ligne de clé sans « ] » final");
        RegFileSection section;
        section.line = FLineNumber;
        auto name = content.substr(1, content.size() - 2);
        if (!name.empty() && name.front() == '-') {
            section.removeKey = true;
            name.remove_prefix(1);
        }
        const auto slash = std::min(name.find('\\'), name.size());
        const auto root = ParseRootName(name.substr(0, slash));
        if (!root)
            Fail("racine de clé inconnue « " + std::string(name.substr(0, slash)) + " »");
        section.root = *root;
        const auto path = NormalizeKeyPath(slash < name.size() ? name.substr(slash + 1) : std::string_view());
        if (!path || (slash < name.size() && path->empty()))
            Fail("nom de clé incorrect « " + std::string(name) + " »");
        if (section.removeKey && path->empty())
            Fail("une racine ne peut pas être supprimée");
        section.path = *path;
        return section;
    }

    // Reads a quoted string at the front of `rest`, unescaping \\ and \", and advances `rest`.
    std::string ParseQuoted(std::string_view& rest) {
        std::string result;
        std::size_t i = 1;
        for (; i < rest.size() && rest[i] != '"'; ++i) {
            if (rest[i] == '\\') {
                if (i + 1 >= rest.size() || (rest[i + 1] != '\\' && rest[i + 1] != '"'))
                    Fail("séquence d'échappement incorrecte dans une chaîne (seuls \\\\ et \\\" sont admis)");
                ++i;
            }
            result += rest[i];
        }
        if (i >= rest.size())
            Fail("chaîne sans guillemet fermant");
        rest.remove_prefix(i + 1);
        return result;
    }

    std::vector<std::uint8_t> ParseHexBytes(std::string_view list) {
        std::vector<std::uint8_t> bytes;
        list = Trim(list);
        while (!list.empty()) {
            const auto comma = std::min(list.find(','), list.size());
            const auto item = Trim(list.substr(0, comma));
            const auto byte = ParseHexNumber(item);
            if (!byte || item.size() > 2)
                Fail("octet hexadécimal incorrect « " + std::string(item) + " »");
            bytes.push_back(static_cast<std::uint8_t>(*byte));
            list = comma < list.size() ? TrimLeft(list.substr(comma + 1)) : std::string_view();
        }
        return bytes;
    }

    // REGEDIT4 stores the text types in hex form as code page 1252 bytes; the registry holds UTF-16.
    static std::vector<std::uint8_t> AnsiToUtf16(const std::vector<std::uint8_t>& bytes) {
        const std::string utf8 =
            text::Cp1252ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        std::vector<std::uint8_t> data;
        for (const char16_t unit : text::Utf8ToUtf16(utf8)) {
            data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
            data.push_back(static_cast<std::uint8_t>(unit >> 8));
        }
        return data;
    }

    RegFileValue ParseValueLine(std::string_view line) {
        RegFileValue result;
        std::string_view rest = line;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else {
            result.value.name = ParseQuoted(rest);
            if (!IsValidValueName(result.value.name))
                Fail("nom de valeur incorrect");
        }
        rest = TrimLeft(rest);
        if (rest.empty() || rest.front() != '=')
            Fail("« = » attendu après le nom de la valeur");
        rest = Trim(rest.substr(1));
        if (rest.empty())
            Fail("donnée de valeur manquante");
        if (rest.front() == '"') {
            const std::string text = ParseQuoted(rest);
            if (!TrimRight(rest).empty())
                Fail("texte en trop après la chaîne");
            result.value.type = kRegSz;
            result.value.data = StringDataOf(text);
            return result;
        }
        if (rest == "-") {
            result.remove = true;
            return result;
        }
        if (text::StartsWithIgnoreAsciiCase(rest, "dword:")) {
            const auto number = ParseHexNumber(Trim(rest.substr(6)));
            if (!number)
                Fail("valeur dword incorrecte (1 à 8 chiffres hexadécimaux attendus)");
            result.value.type = kRegDword;
            result.value.data = DwordData(*number);
            return result;
        }
        if (text::StartsWithIgnoreAsciiCase(rest, "hex:")) {
            result.value.type = kRegBinary;
            result.value.data = ParseHexBytes(rest.substr(4));
            return result;
        }
        if (text::StartsWithIgnoreAsciiCase(rest, "hex(")) {
            const auto close = rest.find("):");
            const auto type =
                close == std::string_view::npos ? std::nullopt : ParseHexNumber(rest.substr(4, close - 4));
            if (!type)
                Fail("type hex(N) incorrect");
            result.value.type = *type;
            result.value.data = ParseHexBytes(rest.substr(close + 2));
            if (FFormat == RegFileFormat::Regedit4 &&
                (*type == kRegSz || *type == kRegExpandSz || *type == kRegMultiSz))
                result.value.data = AnsiToUtf16(result.value.data);
            return result;
        }
        Fail("donnée de valeur incompréhensible");
    }

    std::string_view FText;
    bool FHasNul; // a line holding one is refused: the lines are searched only when the text has one
    std::string FFileName;
    std::size_t FPos = 0;
    std::size_t FLineStart = 0; // of the line NextLine gave last
    std::size_t FLineNumber = 0;
    std::size_t FReportLine = 0;
    RegFileFormat FFormat = RegFileFormat::Version5;
};

std::string DecodeRegFile(std::span<const std::uint8_t> bytes, std::string_view fileName) {
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        if (bytes.size() % 2 != 0)
            throw RegFileError(std::string(fileName), 1, "fichier UTF-16 de longueur impaire");
        return DecodeUtf16(bytes.subspan(2), false);
    }
    if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        if (bytes.size() % 2 != 0)
            throw RegFileError(std::string(fileName), 1, "fichier UTF-16 de longueur impaire");
        return DecodeUtf16(bytes.subspan(2), true);
    }
    std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (raw.starts_with("\xEF\xBB\xBF")) {
        raw.remove_prefix(3);
        if (!text::IsValidUtf8(raw))
            throw RegFileError(std::string(fileName), 1, "fichier UTF-8 mal formé");
        return std::string(raw);
    }
    // Without a mark: REGEDIT4 files are in the ANSI code page; version 5 files are taken as
    // UTF-8 when they are well-formed UTF-8.
    if (raw.starts_with(kRegFileHeader4) || !text::IsValidUtf8(raw))
        return text::Cp1252ToUtf8(raw);
    return std::string(raw);
}

} // namespace

RegFileError::RegFileError(std::string fileName, std::size_t line, const std::string& reason)
    : std::runtime_error("Fichier de registre illisible : " + fileName + ", ligne " + std::to_string(line) + " : " +
                         reason)
    , FFileName(std::move(fileName))
    , FLine(line) {}

RegFileDocument ParseRegFile(std::span<const std::uint8_t> bytes, std::string_view fileName) {
    const std::string text = DecodeRegFile(bytes, fileName);
    return Parser(text, fileName).Parse();
}

RegFileIndex::RegFileIndex(std::span<const std::uint8_t> bytes, std::string fileName)
    : FText(DecodeRegFile(bytes, fileName))
    , FFileName(std::move(fileName)) {
    FFormat = Parser(FText, FFileName).Skim(FSections).format;
}

RegFileSection RegFileIndex::Parse(const Section& section) const {
    const std::string_view text = std::string_view(FText).substr(section.begin, section.end - section.begin);
    RegFileDocument document = Parser(text, FFileName, section.line - 1, FFormat).ParseBody();
    return std::move(document.sections.front()); // the part starts with the section's key line
}

} // namespace platform

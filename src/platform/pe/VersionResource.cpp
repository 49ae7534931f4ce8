#include "platform/pe/VersionResource.h"

#include "platform/pe/BoundedReader.h"
#include "platform/text/Text.h"

#include <algorithm>
#include <cstdio>

namespace platform {

namespace {

// A real resource nests four levels (root, StringFileInfo, table, string); deeper blocks are ignored.
constexpr int kMaxDepth = 8;
// Every block takes at least 8 bytes of a resource of at most 64 KiB; the cap keeps crafted input cheap.
constexpr std::size_t kMaxBlocks = 4096;
constexpr std::size_t kBlockHeaderSize = 6; // wLength, wValueLength, wType
constexpr std::uint16_t kTextType = 1;

std::size_t AlignTo4(std::size_t offset) {
    return (offset + 3) & ~std::size_t{3};
}

// One block of the VS_VERSIONINFO tree.
struct Block {
    std::size_t length = 0; // wLength
    std::u16string key;
    std::span<const std::uint8_t> value; // clamped to the block's own bytes
    std::uint16_t valueLength = 0;       // as declared
    std::vector<Block> children;
};

std::u16string ReadUtf16Z(std::span<const std::uint8_t> bytes, std::size_t& length) {
    std::u16string text;
    length = 0;
    while (length + 1 < bytes.size()) {
        const auto c = static_cast<char16_t>(bytes[length] | (bytes[length + 1] << 8));
        length += 2;
        if (c == u'\0')
            return text;
        text += c;
    }
    length = std::u16string::npos; // no terminator
    return text;
}

class BlockParser {
public:
    explicit BlockParser(std::span<const std::uint8_t> bytes)
        : FReader(bytes) {}

    // The block at `start`, which must end by `limit`; offsets are relative to the resource start,
    // which Windows keeps 32-bit aligned, so the padding rule applies to them directly.
    std::optional<Block> Parse(std::size_t start, std::size_t limit, int depth) {
        if (++FBlocks > kMaxBlocks || !FReader.Seek(start))
            return std::nullopt;
        const auto length = FReader.ReadU16();
        const auto valueLength = FReader.ReadU16();
        const auto type = FReader.ReadU16();
        if (!length || !valueLength || !type || *length < kBlockHeaderSize || *length > limit - start)
            return std::nullopt;
        const std::size_t end = start + *length;

        Block block;
        block.length = *length;
        std::size_t keyBytes = 0;
        block.key = ReadUtf16Z(*FReader.Slice(start + kBlockHeaderSize, end - start - kBlockHeaderSize), keyBytes);
        if (keyBytes == std::u16string::npos)
            return std::nullopt;

        // Text values count their length in UTF-16 units, binary ones in bytes.
        const std::size_t valueStart = std::min(AlignTo4(start + kBlockHeaderSize + keyBytes), end);
        const std::size_t valueBytes = *type == kTextType ? std::size_t{*valueLength} * 2 : *valueLength;
        block.valueLength = *valueLength;
        block.value = *FReader.Slice(valueStart, std::min(valueBytes, end - valueStart));

        if (depth >= kMaxDepth)
            return block;
        for (std::size_t child = AlignTo4(valueStart + valueBytes); child < end && end - child >= kBlockHeaderSize;) {
            auto parsed = Parse(child, end, depth + 1);
            if (!parsed)
                break;
            child = AlignTo4(child + parsed->length);
            block.children.push_back(std::move(*parsed));
        }
        return block;
    }

private:
    BoundedReader FReader;
    std::size_t FBlocks = 0;
};

bool KeyIs(const Block& block, std::string_view name) {
    return text::EqualsIgnoreCase(text::Utf16ToUtf8(block.key), name);
}

const Block* FindChild(const Block& parent, std::string_view name) {
    for (const Block& child : parent.children)
        if (KeyIs(child, name))
            return &child;
    return nullptr;
}

std::optional<FixedFileInfo> ReadFixedInfo(std::span<const std::uint8_t> value) {
    BoundedReader reader(value);
    if (value.size() < kFixedFileInfoSize || reader.ReadU32() != kFixedFileInfoSignature)
        return std::nullopt;
    FixedFileInfo info;
    for (std::uint32_t* field : {&info.structVersion, &info.fileVersionMS, &info.fileVersionLS, &info.productVersionMS,
                                 &info.productVersionLS, &info.fileFlagsMask, &info.fileFlags, &info.fileOS,
                                 &info.fileType, &info.fileSubtype, &info.fileDateMS, &info.fileDateLS})
        *field = *reader.ReadU32();
    return info;
}

// A string value is read up to its terminator within the block, whatever unit its producer
// counted wValueLength in; a zero length is an empty string, as VerQueryValueW reports it.
std::string ReadStringValue(const Block& block) {
    if (block.valueLength == 0)
        return {};
    std::size_t length = 0;
    return text::Utf16ToUtf8(ReadUtf16Z(block.value, length));
}

} // namespace

std::string Translation::BlockKey() const {
    char key[9];
    std::snprintf(key, sizeof key, "%04X%04X", static_cast<unsigned>(language), static_cast<unsigned>(codePage));
    return key;
}

std::optional<std::string> VersionResource::QueryString(std::string_view blockKey, std::string_view name) const {
    for (const StringTable& table : stringTables) {
        if (!text::EqualsIgnoreCase(table.key, blockKey))
            continue;
        for (const VersionString& string : table.strings)
            if (text::EqualsIgnoreCase(string.name, name))
                return string.value;
        return std::nullopt; // VerQueryValueW looks no further than the first table of that name
    }
    return std::nullopt;
}

std::optional<VersionResource> ParseVersionInfo(std::span<const std::uint8_t> bytes) {
    BlockParser parser(bytes);
    const auto root = parser.Parse(0, bytes.size(), 0);
    if (!root)
        return std::nullopt;

    VersionResource resource;
    resource.fixedInfo = ReadFixedInfo(root->value);
    if (const Block* strings = FindChild(*root, "StringFileInfo")) {
        for (const Block& table : strings->children) {
            StringTable& parsed = resource.stringTables.emplace_back();
            parsed.key = text::Utf16ToUtf8(table.key);
            for (const Block& string : table.children)
                parsed.strings.push_back({text::Utf16ToUtf8(string.key), ReadStringValue(string)});
        }
    }
    if (const Block* vars = FindChild(*root, "VarFileInfo")) {
        if (const Block* translation = FindChild(*vars, "Translation")) {
            BoundedReader reader(translation->value);
            while (reader.Remaining() >= 4)
                resource.translations.push_back({*reader.ReadU16(), *reader.ReadU16()});
        }
    }
    return resource;
}

std::optional<Translation> PreferredTranslation(const VersionResource& resource, std::uint16_t systemLanguage) {
    constexpr std::uint16_t kPrimaryMask = 0x03FF;
    constexpr std::uint16_t kEnglish = 0x09;
    const auto find = [&](auto matches) -> std::optional<Translation> {
        for (const Translation& translation : resource.translations)
            if (matches(translation.language))
                return translation;
        return std::nullopt;
    };
    if (auto found = find([&](std::uint16_t language) { return language == systemLanguage; }))
        return found;
    if (auto found = find([&](std::uint16_t language) {
            return (language & kPrimaryMask) == (systemLanguage & kPrimaryMask);
        }))
        return found;
    if (auto found = find([&](std::uint16_t language) { return (language & kPrimaryMask) == 0; }))
        return found;
    if (auto found = find([&](std::uint16_t language) { return (language & kPrimaryMask) == kEnglish; }))
        return found;
    if (resource.translations.empty())
        return std::nullopt;
    return resource.translations.front();
}

} // namespace platform

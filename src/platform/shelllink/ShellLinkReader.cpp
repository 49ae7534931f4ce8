#include "platform/pe/BoundedReader.h"
#include "platform/shelllink/ShellLink.h"
#include "platform/shelllink/ShellLinkFormat.h"
#include "platform/text/Text.h"

#include <algorithm>

namespace platform {

namespace {

using namespace shelllink_detail;

[[noreturn]] void Fail(const std::string& what) {
    throw ShellLinkError("lien .lnk invalide : " + what);
}

template <typename T> T Need(std::optional<T> value, const char* what) {
    if (!value)
        Fail(std::string("données tronquées (") + what + ")");
    return *value;
}

std::uint64_t ReadU64(BoundedReader& reader, const char* what) {
    const std::uint64_t low = Need(reader.ReadU32(), what);
    const std::uint64_t high = Need(reader.ReadU32(), what);
    return low | (high << 32);
}

// A null-terminated ANSI (1252) text at `offset` of `block`.
std::string AnsiStringAt(std::span<const std::uint8_t> block, std::size_t offset, const char* what) {
    if (offset >= block.size())
        Fail(std::string("position hors du bloc (") + what + ")");
    const auto begin = block.begin() + static_cast<std::ptrdiff_t>(offset);
    const auto end = std::find(begin, block.end(), std::uint8_t{0});
    if (end == block.end())
        Fail(std::string("texte sans fin (") + what + ")");
    return text::Cp1252ToUtf8(std::string(begin, end));
}

// A null-terminated UTF-16LE text at `offset` of `block`.
std::string UnicodeStringAt(std::span<const std::uint8_t> block, std::size_t offset, const char* what) {
    std::u16string units;
    for (std::size_t i = offset;; i += 2) {
        if (i >= block.size() || block.size() - i < 2)
            Fail(std::string("texte sans fin (") + what + ")");
        const auto unit = static_cast<char16_t>(block[i] | (block[i + 1] << 8));
        if (unit == 0)
            return text::Utf16ToUtf8(units);
        units += unit;
    }
}

std::uint32_t U32At(std::span<const std::uint8_t> block, std::size_t offset, const char* what) {
    BoundedReader reader(block);
    if (!reader.Seek(offset))
        Fail(std::string("position hors du bloc (") + what + ")");
    return Need(reader.ReadU32(), what);
}

void ReadIdList(BoundedReader& reader, ShellLink& link) {
    const std::uint16_t size = Need(reader.ReadU16(), "IDListSize");
    const auto bytes = Need(reader.ReadBytes(size), "IDList");
    // The items must chain exactly to the terminal item.
    BoundedReader items(bytes);
    while (true) {
        const std::uint16_t itemSize = Need(items.ReadU16(), "ItemIDSize");
        if (itemSize == 0)
            break;
        if (itemSize < 2 || !items.Skip(itemSize - 2u))
            Fail("élément d'ID list hors limites");
    }
    if (items.Remaining() != 0)
        Fail("ID list plus longue que ses éléments");
    link.idList.assign(bytes.begin(), bytes.end());
}

void ReadVolume(std::span<const std::uint8_t> info, std::uint32_t offset, ShellLink& link) {
    const std::uint32_t size = U32At(info, offset, "VolumeIDSize");
    if (size < kVolumeIdMinimum || size > info.size() - offset)
        Fail("VolumeID hors limites");
    const auto volume = info.subspan(offset, size);
    ShellLinkVolume result;
    result.driveType = U32At(volume, 4, "DriveType");
    result.serialNumber = U32At(volume, 8, "DriveSerialNumber");
    const std::uint32_t labelOffset = U32At(volume, 12, "VolumeLabelOffset");
    if (labelOffset == kVolumeLabelUnicodeMarker)
        result.label = UnicodeStringAt(volume, U32At(volume, 16, "VolumeLabelOffsetUnicode"), "VolumeLabel");
    else
        result.label = AnsiStringAt(volume, labelOffset, "VolumeLabel");
    link.volume = std::move(result);
}

void ReadLinkInfo(BoundedReader& reader, ShellLink& link) {
    const std::size_t start = reader.Position();
    const std::uint32_t size = Need(reader.ReadU32(), "LinkInfoSize");
    if (size < kLinkInfoHeaderMinimum)
        Fail("LinkInfo trop court");
    const auto info = Need(reader.Slice(start, size), "LinkInfo");
    reader.Seek(start + size);
    const std::uint32_t headerSize = U32At(info, 4, "LinkInfoHeaderSize");
    if (headerSize < kLinkInfoHeaderMinimum || headerSize > size)
        Fail("en-tête LinkInfo hors limites");
    const bool unicode = headerSize >= kLinkInfoHeaderWithUnicode;
    const std::uint32_t flags = U32At(info, 8, "LinkInfoFlags");
    if ((flags & kVolumeIdAndLocalBasePath) != 0) {
        ReadVolume(info, U32At(info, 12, "VolumeIDOffset"), link);
        const std::uint32_t unicodeOffset = unicode ? U32At(info, 28, "LocalBasePathOffsetUnicode") : 0;
        link.localBasePath = unicodeOffset != 0
                                 ? UnicodeStringAt(info, unicodeOffset, "LocalBasePath")
                                 : AnsiStringAt(info, U32At(info, 16, "LocalBasePathOffset"), "LocalBasePath");
    } else if ((flags & kCommonNetworkRelativeLinkAndPathSuffix) != 0) {
        // A network target: the share's name stands where a local base path would.
        const std::uint32_t offset = U32At(info, 20, "CommonNetworkRelativeLinkOffset");
        const std::uint32_t netSize = U32At(info, offset, "CommonNetworkRelativeSize");
        if (netSize < 0x14 || netSize > info.size() - offset)
            Fail("CommonNetworkRelativeLink hors limites");
        const auto net = info.subspan(offset, netSize);
        link.localBasePath = AnsiStringAt(net, U32At(net, 8, "NetNameOffset"), "NetName");
        if (!link.localBasePath.empty() && link.localBasePath.back() != '\\')
            link.localBasePath += '\\';
    }
    const std::uint32_t suffixUnicode = unicode ? U32At(info, 32, "CommonPathSuffixOffsetUnicode") : 0;
    const std::uint32_t suffixOffset = U32At(info, 24, "CommonPathSuffixOffset");
    if (suffixUnicode != 0)
        link.commonPathSuffix = UnicodeStringAt(info, suffixUnicode, "CommonPathSuffix");
    else if (suffixOffset != 0)
        link.commonPathSuffix = AnsiStringAt(info, suffixOffset, "CommonPathSuffix");
}

std::string ReadStringData(BoundedReader& reader, bool unicode, const char* what) {
    const std::uint16_t count = Need(reader.ReadU16(), what);
    const auto bytes = Need(reader.ReadBytes(unicode ? count * std::size_t{2} : count), what);
    if (!unicode)
        return text::Cp1252ToUtf8(std::string(bytes.begin(), bytes.end()));
    std::u16string units(count, u'\0');
    for (std::size_t i = 0; i < count; ++i)
        units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return text::Utf16ToUtf8(units);
}

void ReadExtraData(BoundedReader& reader, ShellLink& link) {
    while (true) {
        const std::size_t start = reader.Position();
        const std::uint32_t size = Need(reader.ReadU32(), "TerminalBlock");
        if (size < 4)
            return; // the terminal block
        if (size < 8)
            Fail("bloc ExtraData trop court");
        const auto block = Need(reader.Slice(start, size), "ExtraData");
        link.extraData.insert(link.extraData.end(), block.begin(), block.end());
        reader.Seek(start + size);
    }
}

} // namespace

ShellLink ParseShellLink(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > kMaxShellLinkSize)
        Fail("fichier trop grand");
    BoundedReader reader(bytes);
    if (Need(reader.ReadU32(), "HeaderSize") != kHeaderSize)
        Fail("taille d'en-tête incorrecte");
    const auto clsid = Need(reader.ReadBytes(16), "LinkCLSID");
    if (!std::equal(clsid.begin(), clsid.end(), kLinkClsid.begin()))
        Fail("identifiant de classe incorrect");
    ShellLink link;
    link.linkFlags = Need(reader.ReadU32(), "LinkFlags");
    link.fileAttributes = Need(reader.ReadU32(), "FileAttributes");
    link.creationTime = ReadU64(reader, "CreationTime");
    link.accessTime = ReadU64(reader, "AccessTime");
    link.writeTime = ReadU64(reader, "WriteTime");
    link.fileSize = Need(reader.ReadU32(), "FileSize");
    link.iconIndex = static_cast<std::int32_t>(Need(reader.ReadU32(), "IconIndex"));
    link.showCommand = static_cast<std::int32_t>(Need(reader.ReadU32(), "ShowCommand"));
    link.hotKey = Need(reader.ReadU16(), "HotKey");
    if (!reader.Skip(10))
        Fail("données tronquées (Reserved)");

    if ((link.linkFlags & kHasLinkTargetIdList) != 0)
        ReadIdList(reader, link);
    if ((link.linkFlags & kHasLinkInfo) != 0 && (link.linkFlags & kForceNoLinkInfo) == 0)
        ReadLinkInfo(reader, link);
    else if ((link.linkFlags & kHasLinkInfo) != 0) {
        // Present but to be ignored: step over it.
        const std::size_t start = reader.Position();
        const std::uint32_t size = Need(reader.ReadU32(), "LinkInfoSize");
        if (size < 4 || !reader.Seek(start + size) || start + size > bytes.size())
            Fail("LinkInfo hors limites");
    }
    const bool unicode = (link.linkFlags & kIsUnicode) != 0;
    if ((link.linkFlags & kHasName) != 0)
        link.name = ReadStringData(reader, unicode, "NAME_STRING");
    if ((link.linkFlags & kHasRelativePath) != 0)
        link.relativePath = ReadStringData(reader, unicode, "RELATIVE_PATH");
    if ((link.linkFlags & kHasWorkingDir) != 0)
        link.workingDir = ReadStringData(reader, unicode, "WORKING_DIR");
    if ((link.linkFlags & kHasArguments) != 0)
        link.arguments = ReadStringData(reader, unicode, "COMMAND_LINE_ARGUMENTS");
    if ((link.linkFlags & kHasIconLocation) != 0)
        link.iconLocation = ReadStringData(reader, unicode, "ICON_LOCATION");
    ReadExtraData(reader, link);
    return link;
}

} // namespace platform

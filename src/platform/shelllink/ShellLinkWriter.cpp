#include "platform/shelllink/ShellLink.h"
#include "platform/shelllink/ShellLinkFormat.h"
#include "platform/text/Text.h"

namespace platform {

namespace {

using namespace shelllink_detail;

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutU64(std::vector<std::uint8_t>& out, std::uint64_t value) {
    PutU32(out, static_cast<std::uint32_t>(value));
    PutU32(out, static_cast<std::uint32_t>(value >> 32));
}

void SetU32(std::vector<std::uint8_t>& out, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutAnsiZ(std::vector<std::uint8_t>& out, const std::string& utf8) {
    const std::string ansi = text::Utf8ToCp1252(utf8);
    out.insert(out.end(), ansi.begin(), ansi.end());
    out.push_back(0);
}

void PutUnicodeZ(std::vector<std::uint8_t>& out, const std::string& utf8) {
    for (const char16_t unit : text::Utf8ToUtf16(utf8))
        PutU16(out, static_cast<std::uint16_t>(unit));
    PutU16(out, 0);
}

std::vector<std::uint8_t> LinkInfo(const ShellLink& link) {
    std::vector<std::uint8_t> info(kLinkInfoHeaderWithUnicode, 0);
    SetU32(info, 4, kLinkInfoHeaderWithUnicode);
    SetU32(info, 8, kVolumeIdAndLocalBasePath);
    SetU32(info, 12, static_cast<std::uint32_t>(info.size()));
    const ShellLinkVolume volume = link.volume.value_or(ShellLinkVolume{});
    PutU32(info, kVolumeIdMinimum + static_cast<std::uint32_t>(text::Utf8ToCp1252(volume.label).size()) + 1);
    PutU32(info, volume.driveType);
    PutU32(info, volume.serialNumber);
    PutU32(info, kVolumeIdMinimum);
    PutAnsiZ(info, volume.label);
    SetU32(info, 16, static_cast<std::uint32_t>(info.size()));
    PutAnsiZ(info, link.localBasePath);
    SetU32(info, 24, static_cast<std::uint32_t>(info.size()));
    PutAnsiZ(info, link.commonPathSuffix);
    SetU32(info, 28, static_cast<std::uint32_t>(info.size()));
    PutUnicodeZ(info, link.localBasePath);
    SetU32(info, 32, static_cast<std::uint32_t>(info.size()));
    PutUnicodeZ(info, link.commonPathSuffix);
    SetU32(info, 0, static_cast<std::uint32_t>(info.size()));
    return info;
}

void PutStringData(std::vector<std::uint8_t>& out, const std::string& utf8) {
    const std::u16string units = text::Utf8ToUtf16(utf8);
    if (units.size() > 0xFFFF)
        throw ShellLinkError("texte trop long pour un lien .lnk");
    PutU16(out, static_cast<std::uint16_t>(units.size()));
    for (const char16_t unit : units)
        PutU16(out, static_cast<std::uint16_t>(unit));
}

} // namespace

std::vector<std::uint8_t> EncodeShellLink(const ShellLink& link) {
    const bool hasLinkInfo = link.volume.has_value() || !link.localBasePath.empty();
    if (link.idList.size() > 0xFFFF)
        throw ShellLinkError("ID list trop longue pour un lien .lnk");
    std::uint32_t flags = link.linkFlags & ~(kHasLinkTargetIdList | kHasLinkInfo | kHasName | kHasRelativePath |
                                             kHasWorkingDir | kHasArguments | kHasIconLocation | kForceNoLinkInfo);
    flags |= kIsUnicode;
    const auto flagIf = [&flags](bool condition, std::uint32_t bit) {
        if (condition)
            flags |= bit;
    };
    flagIf(!link.idList.empty(), kHasLinkTargetIdList);
    flagIf(hasLinkInfo, kHasLinkInfo);
    flagIf(!link.name.empty(), kHasName);
    flagIf(!link.relativePath.empty(), kHasRelativePath);
    flagIf(!link.workingDir.empty(), kHasWorkingDir);
    flagIf(!link.arguments.empty(), kHasArguments);
    flagIf(!link.iconLocation.empty(), kHasIconLocation);

    std::vector<std::uint8_t> out;
    PutU32(out, kHeaderSize);
    out.insert(out.end(), kLinkClsid.begin(), kLinkClsid.end());
    PutU32(out, flags);
    PutU32(out, link.fileAttributes);
    PutU64(out, link.creationTime);
    PutU64(out, link.accessTime);
    PutU64(out, link.writeTime);
    PutU32(out, link.fileSize);
    PutU32(out, static_cast<std::uint32_t>(link.iconIndex));
    PutU32(out, static_cast<std::uint32_t>(link.showCommand));
    PutU16(out, link.hotKey);
    out.resize(out.size() + 10, 0); // Reserved1..3
    if (!link.idList.empty()) {
        PutU16(out, static_cast<std::uint16_t>(link.idList.size()));
        out.insert(out.end(), link.idList.begin(), link.idList.end());
    }
    if (hasLinkInfo) {
        const std::vector<std::uint8_t> info = LinkInfo(link);
        out.insert(out.end(), info.begin(), info.end());
    }
    for (const std::string* text :
         {&link.name, &link.relativePath, &link.workingDir, &link.arguments, &link.iconLocation})
        if (!text->empty())
            PutStringData(out, *text);
    out.insert(out.end(), link.extraData.begin(), link.extraData.end());
    PutU32(out, 0); // the terminal block
    return out;
}

} // namespace platform

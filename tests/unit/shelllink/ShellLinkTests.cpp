// The .lnk format: links written then read back field by field, a link laid out by hand in the
// ANSI form other writers use, and damaged links refused without reading out of bounds.

#include "platform/shelllink/ShellLink.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using platform::ParseShellLink;
using platform::ShellLink;
using platform::ShellLinkError;

using Bytes = std::vector<std::uint8_t>;

void U16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void U32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Ansi(Bytes& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}
void Patch32(Bytes& out, std::size_t offset, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A link as an ANSI writer lays it out: ID list of one item, LinkInfo with the 0x1C header,
// ANSI string data (description and arguments), then the terminal extra-data block.
Bytes HandMadeAnsiLink() {
    Bytes out;
    U32(out, 0x4C);
    for (const std::uint8_t b :
         {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46})
        out.push_back(b);
    U32(out, 0x1 | 0x2 | 0x4 | 0x20); // ID list, link info, name, arguments; not Unicode
    U32(out, 0x20);                   // FILE_ATTRIBUTE_ARCHIVE
    for (int i = 0; i < 6; ++i)
        U32(out, 0);  // three FILETIMEs
    U32(out, 1234);   // file size
    U32(out, 2);      // icon index
    U32(out, 3);      // SW_SHOWMAXIMIZED
    U16(out, 0x0641); // Ctrl+Alt+A
    out.resize(out.size() + 10, 0);
    // ID list: one item of 6 bytes (size + 4 data bytes), then the terminal item.
    U16(out, 8);
    U16(out, 6);
    Ansi(out, "ABCD");
    U16(out, 0);
    // LinkInfo, header 0x1C: volume then "C:\Apps\" and suffix "Tool.exe".
    const std::size_t info = out.size();
    U32(out, 0);        // size, patched
    U32(out, 0x1C);     // header size
    U32(out, 1);        // VolumeIDAndLocalBasePath
    U32(out, 0x1C);     // VolumeID offset
    U32(out, 0);        // LocalBasePath offset, patched
    U32(out, 0);        // no network part
    U32(out, 0);        // CommonPathSuffix offset, patched
    U32(out, 0x10 + 5); // VolumeID: size
    U32(out, 3);        // DRIVE_FIXED
    U32(out, 0xCAFE);   // serial
    U32(out, 0x10);     // label offset
    Ansi(out, "DATA");
    out.push_back(0);
    Patch32(out, info + 16, static_cast<std::uint32_t>(out.size() - info));
    Ansi(out, "C:\\Apps\\");
    out.push_back(0);
    Patch32(out, info + 24, static_cast<std::uint32_t>(out.size() - info));
    Ansi(out, "Tool\xE9.exe"); // é in code page 1252
    out.push_back(0);
    Patch32(out, info, static_cast<std::uint32_t>(out.size() - info));
    U16(out, 5);
    Ansi(out, "Outil");
    U16(out, 3);
    Ansi(out, "/s1");
    U32(out, 0);
    return out;
}

ShellLink FullLink() {
    ShellLink link;
    link.fileAttributes = 0x20;
    link.creationTime = 133000000000000001ULL;
    link.accessTime = 133000000000000002ULL;
    link.writeTime = 133000000000000003ULL;
    link.fileSize = 4096;
    link.iconIndex = -3;
    link.showCommand = platform::kSwShowMinNoActive;
    link.hotKey = 0x0346;
    link.idList = {4, 0, 0x1F, 0x50, 0, 0};
    link.volume = platform::ShellLinkVolume{3, 0x12345678, "Système"};
    link.localBasePath = "C:\\Program Files\\Quarnel\\Veltrane.exe";
    link.name = "Mise à jour de Veltrane";
    link.relativePath = "..\\..\\Program Files\\Quarnel\\Veltrane.exe";
    link.workingDir = "C:\\Program Files\\Quarnel\\";
    link.arguments = "/silent \"C:\\Données\\société.fdb\"";
    link.iconLocation = "C:\\Program Files\\Quarnel\\Veltrane.ico";
    link.extraData = {12, 0, 0, 0, 0x05, 0, 0, 0xA0, 1, 2, 3, 4}; // one 12-byte block
    return link;
}

TEST(ShellLinkFormat, EveryFieldRoundTrips) {
    const ShellLink link = FullLink();
    ShellLink read = ParseShellLink(platform::EncodeShellLink(link));
    EXPECT_EQ(read.linkFlags & 0xFF, 0xFFu); // all seven Has* flags and IsUnicode
    read.linkFlags = link.linkFlags;
    EXPECT_EQ(read, link);
    EXPECT_EQ(read.TargetPath(), "C:\\Program Files\\Quarnel\\Veltrane.exe");
}

TEST(ShellLinkFormat, WrittenLayoutStartsWithTheHeaderAndClassIdentifier) {
    const Bytes bytes = platform::EncodeShellLink(FullLink());
    ASSERT_GE(bytes.size(), 0x4Cu);
    EXPECT_EQ(bytes[0], 0x4C);
    EXPECT_EQ(bytes[1] | bytes[2] | bytes[3], 0);
    EXPECT_EQ(bytes[4], 0x01);
    EXPECT_EQ(bytes[5], 0x14);
    EXPECT_EQ(bytes[6], 0x02);
    EXPECT_EQ(bytes[12], 0xC0);
    EXPECT_EQ(bytes[19], 0x46);
    // The ID list follows the header, its size first.
    EXPECT_EQ(bytes[0x4C], 6);
    EXPECT_EQ(bytes[0x4D], 0);
    // The file ends with the terminal extra-data block.
    EXPECT_EQ(Bytes(bytes.end() - 4, bytes.end()), Bytes(4, 0));
}

TEST(ShellLinkFormat, EmptyTextsLeaveTheirFlagsOut) {
    ShellLink link;
    link.arguments = "-x";
    const ShellLink read = ParseShellLink(platform::EncodeShellLink(link));
    EXPECT_EQ(read.linkFlags, platform::kHasArguments | platform::kIsUnicode);
    EXPECT_EQ(read.arguments, "-x");
    EXPECT_FALSE(read.volume);
    EXPECT_EQ(read.TargetPath(), "");
}

TEST(ShellLinkFormat, ReadsAnAnsiLinkLaidOutByHand) {
    const ShellLink link = ParseShellLink(HandMadeAnsiLink());
    EXPECT_EQ(link.TargetPath(), "C:\\Apps\\Toolé.exe");
    ASSERT_TRUE(link.volume);
    EXPECT_EQ(link.volume->serialNumber, 0xCAFEu);
    EXPECT_EQ(link.volume->label, "DATA");
    EXPECT_EQ(link.name, "Outil");
    EXPECT_EQ(link.arguments, "/s1");
    EXPECT_EQ(link.iconIndex, 2);
    EXPECT_EQ(link.showCommand, platform::kSwShowMaximized);
    EXPECT_EQ(link.hotKey, 0x0641);
    EXPECT_EQ(link.fileSize, 1234u);
    EXPECT_EQ(link.idList, (Bytes{6, 0, 'A', 'B', 'C', 'D', 0, 0}));
}

TEST(ShellLinkFormat, EveryTruncationIsRefused) {
    for (const Bytes& whole : {HandMadeAnsiLink(), platform::EncodeShellLink(FullLink())}) {
        for (std::size_t size = 0; size < whole.size(); ++size)
            EXPECT_THROW(ParseShellLink(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size))),
                         ShellLinkError)
                << "size " << size;
    }
}

struct DamageRow {
    const char* name;
    std::size_t offset;
    std::uint32_t value;
};

// Offsets in HandMadeAnsiLink: header 0..0x4B, ID list 0x4C..0x55, LinkInfo from 0x56.
const DamageRow kDamages[] = {
    {"HeaderSize", 0x00, 0x4D},
    {"ClassIdentifier", 0x04, 0x00021402},
    {"IdListLongerThanItems", 0x4C, 0x0006000A},
    {"ItemPastTheList", 0x4E, 0x4141FFFF},
    {"LinkInfoSizeTooSmall", 0x56, 0x08},
    {"LinkInfoPastTheFile", 0x56, 0x7FFFFFF0},
    {"LinkInfoHeaderPastItsBlock", 0x5A, 0x1000},
    {"VolumeOffsetPastTheBlock", 0x62, 0x7000},
    {"BasePathOffsetPastTheBlock", 0x66, 0xFFFFFFFF},
    {"SuffixOffsetPastTheBlock", 0x6E, 0x900},
    {"VolumeSizePastTheBlock", 0x72, 0x500},
};

class ShellLinkDamage : public testing::TestWithParam<DamageRow> {};

TEST_P(ShellLinkDamage, IsRefused) {
    Bytes bytes = HandMadeAnsiLink();
    Patch32(bytes, GetParam().offset, GetParam().value);
    EXPECT_THROW(ParseShellLink(bytes), ShellLinkError);
}

INSTANTIATE_TEST_SUITE_P(Rows, ShellLinkDamage, testing::ValuesIn(kDamages),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(ShellLinkFormat, TextWithoutTerminatorIsRefused) {
    Bytes bytes = HandMadeAnsiLink();
    // The suffix "Toolé.exe" is the last text of the LinkInfo block: overwrite its null.
    const std::size_t infoSize = bytes[0x56] | (bytes[0x57] << 8);
    bytes[0x56 + infoSize - 1] = 'x';
    EXPECT_THROW(ParseShellLink(bytes), ShellLinkError);
}

TEST(ShellLinkFormat, OversizedInputIsRefused) {
    Bytes bytes = HandMadeAnsiLink();
    bytes.resize(platform::kMaxShellLinkSize + 1, 0);
    EXPECT_THROW(ParseShellLink(bytes), ShellLinkError);
}

} // namespace

#include "pe/PeWriter.h"

#include "platform/text/Text.h"

#include <fstream>
#include <stdexcept>
#include <string>

namespace testsupport {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;
constexpr std::uint16_t kResourceLanguage = 0x040C;

void PutU16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}
void PutU32(Bytes& out, std::uint32_t value) {
    PutU16(out, static_cast<std::uint16_t>(value));
    PutU16(out, static_cast<std::uint16_t>(value >> 16));
}
void PutU64(Bytes& out, std::uint64_t value) {
    PutU32(out, static_cast<std::uint32_t>(value));
    PutU32(out, static_cast<std::uint32_t>(value >> 32));
}
void SetU16(Bytes& out, std::size_t at, std::uint16_t value) {
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}
void PadTo(Bytes& out, std::size_t alignment) {
    while (out.size() % alignment != 0)
        out.push_back(0);
}
std::uint32_t AlignUp(std::size_t value, std::uint32_t alignment) {
    return static_cast<std::uint32_t>((value + alignment - 1) / alignment * alignment);
}
void PutUtf16Z(Bytes& out, std::string_view utf8) {
    for (char16_t c : platform::text::Utf8ToUtf16(utf8))
        PutU16(out, c);
    PutU16(out, 0);
}

// One block: header, key, padding, value, then the children the callback appends (each aligned).
// `valueLength` is in UTF-16 units for text blocks (type 1) and in bytes for binary ones.
template <typename Children>
void PutBlock(Bytes& out, std::string_view key, std::uint16_t type, std::span<const std::uint8_t> value,
              std::uint16_t valueLength, Children children) {
    PadTo(out, 4);
    const std::size_t start = out.size();
    PutU16(out, 0); // wLength, set below
    PutU16(out, valueLength);
    PutU16(out, type);
    PutUtf16Z(out, key);
    PadTo(out, 4);
    out.insert(out.end(), value.begin(), value.end());
    children(out);
    SetU16(out, start, static_cast<std::uint16_t>(out.size() - start));
}

void NoChildren(Bytes&) {}

Bytes FixedInfoBytes(const platform::FixedFileInfo& info) {
    Bytes out;
    PutU32(out, platform::kFixedFileInfoSignature);
    for (std::uint32_t field : {info.structVersion, info.fileVersionMS, info.fileVersionLS, info.productVersionMS,
                                info.productVersionLS, info.fileFlagsMask, info.fileFlags, info.fileOS, info.fileType,
                                info.fileSubtype, info.fileDateMS, info.fileDateLS})
        PutU32(out, field);
    return out;
}

// The ".rsrc" section: three directory levels down to one data entry, then the data.
Bytes ResourceSection(std::span<const std::uint8_t> data) {
    Bytes out;
    const auto directory = [&out](std::uint32_t id, std::uint32_t target) {
        for (int i = 0; i < 3; ++i)
            PutU32(out, 0); // characteristics, time stamp, version
        PutU16(out, 0);     // named entries
        PutU16(out, 1);     // ID entries
        PutU32(out, id);
        PutU32(out, target);
    };
    directory(16, 0x80000000 | 24);   // RT_VERSION
    directory(1, 0x80000000 | 48);    // name 1
    directory(kResourceLanguage, 72); // language, pointing at the data entry
    PutU32(out, kSectionRva + 88);    // data entry: RVA of the data
    PutU32(out, static_cast<std::uint32_t>(data.size()));
    PutU32(out, 0);
    PutU32(out, 0);
    PadTo(out, 8);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

} // namespace

platform::VersionResource MakeVersionResource(std::uint16_t major, std::uint16_t minor, std::uint16_t release,
                                              std::uint16_t build, std::string_view fileVersionText) {
    const std::string numbers = std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(release) +
                                "." + std::to_string(build);
    platform::FixedFileInfo fixed;
    fixed.fileVersionMS = std::uint32_t{major} << 16 | minor;
    fixed.fileVersionLS = std::uint32_t{release} << 16 | build;
    fixed.productVersionMS = fixed.fileVersionMS;
    fixed.productVersionLS = fixed.fileVersionLS;
    fixed.fileOS = 0x00040004;
    const platform::Translation french{0x040C, 0x04E4};
    platform::VersionResource resource;
    resource.fixedInfo = fixed;
    resource.translations = {french};
    resource.stringTables = {{french.BlockKey(),
                              {{"FileVersion", fileVersionText.empty() ? numbers : std::string(fileVersionText)},
                               {"ProductVersion", numbers}}}};
    return resource;
}

std::vector<std::uint8_t> EncodeVersionInfo(const platform::VersionResource& resource) {
    Bytes out;
    const Bytes fixed = resource.fixedInfo ? FixedInfoBytes(*resource.fixedInfo) : Bytes{};
    PutBlock(out, "VS_VERSION_INFO", 0, fixed, static_cast<std::uint16_t>(fixed.size()), [&](Bytes& root) {
        if (!resource.stringTables.empty()) {
            PutBlock(root, "StringFileInfo", 1, {}, 0, [&](Bytes& info) {
                for (const platform::StringTable& table : resource.stringTables) {
                    PutBlock(info, table.key, 1, {}, 0, [&](Bytes& strings) {
                        for (const platform::VersionString& string : table.strings) {
                            Bytes value;
                            PutUtf16Z(value, string.value);
                            PutBlock(strings, string.name, 1, value, static_cast<std::uint16_t>(value.size() / 2),
                                     NoChildren);
                        }
                    });
                }
            });
        }
        if (!resource.translations.empty()) {
            PutBlock(root, "VarFileInfo", 1, {}, 0, [&](Bytes& vars) {
                Bytes pairs;
                for (const platform::Translation& translation : resource.translations) {
                    PutU16(pairs, translation.language);
                    PutU16(pairs, translation.codePage);
                }
                PutBlock(vars, "Translation", 0, pairs, static_cast<std::uint16_t>(pairs.size()), NoChildren);
            });
        }
    });
    return out;
}

std::vector<std::uint8_t> MakePeImage(PeFormat format, std::span<const std::uint8_t> versionInfo) {
    const bool plus = format == PeFormat::Pe32Plus;
    const bool hasResource = !versionInfo.empty();
    const Bytes section = hasResource ? ResourceSection(versionInfo) : Bytes{};
    const std::uint32_t rawSize = AlignUp(section.size(), kFileAlignment);
    const std::uint32_t headersSize = kFileAlignment;

    Bytes out;
    PutU16(out, 0x5A4D); // "MZ"
    out.resize(0x3C, 0);
    PutU32(out, 0x40);       // e_lfanew
    PutU32(out, 0x00004550); // "PE\0\0"

    PutU16(out, plus ? 0x8664 : 0x014C); // machine
    PutU16(out, hasResource ? 1 : 0);    // sections
    PutU32(out, 0);                      // time stamp
    PutU32(out, 0);                      // symbol table
    PutU32(out, 0);                      // symbols
    PutU16(out, plus ? 240 : 224);       // optional header size
    PutU16(out, plus ? 0x2022 : 0x2102); // DLL, executable image, (32-bit machine | large addresses)

    PutU16(out, plus ? 0x20B : 0x10B);
    PutU16(out, 0);           // linker version
    PutU32(out, 0);           // code size
    PutU32(out, rawSize);     // initialised data size
    PutU32(out, 0);           // uninitialised data size
    PutU32(out, 0);           // entry point: none, a resource-only library
    PutU32(out, kSectionRva); // base of code
    if (plus) {
        PutU64(out, 0x180000000);
    } else {
        PutU32(out, kSectionRva); // base of data
        PutU32(out, 0x10000000);
    }
    PutU32(out, kSectionAlignment);
    PutU32(out, kFileAlignment);
    PutU16(out, 6); // OS version 6.0
    PutU16(out, 0);
    PutU32(out, 0); // image version
    PutU16(out, 6); // subsystem version 6.0
    PutU16(out, 0);
    PutU32(out, 0);                                                        // Win32 version
    PutU32(out, kSectionRva + AlignUp(section.size(), kSectionAlignment)); // image size
    PutU32(out, headersSize);
    PutU32(out, 0);             // checksum
    PutU16(out, 2);             // GUI subsystem
    PutU16(out, 0x0140);        // dynamic base, NX compatible
    for (int i = 0; i < 4; ++i) // stack and heap reserve and commit
        plus ? PutU64(out, 0x100000) : PutU32(out, 0x100000);
    PutU32(out, 0);  // loader flags
    PutU32(out, 16); // data directories
    for (std::uint32_t i = 0; i < 16; ++i) {
        PutU32(out, i == 2 && hasResource ? kSectionRva : 0);
        PutU32(out, i == 2 && hasResource ? static_cast<std::uint32_t>(section.size()) : 0);
    }
    if (hasResource) {
        const char name[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
        out.insert(out.end(), name, name + 8);
        PutU32(out, static_cast<std::uint32_t>(section.size())); // virtual size
        PutU32(out, kSectionRva);
        PutU32(out, rawSize);
        PutU32(out, headersSize); // file offset of the data
        PutU32(out, 0);           // relocations
        PutU32(out, 0);           // line numbers
        PutU16(out, 0);
        PutU16(out, 0);
        PutU32(out, 0x40000040); // initialised data, readable
    }
    out.resize(headersSize, 0);
    out.insert(out.end(), section.begin(), section.end());
    out.resize(headersSize + rawSize, 0);
    return out;
}

void WritePeFile(const std::filesystem::path& file, const platform::VersionResource& resource, PeFormat format) {
    WriteBytes(file, MakePeImage(format, EncodeVersionInfo(resource)));
}

void WriteBytes(const std::filesystem::path& file, std::span<const std::uint8_t> bytes) {
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    stream.close();
    if (!stream)
        throw std::runtime_error("cannot write " + file.string());
}

} // namespace testsupport

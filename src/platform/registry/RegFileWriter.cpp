#include "platform/registry/RegFile.h"
#include "platform/text/Text.h"

#include <cstdio>

namespace platform {

namespace {

// regedit ends a line of hex data once it reaches 77 columns (a comma and a backslash follow), and
// indents continuation lines by two spaces.
constexpr std::size_t kWrapColumn = 77;

std::string Quote(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

// A REG_SZ value can be written as a quoted string only when reading the string back gives the same
// bytes: one terminating null, nothing after it, and no line break inside.
bool WritableAsString(const RegistryValue& value) {
    if (value.type != kRegSz)
        return false;
    const std::string text = DataAsString(value.data);
    if (text.find_first_of("\r\n") != std::string::npos)
        return false;
    return StringData(text) == value.data;
}

void AppendHex(std::string& out, const RegistryValue& value, std::size_t lineStart) {
    static constexpr char kDigits[] = "0123456789abcdef";
    if (value.type == kRegBinary) {
        out += "hex:";
    } else {
        char buffer[24];
        std::snprintf(buffer, sizeof buffer, "hex(%x):", static_cast<unsigned>(value.type));
        out += buffer;
    }
    std::size_t lineLength = out.size() - lineStart;
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        out += kDigits[value.data[i] >> 4];
        out += kDigits[value.data[i] & 0xF];
        if (i + 1 == value.data.size())
            break;
        out += ',';
        lineLength += 3;
        if (lineLength >= kWrapColumn) {
            out += "\\\r\n  ";
            lineLength = 2;
        }
    }
}

} // namespace

void AppendRegValue(std::string& out, const RegistryValue& value) {
    const std::size_t lineStart = out.size();
    out += value.name.empty() ? std::string("@") : Quote(value.name);
    out += '=';
    if (WritableAsString(value)) {
        out += Quote(DataAsString(value.data));
    } else if (value.type == kRegDword && value.data.size() == 4) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "dword:%08x", static_cast<unsigned>(*DataAsDword(value.data)));
        out += buffer;
    } else {
        AppendHex(out, value, lineStart);
    }
    out += "\r\n";
}

void AppendRegValueRemoval(std::string& out, std::string_view name) {
    out += name.empty() ? std::string("@") : Quote(name);
    out += "=-\r\n";
}

void AppendRegKeyLine(std::string& out, RegistryRoot root, std::string_view path, bool remove) {
    out += remove ? "[-" : "[";
    out += RootName(root);
    if (!path.empty()) {
        out += '\\';
        out += path;
    }
    out += "]\r\n";
}

void AppendRegDenyMarker(std::string& out, const HiveKey& key, bool evenWhenNone) {
    if (!key.denyRead && !key.denyWrite && !evenWhenNone)
        return;
    out += ";!deny=";
    out += key.denyRead && key.denyWrite ? "read,write" : key.denyRead ? "read" : key.denyWrite ? "write" : "";
    out += "\r\n";
}

std::string FormatRegFile(RegistryRoot root, const std::vector<const HiveKey*>& keys) {
    std::string out(kRegFileHeader5);
    out += "\r\n\r\n";
    for (const HiveKey* key : keys) {
        AppendRegKeyLine(out, root, key->path, false);
        AppendRegDenyMarker(out, *key, false);
        for (const auto& value : key->values)
            AppendRegValue(out, value);
        out += "\r\n";
    }
    return out;
}

std::vector<std::uint8_t> EncodeRegFile(std::string_view text) {
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    const std::u16string units = text::Utf8ToUtf16(text);
    bytes.reserve(2 + units.size() * 2);
    for (const char16_t unit : units) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

} // namespace platform

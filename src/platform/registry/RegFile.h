#pragma once

// The `.reg` text format of regedit: reading (UTF-16LE or UTF-8 "Windows Registry Editor
// Version 5.00", with or without byte order mark, and REGEDIT4 in code page 1252) and writing
// (always version 5.00, UTF-16LE with byte order mark, CR LF). The format is described in
// docs/registry.md, with the comment line that marks a key as access-denied.

#include "platform/registry/Hive.h"

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A `.reg` text that cannot be read; the message names the file and the line.
class RegFileError : public std::runtime_error {
public:
    RegFileError(std::string fileName, std::size_t line, const std::string& reason);

    const std::string& FileName() const { return FFileName; }
    std::size_t Line() const { return FLine; }

private:
    std::string FFileName;
    std::size_t FLine;
};

struct RegFileValue {
    RegistryValue value;
    bool remove = false; // "name"=-
};

struct RegFileSection {
    std::size_t line = 0; // of the [KEY] line
    RegistryRoot root = RegistryRoot::CurrentUser;
    std::string path;       // relative to the root
    bool removeKey = false; // [-KEY]
    std::optional<bool> denyRead;
    std::optional<bool> denyWrite;
    std::vector<RegFileValue> values;
};

enum class RegFileFormat { Version5, Regedit4 };

struct RegFileDocument {
    RegFileFormat format = RegFileFormat::Version5;
    std::vector<RegFileSection> sections;
};

inline constexpr std::string_view kRegFileHeader5 = "Windows Registry Editor Version 5.00";
inline constexpr std::string_view kRegFileHeader4 = "REGEDIT4";

// Parses the bytes of a `.reg` file; `fileName` only serves the error messages.
// Throws RegFileError.
RegFileDocument ParseRegFile(std::span<const std::uint8_t> bytes, std::string_view fileName);

// A `.reg` file skimmed, so that the sections of a few keys can be read without reading the
// others: the header, every key line and access mark are checked (RegFileError as ParseRegFile),
// the value lines only delimited.
class RegFileIndex {
public:
    struct Section {
        RegistryRoot root;
        std::string path;  // as its key line spells it
        bool removeKey;    // [-KEY]
        std::size_t line;  // of its key line
        std::size_t begin; // where its key line starts in the decoded text
        std::size_t end;   // where the next key line starts, or the end of the text
    };

    RegFileIndex(std::span<const std::uint8_t> bytes, std::string fileName);

    // In the order of the file.
    const std::vector<Section>& Sections() const { return FSections; }
    // The section read whole: throws RegFileError (naming the file's line) for a damaged value.
    RegFileSection Parse(const Section& section) const;

private:
    std::string FText; // decoded, UTF-8
    std::string FFileName;
    RegFileFormat FFormat = RegFileFormat::Version5;
    std::vector<Section> FSections;
};

// The text of a version 5.00 file (UTF-8, CR LF) holding `keys` of `root` in the given order.
std::string FormatRegFile(RegistryRoot root, const std::vector<const HiveKey*>& keys);

// Pieces of that text: a value's line ("name"=data), a key's line ([ROOT\path] or [-ROOT\path]) and
// the line that marks a key access-denied (written for a key that denies nothing only when
// `evenWhenNone`, to clear the marks of a key read before).
void AppendRegValue(std::string& out, const RegistryValue& value);
void AppendRegValueRemoval(std::string& out, std::string_view name); // "name"=-
void AppendRegKeyLine(std::string& out, RegistryRoot root, std::string_view path, bool remove);
void AppendRegDenyMarker(std::string& out, const HiveKey& key, bool evenWhenNone);

// UTF-16LE with byte order mark, as regedit writes.
std::vector<std::uint8_t> EncodeRegFile(std::string_view text);

} // namespace platform

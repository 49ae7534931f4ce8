#include "platform/machine/IniFile.h"

#include "platform/machine/RegularFiles.h"
#include "platform/text/Text.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace platform {

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::optional<std::string> IniFile::Section::Get(std::string_view key) const {
    for (const auto& [entryKey, value] : entries)
        if (text::EqualsIgnoreCase(entryKey, key))
            return value;
    return std::nullopt;
}

int IniFile::Section::LineOf(std::string_view key) const {
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (text::EqualsIgnoreCase(entries[i].first, key))
            return i < entryLines.size() ? entryLines[i] : line;
    return line;
}

IniFile IniFile::Parse(std::string_view text, const std::string& fileName) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    IniFile ini;
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        const auto fail = [&](const std::string& problem) {
            throw std::runtime_error(fileName + ":" + std::to_string(lineNumber) + ": " + problem);
        };
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3)
                fail("section header without closing bracket");
            Section& section = ini.Add(std::string(Trim(line.substr(1, line.size() - 2))));
            section.line = lineNumber;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            fail("expected Key=Value");
        if (ini.FSections.empty())
            fail("setting outside of any [Section]");
        Section& section = ini.FSections.back();
        section.entries.emplace_back(std::string(Trim(line.substr(0, equals))),
                                     std::string(Trim(line.substr(equals + 1))));
        section.entryLines.push_back(lineNumber);
    }
    return ini;
}

IniFile IniFile::Load(const std::filesystem::path& file) {
    // A settings file is small: anything larger, or that is not a regular file (a FIFO would hang
    // the program, a device flood it), is refused.
    constexpr std::uint64_t kMaxIniSize = 1 << 20;
    std::string content;
    try {
        content = ReadRegularInput(file, kMaxIniSize);
    } catch (const std::system_error& error) {
        throw std::runtime_error(file.string() + ": cannot be read (" + error.code().message() + ")");
    }
    return Parse(content, file.string());
}

const IniFile::Section* IniFile::Find(std::string_view name) const {
    for (const Section& section : FSections)
        if (text::EqualsIgnoreCase(section.name, name))
            return &section;
    return nullptr;
}

IniFile::Section& IniFile::Add(std::string name) {
    FSections.push_back(Section{std::move(name), {}, 0, {}});
    return FSections.back();
}

std::string IniFile::ToText() const {
    std::string out;
    for (const Section& section : FSections) {
        if (!out.empty())
            out += '\n';
        out += '[' + section.name + "]\n";
        for (const auto& [key, value] : section.entries)
            out += key + '=' + value + '\n';
    }
    return out;
}

} // namespace platform

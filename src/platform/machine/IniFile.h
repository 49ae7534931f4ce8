#pragma once

// The small "[Section]" / "Key=Value" text format of machine.ini. Section and key names compare
// without regard to case; order is kept so that a saved file reads as it was written.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

class IniFile {
public:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries;
        int line = 0;
        std::optional<std::string> Get(std::string_view key) const;
        int LineOf(std::string_view key) const;
        std::vector<int> entryLines;
    };

    // Throws std::runtime_error "<file>:<line>: <problem>" for a line it cannot read.
    static IniFile Parse(std::string_view text, const std::string& fileName);
    static IniFile Load(const std::filesystem::path& file);

    const std::vector<Section>& Sections() const { return FSections; }
    const Section* Find(std::string_view name) const;

    Section& Add(std::string name);
    std::string ToText() const;

private:
    std::vector<Section> FSections;
};

} // namespace platform

#pragma once

// The command line of quarnel-pack, read whatever the order of its options: the action is the
// one of --list, --extract, --verify, --check, --help or --version the line holds (packing or signing
// otherwise), and each option takes the word after it.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarnelpack {

struct UsageError {
    std::string message;
};

enum class Action { Pack, Sign, List, Extract, Verify, Check, Help, Version };

struct CommandLine {
    Action action = Action::Pack;
    std::vector<std::string> operands;                   // in their order: folder, package, destination
    std::string output;                                  // -o
    std::optional<std::string> wizard;                   // --wizard
    unsigned threads = 0;                                // --threads; 0: one per core
    std::vector<std::filesystem::path> signingKeys;      // --sign, repeatable
    std::optional<std::filesystem::path> passphraseFile; // --passphrase-file
    std::optional<std::filesystem::path> key;            // --key, with --verify
    bool quiet = false;                                  // --quiet: no progress
    bool convertTexts = false;                           // --convert-texts: UTF-8 texts rewritten first
    bool noCheck = false;                                // --no-check: packed without the checks
};

// Throws UsageError for an unknown option, a missing value, or operands and options that do not
// fit the action.
CommandLine ParseCommandLine(const std::vector<std::string_view>& args);

} // namespace quarnelpack

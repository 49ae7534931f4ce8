#pragma once

// The verbs quarnel-machine offers on this system, and its help text: those of every system are
// written once (Verbs.cpp), each system adds its own (VerbsPrefix.cpp, VerbsWindows.cpp).

#include "Commands.h"

#include <span>
#include <string>
#include <string_view>

namespace quarnel_machine {

struct Verb {
    std::string_view name;
    int (*run)(std::span<const std::string> args, Context context);
};

// What this system adds to the verbs and help text of every system.
struct SystemVerbs {
    std::span<const Verb> verbs;
    std::string_view machine;     // the paragraph that says where the machine's state is
    std::string_view verbsHelp;   // the help lines of its verbs, listed before those of every system
    std::string_view failures;    // what exit code 1 stands for, in parentheses
    std::string_view otherCodes;  // the lines of the exit codes only this system returns
    std::string_view usageErrors; // what exit code 64 stands for, in parentheses
};
const SystemVerbs& ThisSystem();

std::span<const Verb> Verbs();
const std::string& HelpText();

} // namespace quarnel_machine

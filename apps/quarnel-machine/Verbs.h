#pragma once

// The verbs quarnel-machine offers on this system, and its help text.

#include "Commands.h"

#include <span>
#include <string_view>

namespace quarnel_machine {

struct Verb {
    std::string_view name;
    int (*run)(std::span<const std::string> args, Context context);
};

std::span<const Verb> Verbs();
const char* HelpText();

} // namespace quarnel_machine

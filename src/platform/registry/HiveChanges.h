#pragma once

// What changed between two states of a hive, written as `.reg` text (version 5.00, UTF-8, CR LF)
// that turns the first into the second when read over it: deleted keys as [-KEY], changed keys
// with their access marks, deleted values as "name"=- and new or changed values whole. This is
// what a write appends to the hive's log.

#include "platform/registry/Hive.h"

#include <optional>
#include <string>

namespace platform {

// The text, or nothing when the change cannot be told that way (a key whose name changed case,
// values whose order changed otherwise than by appending): the whole hive is written then.
std::optional<std::string> DescribeChanges(RegistryRoot root, const Hive& before, const Hive& after);

} // namespace platform

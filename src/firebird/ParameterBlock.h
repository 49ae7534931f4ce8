#pragma once

// Parameter blocks written as the system writes them: a list of items "name=value" or "name",
// named as the Firebird isc_dpb_ / isc_tpb_ constants without their prefix ("user_name=QUARNEL",
// "lc_ctype=ISO8859_1", "concurrency", "nowait", "read").

#include <cstdint>
#include <string>
#include <vector>

namespace fb {

using ParameterList = std::vector<std::string>;

// The encoded attachment (DPB) and transaction (TPB) parameter blocks. An item this layer does
// not know fails with "Unknown parameter block item: <item>".
std::vector<std::uint8_t> BuildDatabaseParameterBlock(const ParameterList& items);
std::vector<std::uint8_t> BuildTransactionParameterBlock(const ParameterList& items);

// The value of item `name` in `items` ("" when absent); names compare without regard to case.
std::string FindParameter(const ParameterList& items, const std::string& name);

} // namespace fb

#pragma once

// The result of a whole run, from the results of its products: what the closing line of the report,
// the exit code of the unattended mode and the window all say.

#include "update/engine/UpdateResult.h"

#include <span>

namespace update::run {

// Failure when any product failed; otherwise a warning when any product ended with one or when
// some products were updated and others declined; otherwise "not done" when every product was
// declined; otherwise success. Products without a procedure (urtUnknown) do not count; with none
// left the result is urtUnknown.
TUpdateResultType CombinedResult(std::span<const TUpdateResultType> results);

} // namespace update::run

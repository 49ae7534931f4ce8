#pragma once

// Firebird's own public headers, as every file of ours includes them. Their status wrapper, once
// inlined by an optimised build, dereferences a pointer GCC cannot prove set: -Wnull-dereference
// would report Firebird's header, not our code, wherever it is inlined.

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnull-dereference"
#include <firebird/Interface.h>
#include <ibase.h>
#pragma GCC diagnostic pop

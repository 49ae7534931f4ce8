#pragma once

// Program files of a given version on the test machine, made with the test PE writer.

#include "pe/PeWriter.h"

#include <filesystem>
#include <string>

#ifndef QUARNEL_PE_FIXTURES
#error "QUARNEL_PE_FIXTURES names the folder of the committed PE fixtures"
#endif

inline std::filesystem::path PeFixture(const std::string& name) {
    return std::filesystem::path(QUARNEL_PE_FIXTURES) / name;
}

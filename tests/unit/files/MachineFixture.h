#pragma once

// A fresh emulated machine in a temporary prefix for each test, and small helpers to put files
// on its drive C: through the host.

#include "platform/machine/Machine.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <string_view>

namespace platform::testing_support {

class MachineTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "quarnel-files-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        FPrefix = pattern;
        Machine::SetCurrent(Machine::Init(FPrefix));
    }

    void TearDown() override {
        std::error_code ignored; // leftovers in /tmp are harmless; a failing removal must not hide the test's result
        std::filesystem::permissions(FPrefix, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(FPrefix, ignored);
    }

    const std::filesystem::path& Prefix() const { return FPrefix; }
    std::filesystem::path DriveC() const { return FPrefix / "drives" / "C"; }

    // Writes `content` to the host file of drive C: at `relative` (slashes), creating folders.
    std::filesystem::path WriteHostFile(const std::string& relative, std::string_view content) const {
        const std::filesystem::path path = DriveC() / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content;
        return path;
    }

    static std::string ReadHostFile(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path FPrefix;
};

} // namespace platform::testing_support

#pragma once

// A fresh temporary folder for each test, removed afterwards.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <gtest/gtest.h>
#include <string>

namespace platform::testing_support {

class TempPrefixTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "quarnel-machine-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        FRoot = pattern;
    }
    void TearDown() override {
        std::error_code ignored; // a leftover temporary folder must not hide the test's result
        std::filesystem::remove_all(FRoot, ignored);
    }

    const std::filesystem::path& Root() const { return FRoot; }

    static void WriteText(const std::filesystem::path& file, const std::string& text) {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    }
    static std::string ReadText(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path FRoot;
};

} // namespace platform::testing_support

// The copy with a progress routine: what the routine is told, and what its answers do.

#include "MachineFixture.h"
#include "platform/errors/SystemError.h"
#include "platform/files/Files.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <stdexcept>
#include <utility>
#include <vector>

namespace platform {
namespace {

namespace fs = std::filesystem;

using CopyProgressTest = testing_support::MachineTest;

constexpr FileTime kSourceTime = 132223104001234567ULL;

// The calls a routine received: (total file size, bytes transferred).
using Calls = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A content that is not one byte repeated, so that a piece copied twice or skipped shows.
std::string Content(std::size_t size) {
    std::string content(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        content[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    return content;
}

struct SizeRow {
    const char* name;
    std::size_t size;
};

class CopyProgressSizeTest : public testing_support::MachineTest, public testing::WithParamInterface<SizeRow> {};

TEST_P(CopyProgressSizeTest, RoutineIsToldTheSizeAndGrowingCountsEndingAtIt) {
    const std::string content = Content(GetParam().size);
    WriteHostFile("Src/Veltrane.exe", content);
    ASSERT_TRUE(SetFileLastWriteTime("C:\\Src\\Veltrane.exe", kSourceTime));
    fs::create_directories(DriveC() / "Programs");
    Calls calls;
    ASSERT_TRUE(CopyFileEx(
        "C:\\Src\\Veltrane.exe", "C:\\Programs\\Veltrane.exe",
        [&](std::uint64_t total, std::uint64_t transferred) {
            // The target is published only once the whole content is there.
            EXPECT_FALSE(fs::exists(DriveC() / "Programs" / "Veltrane.exe")) << "at " << transferred;
            calls.emplace_back(total, transferred);
            return CopyProgress::Continue;
        },
        0))
        << GetLastError();

    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().second, 0u) << "the first call comes before any byte is copied";
    EXPECT_EQ(calls.back().second, content.size());
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].first, content.size()) << "call " << i;
        if (i > 0) {
            EXPECT_GT(calls[i].second, calls[i - 1].second) << "call " << i;
        }
    }
    // A large file is reported on while it is copied, not only at its end.
    if (content.size() > (1u << 20)) {
        EXPECT_GT(calls.size(), 4u);
    }
    EXPECT_EQ(ReadHostFile(DriveC() / "Programs" / "Veltrane.exe"), content);
    EXPECT_EQ(GetFileLastWriteTime("C:\\Programs\\Veltrane.exe"), kSourceTime);
}

const SizeRow kSizes[] = {
    {"Empty", 0},
    {"OneByte", 1},
    {"SeveralMegabytes", 3 * 1024 * 1024 + 7},
};

INSTANTIATE_TEST_SUITE_P(Sizes, CopyProgressSizeTest, testing::ValuesIn(kSizes),
                         [](const testing::TestParamInfo<SizeRow>& row) { return std::string(row.param.name); });

struct StopRow {
    const char* name;
    bool targetExists;
    std::size_t answerAtCall; // the call (from 0) that stops the copy
    CopyProgress answer;
};

class CopyProgressStopTest : public testing_support::MachineTest, public testing::WithParamInterface<StopRow> {};

TEST_P(CopyProgressStopTest, CancelFailsWithRequestAbortedAndLeavesTheTargetAsItWas) {
    const StopRow& row = GetParam();
    WriteHostFile("Src/Veltrane.exe", Content(2 * 1024 * 1024));
    WriteHostFile("Programs/Readme.txt", "unrelated");
    if (row.targetExists)
        WriteHostFile("Programs/Veltrane.exe", "old program");
    std::size_t calls = 0;
    SetLastError(kErrorSuccess);
    EXPECT_FALSE(CopyFileEx(
        "C:\\Src\\Veltrane.exe", "C:\\Programs\\Veltrane.exe",
        [&](std::uint64_t, std::uint64_t) { return calls++ == row.answerAtCall ? row.answer : CopyProgress::Continue; },
        0));
    EXPECT_EQ(GetLastError(), kErrorRequestAborted);
    EXPECT_EQ(calls, row.answerAtCall + 1) << "no call after the one that stopped the copy";
    if (row.targetExists) {
        EXPECT_EQ(ReadHostFile(DriveC() / "Programs" / "Veltrane.exe"), "old program");
        EXPECT_EQ(NamesIn(DriveC() / "Programs"), (std::vector<std::string>{"Readme.txt", "Veltrane.exe"}))
            << "no temporary is left beside the target";
    } else {
        EXPECT_EQ(NamesIn(DriveC() / "Programs"), (std::vector<std::string>{"Readme.txt"}));
    }
}

const StopRow kStops[] = {
    {"CancelBeforeTheFirstByte", true, 0, CopyProgress::Cancel},
    {"CancelHalfway", true, 3, CopyProgress::Cancel},
    {"StopHalfway", true, 3, CopyProgress::Stop},
    {"CancelHalfwayWithoutTarget", false, 3, CopyProgress::Cancel},
};

INSTANTIATE_TEST_SUITE_P(Answers, CopyProgressStopTest, testing::ValuesIn(kStops),
                         [](const testing::TestParamInfo<StopRow>& row) { return std::string(row.param.name); });

TEST_F(CopyProgressTest, TheRequestAbortedCodeHasItsSystemText) {
    EXPECT_EQ(SystemErrorMessage(kErrorRequestAborted),
              "Erreur système.  Code : 1235.\r\nLa demande a été annulée.\r\n");
}

TEST_F(CopyProgressTest, RoutineThatThrowsLeavesTheTargetAsItWasAndTheErrorGoesOn) {
    WriteHostFile("Src/Veltrane.exe", Content(2 * 1024 * 1024));
    WriteHostFile("Programs/Veltrane.exe", "old program");
    std::size_t calls = 0;
    EXPECT_THROW(CopyFileEx(
                     "C:\\Src\\Veltrane.exe", "C:\\Programs\\Veltrane.exe",
                     [&](std::uint64_t, std::uint64_t) {
                         if (++calls == 3)
                             throw std::runtime_error("window closed");
                         return CopyProgress::Continue;
                     },
                     0),
                 std::runtime_error);
    EXPECT_EQ(ReadHostFile(DriveC() / "Programs" / "Veltrane.exe"), "old program");
    EXPECT_EQ(NamesIn(DriveC() / "Programs"), std::vector<std::string>{"Veltrane.exe"});
}

TEST_F(CopyProgressTest, QuietRoutineIsNotCalledAgainAndTheCopyCompletes) {
    const std::string content = Content(2 * 1024 * 1024);
    WriteHostFile("Src/Veltrane.exe", content);
    fs::create_directories(DriveC() / "Programs");
    std::size_t calls = 0;
    ASSERT_TRUE(CopyFileEx(
        "C:\\Src\\Veltrane.exe", "C:\\Programs\\Veltrane.exe",
        [&](std::uint64_t, std::uint64_t) {
            ++calls;
            return CopyProgress::Quiet;
        },
        0))
        << GetLastError();
    EXPECT_EQ(calls, 1u);
    EXPECT_EQ(ReadHostFile(DriveC() / "Programs" / "Veltrane.exe"), content);
}

TEST_F(CopyProgressTest, FailIfExistsFlagAndNoRoutine) {
    WriteHostFile("New.txt", "new");
    WriteHostFile("Old.txt", "old");
    EXPECT_FALSE(CopyFileEx("C:\\New.txt", "C:\\Old.txt", {}, kCopyFileFailIfExists));
    EXPECT_EQ(GetLastError(), kErrorFileExists);
    EXPECT_EQ(ReadHostFile(DriveC() / "Old.txt"), "old");
    ASSERT_TRUE(CopyFileEx("C:\\New.txt", "C:\\Old.txt", {}, 0)) << GetLastError();
    EXPECT_EQ(ReadHostFile(DriveC() / "Old.txt"), "new");
}

} // namespace
} // namespace platform

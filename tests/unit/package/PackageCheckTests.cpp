#include "RawPackage.h"
#include "TestFiles.h"
#include "update/package/PackageError.h"
#include "update/package/PackageReader.h"
#include "update/package/PackageWriter.h"

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <thread>
#include <unistd.h>

namespace {

using namespace packagetest;
using update::package::CheckLater;
using update::package::FileTime;
using update::package::PackageError;
using update::package::PackageReader;
using update::package::PackageWriter;

class PackageCheck : public testing::Test {
protected:
    void SetUp() override {
        PackageWriter writer;
        for (std::size_t i = 0; i < 6; ++i) {
            const auto name = "F" + std::to_string(i) + ".BIN";
            WriteFile(FFolder / name, NoiseBytes(50'000 * (i + 1), static_cast<std::uint32_t>(i)));
            writer.Add(name, FFolder / name, FileTime::FromTicks(i + 1));
        }
        writer.Write(FPackage);
    }

    // Overwrites one byte of the package file in place, as a disk fault or another program would.
    void FlipByteAt(std::uint64_t offset) const {
        Bytes bytes = ReadFile(FPackage);
        const int fd = ::open(FPackage.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        const unsigned char flipped = bytes.at(offset) ^ 0x40;
        ASSERT_EQ(::pwrite(fd, &flipped, 1, static_cast<off_t>(offset)), 1);
        ::close(fd);
    }

    TempFolder FFolder;
    std::filesystem::path FPackage = FFolder / "out.pkg";
};

TEST_F(PackageCheck, ReportsProgressUpToEveryStreamByteOnTheOpeningThread) {
    std::uint64_t streams = 0;
    const PackageReader plain(FPackage);
    for (const auto& entry : plain.Entries()) {
        streams += entry.length;
    }
    const auto opener = std::this_thread::get_id();
    std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
    const PackageReader reader(FPackage, 2, [&](std::uint64_t done, std::uint64_t total) {
        EXPECT_TRUE(std::this_thread::get_id() == opener);
        calls.emplace_back(done, total);
    });
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), std::make_pair(streams, streams));
    for (std::size_t i = 1; i < calls.size(); ++i) {
        EXPECT_LE(calls[i - 1].first, calls[i].first) << "call " << i;
    }
}

// However quickly the streams are checked (none at all, or all of them before the opening thread
// first looks), the caller is told, and told last that every byte is checked: a progress bar comes
// up and ends full.
TEST_F(PackageCheck, ACheckReportsAtLeastOnceAndLastTheWholeSize) {
    const std::filesystem::path empty = FFolder / "empty.pkg";
    PackageWriter().Write(empty);
    for (const std::filesystem::path& file : {empty, FPackage}) {
        SCOPED_TRACE(file.filename().string());
        PackageReader reader(file, CheckLater{});
        std::uint64_t streams = 0;
        for (const auto& entry : reader.Entries()) {
            streams += entry.length;
        }
        std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
        reader.Check(2, [&](std::uint64_t done, std::uint64_t total) { calls.emplace_back(done, total); });
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back(), std::make_pair(streams, streams));
        for (const auto& call : calls) {
            EXPECT_EQ(call.second, streams);
        }
    }
}

TEST_F(PackageCheck, ALaterCheckRefusesReadsUntilItHasRun) {
    PackageReader reader(FPackage, CheckLater{});
    EXPECT_FALSE(reader.Checked());
    EXPECT_EQ(reader.Entries().size(), 6U) << "the directory is read at once";
    EXPECT_THROW(reader.Find("F0.BIN"), std::logic_error);
    EXPECT_THROW(reader.ReadAll(reader.Entries().front()), std::logic_error);
    reader.Check(2);
    ASSERT_TRUE(reader.Checked());
    ASSERT_NE(reader.Find("F0.BIN"), nullptr);
    EXPECT_EQ(reader.Find("F0.BIN")->header.size, 50'000);
}

TEST_F(PackageCheck, ALaterCheckFindsDamageAndAProgressThatThrowsStopsIt) {
    {
        PackageReader reader(FPackage, CheckLater{});
        const auto& last = reader.Entries().back();
        FlipByteAt(last.offset + last.length / 2);
        try {
            reader.Check(2);
            ADD_FAILURE() << "a damaged stream was accepted";
        } catch (const PackageError& error) {
            EXPECT_NE(std::string(error.what()).find("l'empreinte de « F5.BIN » ne correspond pas"), std::string::npos)
                << error.what();
        }
        EXPECT_FALSE(reader.Checked());
    }
    struct Cancelled {};
    PackageReader reader(FPackage, CheckLater{});
    EXPECT_THROW(reader.Check(2, [](std::uint64_t, std::uint64_t) { throw Cancelled{}; }), Cancelled);
    EXPECT_FALSE(reader.Checked());
}

TEST_F(PackageCheck, AStreamChangedAfterOpeningIsRefusedOnExtractionWithNothingPublished) {
    const PackageReader reader(FPackage);
    const auto* entry = reader.Find("F3.BIN");
    ASSERT_NE(entry, nullptr);
    FlipByteAt(entry->offset + entry->length - 10);
    const auto target = FFolder / "extracted";
    try {
        reader.ExtractTo(*entry, target);
        ADD_FAILURE() << "a changed stream was extracted";
    } catch (const PackageError& error) {
        EXPECT_NE(std::string(error.what()).find("l'empreinte de « F3.BIN » ne correspond pas"), std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(std::filesystem::exists(target));
    // Another stream of the same file is still whole.
    reader.ExtractTo(*reader.Find("F1.BIN"), target);
    EXPECT_EQ(ReadFile(target), NoiseBytes(100'000, 1));
}

TEST_F(PackageCheck, ExtractionReportsProgressInContentBytes) {
    const PackageReader reader(FPackage);
    const auto* entry = reader.Find("F5.BIN");
    ASSERT_NE(entry, nullptr);
    std::vector<std::uint64_t> done;
    reader.ExtractTo(*entry, FFolder / "extracted", [&](std::uint64_t bytes, std::uint64_t total) {
        EXPECT_EQ(total, 300'000U);
        done.push_back(bytes);
    });
    ASSERT_FALSE(done.empty());
    EXPECT_EQ(done.back(), 300'000U);
    EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
}

// Every file of the folder, by name, with its content.
std::map<std::string, Bytes> FilesIn(const std::filesystem::path& folder) {
    std::map<std::string, Bytes> files;
    for (const auto& item : std::filesystem::directory_iterator(folder)) {
        files[item.path().filename().string()] = ReadFile(item.path());
    }
    return files;
}

TEST_F(PackageCheck, ExtractAllChecksAsItExtractsAndPublishesOnlyWhenEveryStreamHeld) {
    struct Row {
        const char* label;
        std::optional<std::size_t> damaged; // the entry whose stream is changed
    };
    for (const Row& row : {Row{"sound", std::nullopt}, Row{"first damaged", 0}, Row{"last damaged", 5}}) {
        SCOPED_TRACE(row.label);
        SetUp();
        PackageReader reader(FPackage, CheckLater{});
        if (row.damaged) {
            const auto& entry = reader.Entries()[*row.damaged];
            FlipByteAt(entry.offset + entry.length / 3);
        }
        const auto target = FFolder / "all";
        std::filesystem::remove_all(target);
        std::filesystem::create_directories(target);
        auto destinationOf = [&](const update::package::PackedEntry& entry) {
            return target / entry.name;
        };
        if (!row.damaged) {
            for (unsigned threads : {1U, 3U}) {
                reader.ExtractAll(destinationOf, threads);
                const auto files = FilesIn(target);
                ASSERT_EQ(files.size(), 6U);
                for (std::size_t i = 0; i < 6; ++i) {
                    EXPECT_EQ(files.at("F" + std::to_string(i) + ".BIN"),
                              NoiseBytes(50'000 * (i + 1), static_cast<std::uint32_t>(i)));
                }
            }
            EXPECT_TRUE(reader.Checked());
            EXPECT_EQ(reader.Find("F2.BIN")->header.size, 150'000) << "the headers are known afterwards";
            continue;
        }
        const std::string name = "F" + std::to_string(*row.damaged) + ".BIN";
        try {
            reader.ExtractAll(destinationOf, 2);
            ADD_FAILURE() << "a damaged stream was extracted";
        } catch (const PackageError& error) {
            EXPECT_NE(std::string(error.what()).find("l'empreinte de « " + name + " » ne correspond pas"),
                      std::string::npos)
                << error.what();
        }
        EXPECT_TRUE(FilesIn(target).empty()) << "neither a file nor a temporary file is left";
        EXPECT_FALSE(reader.Checked());
    }
}

} // namespace

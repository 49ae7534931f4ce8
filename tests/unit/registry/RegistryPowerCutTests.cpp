// The registry through power cuts: the registry folder lives on a real ext4 file system (an image
// on a loop device, mounted with a long commit interval, so that only what the writer makes
// durable is on the disk). A child process writes many values, one change each, with a small log
// bound so that folds happen too, and reports each write that returned. At moments drawn at random
// the writer is stopped wherever it is, the disk is copied (what a machine finds after a power cut
// then) and the writer goes on; the disk is copied once more right after its last write. Each copy
// is checked by e2fsck, mounted, and read: every write that had returned before the cut is there,
// and the hive reads. QUARNEL_POWERCUT_SEED and QUARNEL_POWERCUT_CUTS (8) vary it.

#include "TempFolder.h"
#include "loopmount/LoopMount.h"
#include "platform/registry/HiveFile.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <iostream>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace platform;
namespace fs = std::filesystem;

constexpr int kWrites = 400;
constexpr std::uintmax_t kFoldSize = 8 << 10;

std::uint64_t Setting(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

std::string ValueName(int index) {
    return "Valeur" + std::to_string(index);
}

// The writer: kWrites changes, each reported on `report` once it returned. Even changes are made
// by an object that stays open (it keeps the whole hive), odd ones by a new object each time that
// reads the changed key only, as a program started to write one value does.
[[noreturn]] void Write(const fs::path& hive, int report) {
    try {
        HiveFile file(hive, RegistryRoot::CurrentUser, kMaxHiveFileSize, kFoldSize);
        for (int i = 0; i < kWrites; ++i) {
            const std::string key = "Software\\Coupure\\Clé" + std::to_string(i % 7);
            const auto change = [&](Hive& h) {
                h.Create(key).SetValue(MakeDwordValue(ValueName(i), static_cast<std::uint32_t>(i)));
                return kErrorSuccess;
            };
            if (i % 2 == 0) {
                file.Modify(change);
            } else {
                HiveFile fresh(hive, RegistryRoot::CurrentUser, kMaxHiveFileSize, kFoldSize);
                fresh.Modify(HiveScope{key}, change);
            }
            if (::write(report, &i, sizeof i) != sizeof i)
                ::_exit(2);
        }
    } catch (...) {
        ::_exit(1);
    }
    ::_exit(0);
}

class RegistryPowerCut : public testing::Test {
protected:
    void SetUp() override {
        if (const std::optional<std::string> why = testsupport::LoopMountUnavailable())
            GTEST_SKIP() << "the power-cut test needs a loop-mounted ext4 image: " << *why;
        testsupport::MakeExt4Image(FTemp.Path() / "disk.img", 64);
        fs::create_directories(FTemp.Path() / "disk");
        fs::create_directories(FTemp.Path() / "copy");
    }

    registry_tests::TempFolder FTemp;
};

TEST_F(RegistryPowerCut, NoWriteThatReturnedIsLost) {
    const auto seed = static_cast<std::uint32_t>(Setting("QUARNEL_POWERCUT_SEED", std::random_device{}()));
    const auto cuts = static_cast<int>(Setting("QUARNEL_POWERCUT_CUTS", 8));
    std::mt19937 random(seed);
    SCOPED_TRACE("QUARNEL_POWERCUT_SEED=" + std::to_string(seed));
    std::vector<int> cutAfter; // cut once this many writes have returned
    for (int i = 0; i < cuts; ++i)
        cutAfter.push_back(std::uniform_int_distribution<int>(1, kWrites - 20)(random));
    std::sort(cutAfter.begin(), cutAfter.end());

    const testsupport::LoopMount disk(FTemp.Path() / "disk.img", FTemp.Path() / "disk", "commit=600");
    const fs::path hive = FTemp.Path() / "disk" / "registry" / "HKEY_CURRENT_USER.reg";
    int report[2];
    ASSERT_EQ(::pipe2(report, O_CLOEXEC), 0);
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        ::close(report[0]);
        Write(hive, report[1]);
    }
    ::close(report[1]);

    int returned = 0; // writes reported as returned
    bool ended = false;
    int checked = 0;
    cutAfter.push_back(kWrites); // and once more right after the last write
    for (const int after : cutAfter) {
        int index = 0;
        while (returned < after && ::read(report[0], &index, sizeof index) == sizeof index)
            returned = index + 1;
        // The cut: the writer stopped wherever it is (inside a later write, most often), or ended.
        int status = 0;
        if (!ended) {
            ASSERT_EQ(::kill(writer, SIGSTOP), 0);
            ASSERT_EQ(::waitpid(writer, &status, WUNTRACED), writer);
            ended = !WIFSTOPPED(status);
            if (ended) {
                ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer status " << status;
            }
        }
        // Whatever it reported before it stopped has returned before the cut.
        const int flags = ::fcntl(report[0], F_GETFL);
        ::fcntl(report[0], F_SETFL, flags | O_NONBLOCK);
        while (::read(report[0], &index, sizeof index) == sizeof index)
            returned = index + 1;
        ::fcntl(report[0], F_SETFL, flags);
        const fs::path copy = FTemp.Path() / "copy.img";
        disk.CopyDiskTo(copy);
        if (!ended) {
            ASSERT_EQ(::kill(writer, SIGCONT), 0);
        }

        const testsupport::ImageCheck check = testsupport::CheckExt4Image(copy);
        ASSERT_LT(check.exitCode, 4) << check.output;
        {
            const testsupport::LoopMount cut(copy, FTemp.Path() / "copy", "defaults");
            const fs::path cutHive = FTemp.Path() / "copy" / "registry" / "HKEY_CURRENT_USER.reg";
            HiveFile file(cutHive, RegistryRoot::CurrentUser, kMaxHiveFileSize, kFoldSize);
            const auto read = file.Load();
            for (int i = 0; i < returned; ++i) {
                const HiveKey* key = read->Find("Software\\Coupure\\Clé" + std::to_string(i % 7));
                const RegistryValue* value = key ? key->FindValue(ValueName(i)) : nullptr;
                ASSERT_NE(value, nullptr) << "write " << i << " of " << returned << " returned before the cut";
                EXPECT_EQ(DataAsDword(value->data), static_cast<std::uint32_t>(i));
            }
        }
        ++checked;
    }
    if (!ended) {
        int status = 0;
        ASSERT_EQ(::waitpid(writer, &status, 0), writer);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer status " << status;
    }
    ::close(report[0]);
    EXPECT_EQ(returned, kWrites);
    EXPECT_EQ(checked, cuts + 1);
    std::cout << "[ figures ] " << checked << " copies of the disk checked (the last after the end), " << returned
              << " writes\n";
}

} // namespace

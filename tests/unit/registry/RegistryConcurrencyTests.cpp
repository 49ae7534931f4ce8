#include "TempFolder.h"
#include "platform/registry/Registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace platform;
using registry_tests::TempFolder;

constexpr int kWriters = 4;
constexpr int kValuesPerWriter = 40;

// Each writer sets its own values in one shared key, then creates a key of its own.
bool WriteMany(Registry& registry, int writer) {
    RegistryKey key;
    if (registry.CreateKey(RegistryRoot::CurrentUser, "Software\\Shared", kKeyAllAccess, key) != kErrorSuccess)
        return false;
    for (int i = 0; i < kValuesPerWriter; ++i) {
        const std::string name = "w" + std::to_string(writer) + "-" + std::to_string(i);
        if (key.SetValue(MakeDwordValue(name, static_cast<std::uint32_t>(writer * 1000 + i))) != kErrorSuccess)
            return false;
    }
    RegistryKey own;
    return registry.CreateKey(RegistryRoot::CurrentUser, "Software\\Writer" + std::to_string(writer), kKeyAllAccess,
                              own) == kErrorSuccess;
}

void ExpectNothingLost(const std::filesystem::path& folder) {
    Registry registry(folder);
    RegistryKey key;
    ASSERT_EQ(registry.OpenKey(RegistryRoot::CurrentUser, "Software\\Shared", kKeyRead, key), kErrorSuccess);
    std::vector<RegistryValue> values;
    ASSERT_EQ(key.EnumValues(values), kErrorSuccess);
    EXPECT_EQ(values.size(), static_cast<std::size_t>(kWriters * kValuesPerWriter));
    for (int writer = 0; writer < kWriters; ++writer) {
        for (int i = 0; i < kValuesPerWriter; ++i) {
            RegistryValue value;
            ASSERT_EQ(key.QueryValue("w" + std::to_string(writer) + "-" + std::to_string(i), value), kErrorSuccess)
                << writer << " " << i;
            EXPECT_EQ(DataAsDword(value.data), static_cast<std::uint32_t>(writer * 1000 + i));
        }
        RegistryKey own;
        EXPECT_EQ(
            registry.OpenKey(RegistryRoot::CurrentUser, "Software\\Writer" + std::to_string(writer), kKeyRead, own),
            kErrorSuccess);
    }
}

TEST(RegistryConcurrency, ProcessesWritingAtOnceLoseNothing) {
    TempFolder temp;
    const auto folder = temp.Path() / "registry";
    std::vector<pid_t> children;
    for (int writer = 0; writer < kWriters; ++writer) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int status = 1;
            try {
                Registry registry(folder);
                status = WriteMany(registry, writer) ? 0 : 1;
            } catch (...) { // the exit status carries the failure to the parent
                status = 2;
            }
            ::_exit(status);
        }
        children.push_back(pid);
    }
    // Meanwhile a reader must always find a whole, parsable hive.
    Registry reader(folder);
    std::size_t running = children.size();
    std::vector<int> statuses;
    while (running > 0) {
        EXPECT_NO_THROW(reader.Read(RegistryRoot::CurrentUser));
        int status = 0;
        const pid_t done = ::waitpid(-1, &status, WNOHANG);
        if (done > 0) {
            statuses.push_back(status);
            --running;
        }
    }
    for (const int status : statuses) {
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    ExpectNothingLost(folder);
}

TEST(RegistryConcurrency, ThreadsSharingOneRegistryLoseNothing) {
    TempFolder temp;
    const auto folder = temp.Path() / "registry";
    Registry registry(folder);
    std::vector<std::thread> threads;
    std::vector<int> ok(kWriters, 0);
    for (int writer = 0; writer < kWriters; ++writer)
        threads.emplace_back(
            [&, writer] { ok[static_cast<std::size_t>(writer)] = WriteMany(registry, writer) ? 1 : 0; });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(ok, std::vector<int>(kWriters, 1));
    ExpectNothingLost(folder);
}

} // namespace

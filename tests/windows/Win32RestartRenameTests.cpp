// Renames at the next start of the system, performed by the system itself. Run in two steps by
// restart-rename.sh with one Wine prefix: "Scheduled" records them, Wine's restart
// (`wineboot -r`) runs, then "Performed" checks what the start did. The folder both steps use is
// named by QUARNEL_RESTART_FOLDER.
#include "platform/files/Files.h"
#include "platform/machine/LastError.h"
#include "platform/machine/Wide.h"
#include "platform/registry/Registry.h"
#include "platform/restart/RestartRenames.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using platform::win32::PathFromUtf8;

std::string Folder() {
    const char* folder = std::getenv("QUARNEL_RESTART_FOLDER");
    return folder ? folder : "";
}

std::string In(std::string_view name) {
    return Folder() + "\\" + std::string(name);
}

void Write(const std::string& file, const std::string& content) {
    std::ofstream(PathFromUtf8(file), std::ios::binary) << content;
}

std::string Read(const std::string& file) {
    std::ifstream in(PathFromUtf8(file), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<platform::PendingRename> Pending() {
    platform::Registry registry("unused");
    platform::RegistryKey key;
    platform::RegistryValue value;
    if (registry.OpenKey(platform::RegistryRoot::LocalMachine, platform::kSessionManagerKey, platform::kKeyRead, key) !=
            platform::kErrorSuccess ||
        key.QueryValue(platform::kPendingRenamesValue, value) != platform::kErrorSuccess)
        return {};
    return platform::DecodePendingRenames(value.data);
}

// The program in use is replaced at the start, its leftover deleted, an accented name renamed.
TEST(RestartRename, Scheduled) {
    ASSERT_FALSE(Folder().empty()) << "QUARNEL_RESTART_FOLDER names the folder of the two steps";
    ASSERT_TRUE(fs::create_directories(PathFromUtf8(Folder())));
    Write(In("orbel.exe"), "1.0.0.1");
    Write(In("orbel.exe.nouveau"), "1.0.0.2");
    Write(In("reste.tmp"), "x");
    Write(In("avant-\u00E9t\u00E9.txt"), "renomm\u00E9");

    ASSERT_TRUE(
        platform::MoveFileAtRestart(In("orbel.exe.nouveau"), In("orbel.exe"), platform::kMoveFileReplaceExisting))
        << platform::GetLastError();
    ASSERT_TRUE(platform::MoveFileAtRestart(In("reste.tmp"), "", 0)) << platform::GetLastError();
    ASSERT_TRUE(platform::MoveFileAtRestart(In("avant-\u00E9t\u00E9.txt"), In("apr\u00E8s-\u00E9t\u00E9.txt"), 0))
        << platform::GetLastError();
    EXPECT_FALSE(platform::MoveFileAtRestart("", In("x"), 0));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidParameter);

    // Nothing moves before the start; the system recorded the three in its own value, in order.
    EXPECT_EQ(Read(In("orbel.exe")), "1.0.0.1");
    const auto pending = Pending();
    ASSERT_GE(pending.size(), 3u);
    const std::vector<platform::PendingRename> ours(pending.end() - 3, pending.end());
    EXPECT_EQ(ours[0].destination, In("orbel.exe"));
    EXPECT_TRUE(ours[0].replaceExisting);
    EXPECT_EQ(ours[1].destination, "");
    EXPECT_EQ(ours[2].source, In("avant-\u00E9t\u00E9.txt"));
}

TEST(RestartRename, Performed) {
    ASSERT_FALSE(Folder().empty());
    EXPECT_EQ(Read(In("orbel.exe")), "1.0.0.2");
    EXPECT_FALSE(fs::exists(PathFromUtf8(In("orbel.exe.nouveau"))));
    EXPECT_FALSE(fs::exists(PathFromUtf8(In("reste.tmp"))));
    EXPECT_FALSE(fs::exists(PathFromUtf8(In("avant-\u00E9t\u00E9.txt"))));
    EXPECT_EQ(Read(In("apr\u00E8s-\u00E9t\u00E9.txt")), "renomm\u00E9");
    EXPECT_TRUE(Pending().empty());
    fs::remove_all(PathFromUtf8(Folder()));
}

} // namespace

// The Win32 backend's file calls: the real Windows behaviour behind the platform's interface,
// with UTF-8 paths inside and wide ones at the call.
#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"
#include "platform/files/FindFile.h"
#include "platform/files/UnfinishedWrites.h"
#include "platform/machine/TemporaryNames.h"
#include "platform/machine/WholeFile.h"
#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using platform::win32::PathFromUtf8;
using platform::win32::PathToUtf8;

// A fresh folder (with an accented name) per test, removed afterwards.
class Win32Files : public testing::Test {
protected:
    void SetUp() override {
        const std::string name = std::string("quarnel-f\u00E9-") +
                                 testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
                                 std::to_string(std::random_device{}());
        FFolder = PathToUtf8(fs::temp_directory_path() / PathFromUtf8(name));
        ASSERT_TRUE(platform::CreateDirectory(FFolder));
    }
    void TearDown() override {
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(PathFromUtf8(FFolder), ignored))
            ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(PathFromUtf8(FFolder), ignored);
    }

    std::string In(std::string_view name) const { return FFolder + "\\" + std::string(name); }

    void Write(std::string_view name, std::string_view content) const {
        platform::FileHandle file =
            platform::CreateFile(In(name), platform::kGenericWrite, 0, platform::CreationDisposition::CreateAlways);
        ASSERT_TRUE(file.IsValid()) << platform::GetLastError();
        ASSERT_TRUE(file.Write(content.data(), content.size()));
    }

    std::string Read(std::string_view name) const {
        platform::FileHandle file = platform::CreateFile(In(name), platform::kGenericRead, platform::kFileShareRead,
                                                         platform::CreationDisposition::OpenExisting);
        std::string content;
        char buffer[4096];
        while (const auto count = file.Read(buffer, sizeof buffer)) {
            if (*count == 0)
                break;
            content.append(buffer, *count);
        }
        return content;
    }

    // The names of the folder other than the ones the test wrote: temporaries left behind.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        platform::FindData data;
        platform::FindHandle search = platform::FindFirstFile(In("*"), data);
        for (bool found = search.IsValid(); found; found = platform::FindNextFile(search, data))
            if (data.name != "." && data.name != "..")
                names.push_back(data.name);
        return names;
    }

    std::string FFolder;
};

TEST_F(Win32Files, ACopyCarriesContentTimeToTheTickAndReadOnlyAndLeavesNoTemporary) {
    Write("source \u00E9t\u00E9.bin", std::string("\0\r\n\x80 binaire", 12));
    const platform::FileTime odd = 133'456'789'012'345'679; // not a whole second
    ASSERT_TRUE(platform::SetFileLastWriteTime(In("source \u00E9t\u00E9.bin"), odd));
    ASSERT_TRUE(platform::SetFileAttributes(In("source \u00E9t\u00E9.bin"), platform::kFileAttributeReadOnly));
    Write("target.bin", "old content");

    ASSERT_TRUE(platform::CopyFile(In("source \u00E9t\u00E9.bin"), In("target.bin"), false))
        << platform::GetLastError();

    EXPECT_EQ(Read("target.bin"), std::string("\0\r\n\x80 binaire", 12));
    const auto info = platform::GetFileInformation(In("target.bin"));
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->lastWriteTime, odd);
    EXPECT_EQ(info->size, 12u);
    EXPECT_EQ(info->attributes, platform::kFileAttributeReadOnly);
    EXPECT_EQ(Names().size(), 2u) << "a temporary stayed beside the target";
}

TEST_F(Win32Files, RefusalsCarryTheWindowsCodesAndLeaveTheTargetAsItWas) {
    Write("source.bin", "new");
    Write("target.bin", "old");
    struct Case {
        const char* what;
        std::string source;
        std::string target;
        bool failIfExists;
        platform::ErrorCode code;
    };
    const std::vector<Case> cases = {
        {"missing source", In("absent.bin"), In("target.bin"), false, platform::kErrorFileNotFound},
        {"existing target refused", In("source.bin"), In("target.bin"), true, platform::kErrorFileExists},
        {"folder as source", FFolder, In("target.bin"), false, platform::kErrorAccessDenied},
        {"missing folder", In("source.bin"), In("absent\\target.bin"), false, platform::kErrorPathNotFound},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(platform::CopyFile(c.source, c.target, c.failIfExists)) << c.what;
        EXPECT_EQ(platform::GetLastError(), c.code) << c.what;
    }
    ASSERT_TRUE(platform::SetFileAttributes(In("target.bin"), platform::kFileAttributeReadOnly));
    EXPECT_FALSE(platform::CopyFile(In("source.bin"), In("target.bin"), false));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);
    EXPECT_EQ(Read("target.bin"), "old");
    EXPECT_EQ(Names().size(), 2u);
}

TEST_F(Win32Files, AFileHeldWithoutSharingIsInUse) {
    Write("source.bin", "new");
    Write("held.bin", "old");
    {
        const platform::FileHandle holder = platform::CreateFile(In("held.bin"), platform::kGenericRead, 0,
                                                                 platform::CreationDisposition::OpenExisting);
        ASSERT_TRUE(holder.IsValid());

        EXPECT_EQ(platform::ProbeExclusiveOpen(In("held.bin")), platform::kErrorSharingViolation);
        EXPECT_FALSE(platform::CopyFile(In("source.bin"), In("held.bin"), false));
        EXPECT_EQ(platform::GetLastError(), platform::kErrorSharingViolation);
        EXPECT_FALSE(platform::DeleteFile(In("held.bin")));
        EXPECT_EQ(platform::GetLastError(), platform::kErrorSharingViolation);
    }
    EXPECT_EQ(Read("held.bin"), "old");
    EXPECT_EQ(Names().size(), 2u);
}

TEST_F(Win32Files, ACancelledCopyLeavesTheTargetAndNoTemporary) {
    Write("source.bin", std::string(3 << 20, 'x'));
    Write("target.bin", "old");
    std::vector<std::uint64_t> told;
    const auto cancelAfterFirstPiece = [&](std::uint64_t, std::uint64_t transferred) {
        told.push_back(transferred);
        return transferred == 0 ? platform::CopyProgress::Continue : platform::CopyProgress::Cancel;
    };
    EXPECT_FALSE(platform::CopyFileEx(In("source.bin"), In("target.bin"), cancelAfterFirstPiece, 0));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorRequestAborted);
    ASSERT_GE(told.size(), 2u);
    EXPECT_EQ(told.front(), 0u);
    EXPECT_EQ(Read("target.bin"), "old");
    EXPECT_EQ(Names().size(), 2u);

    told.clear();
    const auto goOn = [&](std::uint64_t, std::uint64_t transferred) {
        told.push_back(transferred);
        return platform::CopyProgress::Continue;
    };
    ASSERT_TRUE(platform::CopyFileEx(In("source.bin"), In("target.bin"), goOn, 0));
    ASSERT_GE(told.size(), 2u);
    EXPECT_EQ(told.front(), 0u);
    EXPECT_EQ(told.back(), 3u << 20);
}

TEST_F(Win32Files, MovesReplaceAndFindingGivesUtf8Names) {
    Write("\u00E9t\u00E9 \u65E5\u672C.txt", "a");
    Write("existing.txt", "b");
    EXPECT_FALSE(platform::MoveFileEx(In("\u00E9t\u00E9 \u65E5\u672C.txt"), In("existing.txt"), 0));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorAlreadyExists);
    ASSERT_TRUE(platform::MoveFileEx(In("\u00E9t\u00E9 \u65E5\u672C.txt"), In("existing.txt"),
                                     platform::kMoveFileReplaceExisting));
    EXPECT_EQ(Read("existing.txt"), "a");

    Write("R\u00E9sum\u00E9.txt", "c");
    platform::FindData data;
    const platform::FindHandle search = platform::FindFirstFile(In("r\u00C9*.TXT"), data);
    ASSERT_TRUE(search.IsValid());
    EXPECT_EQ(data.name, "R\u00E9sum\u00E9.txt");
    EXPECT_EQ(data.size, 1u);
}

TEST_F(Win32Files, FoldersAreMadeWholeAndRemovedOnlyWhenEmpty) {
    ASSERT_TRUE(platform::CreateDirectoryTree(In("a\\b\\c")));
    EXPECT_EQ(platform::GetFileAttributes(In("a\\b\\c")), platform::kFileAttributeDirectory);
    EXPECT_FALSE(platform::RemoveDirectory(In("a")));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorDirNotEmpty);
    Write("file", "x");
    EXPECT_FALSE(platform::CreateDirectoryTree(In("file\\sub")));
    EXPECT_EQ(platform::GetFileAttributes(In("absent")), platform::kInvalidFileAttributes);
    EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
}

TEST_F(Win32Files, AWholeFileWriteReplacesTheTextAndLeavesNoTemporary) {
    Write("settings.ini", "old");
    platform::WriteWholeFile(PathFromUtf8(In("settings.ini")), "new\r\ntext");
    EXPECT_EQ(Read("settings.ini"), "new\r\ntext");
    EXPECT_EQ(Names(), std::vector<std::string>{"settings.ini"});
}

TEST_F(Win32Files, UnfinishedWritesOfThisProcessAreRemovedAndNothingElse) {
    const std::string mine = platform::TemporaryNameFor("target.bin");
    const std::string otherFile = platform::TemporaryNameFor("other.bin");
    Write(mine, "half");
    Write(otherFile, "half");
    Write("target.bin", "whole");
    ASSERT_TRUE(platform::RemoveUnfinishedWrites(In("target.bin")));
    const std::vector<std::string> names = Names();
    EXPECT_EQ(std::count(names.begin(), names.end(), mine), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), otherFile), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), "target.bin"), 1);
}

// A run's unpacked files carry its process id: a clean-up removes those of processes that ended,
// and this process's own only when asked, whatever their attributes; names of no process stay.
TEST_F(Win32Files, TemporaryFilesOfEndedProcessesAndOfThisOneAreRemovedAndNothingElse) {
    const std::string mine = platform::TemporaryFileName("Update1");
    const std::string ended = "Update2.quarnel-new.2147483644.tmp"; // no process has such an id
    for (const std::string& name :
         {mine, ended, std::string("Update3.tmp"), std::string("Other4.quarnel-new.2147483644.tmp")})
        Write(name, "x");
    ASSERT_TRUE(platform::SetFileAttributes(In(mine), platform::kFileAttributeReadOnly));

    EXPECT_EQ(platform::RemoveTemporaryFiles(FFolder + "\\", "Update*.tmp", platform::TemporaryWriters::Ended),
              std::vector<std::string>{In(ended)});
    EXPECT_EQ(
        platform::RemoveTemporaryFiles(FFolder + "\\", "Update*.tmp", platform::TemporaryWriters::EndedAndThisOne),
        std::vector<std::string>{In(mine)});
    std::vector<std::string> names = Names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Other4.quarnel-new.2147483644.tmp", "Update3.tmp"}));
}

TEST_F(Win32Files, ARestartRenameIsRecordedForTheSystem) {
    Write("new.dll", "n");
    Write("old.dll", "o");
    ASSERT_TRUE(platform::MoveFileEx(In("new.dll"), In("old.dll"),
                                     platform::kMoveFileDelayUntilReboot | platform::kMoveFileReplaceExisting))
        << platform::GetLastError();
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                              KEY_QUERY_VALUE, &key),
              ERROR_SUCCESS);
    DWORD size = 0;
    ::RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, nullptr, nullptr, &size);
    std::wstring pending(size / sizeof(wchar_t), L'\0');
    ::RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, nullptr, reinterpret_cast<BYTE*>(pending.data()),
                       &size);
    ::RegCloseKey(key);
    EXPECT_NE(pending.find(L"new.dll"), std::wstring::npos);
    EXPECT_EQ(Read("old.dll"), "o"); // nothing moves before the restart
}

} // namespace

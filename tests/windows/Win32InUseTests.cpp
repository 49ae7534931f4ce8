// A file another Windows process holds open (hold-file.exe, with no sharing) gives the in-use
// outcome, error 32, through the file calls with which the engine replaces a file; once the
// other process lets it go, the same calls succeed.
#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"
#include "platform/files/LockedFile.h"
#include "platform/machine/LastError.h"
#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using platform::win32::PathFromUtf8;
using platform::win32::PathToUtf8;
using platform::win32::Wide;

std::wstring HelperPath() {
    wchar_t own[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, own, MAX_PATH);
    return (fs::path(own).parent_path() / L"hold-file.exe").wstring();
}

std::string Read(const std::string& file) {
    std::ifstream in(PathFromUtf8(file), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Another process holding a file: started, and known to hold it, before the test goes on.
class OtherProcessHolding {
public:
    // `mode`: "open" (no sharing) or "lock" (a run's lock).
    OtherProcessHolding(const std::string& file, const wchar_t* mode) {
        const std::wstring tag =
            std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(std::random_device{}());
        const std::wstring readyName = L"quarnel-ready-" + tag;
        const std::wstring releaseName = L"quarnel-release-" + tag;
        FReady = ::CreateEventW(nullptr, TRUE, FALSE, readyName.c_str());
        FRelease = ::CreateEventW(nullptr, TRUE, FALSE, releaseName.c_str());
        std::wstring command =
            L"\"" + HelperPath() + L"\" " + mode + L" \"" + Wide(file) + L"\" " + readyName + L" " + releaseName;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &FProcess))
            return;
        ::CloseHandle(FProcess.hThread);
        const HANDLE waited[] = {FReady, FProcess.hProcess};
        FHolding = ::WaitForMultipleObjects(2, waited, FALSE, INFINITE) == WAIT_OBJECT_0;
    }
    ~OtherProcessHolding() { Release(); }
    OtherProcessHolding(const OtherProcessHolding&) = delete;
    OtherProcessHolding& operator=(const OtherProcessHolding&) = delete;

    bool Holding() const { return FHolding; }

    // Ends the process at once, as a crash would.
    void Kill() {
        ::TerminateProcess(FProcess.hProcess, 9);
        ::WaitForSingleObject(FProcess.hProcess, INFINITE);
        ::CloseHandle(FProcess.hProcess);
        FProcess.hProcess = nullptr;
        FHolding = false;
    }

    // Lets the file go and waits for the process to end.
    void Release() {
        if (FProcess.hProcess != nullptr) {
            ::SetEvent(FRelease);
            ::WaitForSingleObject(FProcess.hProcess, INFINITE);
            ::CloseHandle(FProcess.hProcess);
            FProcess.hProcess = nullptr;
        }
        FHolding = false;
    }

private:
    HANDLE FReady = nullptr;
    HANDLE FRelease = nullptr;
    PROCESS_INFORMATION FProcess{};
    bool FHolding = false;
};

class Win32InUse : public testing::Test {
protected:
    void SetUp() override {
        FFolder =
            fs::temp_directory_path() / PathFromUtf8("quarnel-utilis\u00E9-" + std::to_string(std::random_device{}()));
        ASSERT_TRUE(fs::create_directory(FFolder));
        FTarget = PathToUtf8(FFolder / PathFromUtf8("programme-\u00E9t\u00E9.exe"));
        FSource = PathToUtf8(FFolder / "nouveau.exe");
        std::ofstream(PathFromUtf8(FTarget), std::ios::binary) << "1.0.0.1";
        std::ofstream(PathFromUtf8(FSource), std::ios::binary) << "1.0.0.2";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(FFolder, ignored);
    }

    fs::path FFolder;
    std::string FTarget;
    std::string FSource;
};

TEST_F(Win32InUse, AFileAnotherProcessHoldsIsInUseUntilItLetsItGo) {
    OtherProcessHolding other(FTarget, L"open");
    ASSERT_TRUE(other.Holding()) << "hold-file.exe did not take the file";

    EXPECT_FALSE(platform::DeleteFile(FTarget));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorSharingViolation);
    EXPECT_FALSE(platform::CopyFile(FSource, FTarget, false));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorSharingViolation);
    const platform::FileHandle opened = platform::CreateFile(FTarget, platform::kGenericWrite, platform::kFileShareRead,
                                                             platform::CreationDisposition::OpenExisting);
    EXPECT_FALSE(opened.IsValid());
    EXPECT_EQ(platform::GetLastError(), platform::kErrorSharingViolation);
    EXPECT_EQ(std::distance(fs::directory_iterator(FFolder), fs::directory_iterator()), 2); // nothing left beside it

    other.Release();
    EXPECT_EQ(Read(FTarget), "1.0.0.1"); // nor torn
    EXPECT_TRUE(platform::CopyFile(FSource, FTarget, false)) << platform::GetLastError();
    EXPECT_EQ(Read(FTarget), "1.0.0.2");
    EXPECT_TRUE(platform::DeleteFile(FTarget)) << platform::GetLastError();
}

// The machine-wide update lock between processes: another run holding it is seen, its journal
// can still be read, and the lock goes with the process when it is killed.
TEST_F(Win32InUse, ARunsLockIsSeenByOthersAndGoesWithItsProcess) {
    const std::string journal = PathToUtf8(FFolder / "run-1.txt");
    std::ofstream(PathFromUtf8(journal), std::ios::binary) << "d\u00E9but\n";
    OtherProcessHolding other(journal, L"lock");
    ASSERT_TRUE(other.Holding()) << "hold-file.exe did not take the lock";

    platform::LockedFile seen(PathFromUtf8(journal), platform::LockedFile::Opening::OpenExisting);
    ASSERT_TRUE(seen.Opened()) << seen.OpenError();
    EXPECT_FALSE(seen.Held());
    EXPECT_EQ(seen.ReadAll(100), "d\u00E9but\n");

    other.Kill();
    EXPECT_TRUE(platform::LockedFile(PathFromUtf8(journal), platform::LockedFile::Opening::OpenExisting).Held());
}

} // namespace

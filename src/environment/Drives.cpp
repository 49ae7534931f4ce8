// The machine's drives as the toolkit asks them: file system, fixed drives, the CD-ROM drive
// holding a given file.

#include "environment/InstallTools2.h"
#include "platform/errors/SystemError.h"
#include "platform/files/Volumes.h"

#include <chrono>
#include <thread>

namespace {

std::function<void(unsigned)>& SleepFunction() {
    static std::function<void(unsigned)> sleep;
    return sleep;
}

void Sleep(unsigned milliseconds) {
    if (SleepFunction())
        SleepFunction()(milliseconds);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

constexpr int kCdRomPasses = 10;

} // namespace

void SetToolkitSleep(std::function<void(unsigned milliseconds)> sleep) {
    SleepFunction() = std::move(sleep);
}

bool TWindowsInstaller::IsNTFS(std::string_view volume) {
    const auto information = platform::GetVolumeInformation(std::string(volume) + ":\\");
    if (!information)
        platform::RaiseLastError();
    return information->fileSystemName.rfind("NTFS", 0) == 0;
}

void TWindowsInstaller::GetLocalDriveLetters(std::vector<std::string>& DriveList) {
    DriveList.clear();
    const std::uint32_t drives = platform::GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if ((drives & (1U << i)) == 0)
            continue;
        const char letter = static_cast<char>('a' + i);
        if (platform::GetDriveType(std::string(1, letter) + ":\\") == platform::kDriveFixed)
            DriveList.emplace_back(1, letter);
    }
}

bool TWindowsInstaller::FindCDRomLetter(std::string_view FileToFind, char& DriveLetter) {
    for (int pass = 0; pass < kCdRomPasses; ++pass) {
        for (char letter = 'C'; letter <= 'Z'; ++letter) {
            const std::string root = std::string(1, letter) + ":\\";
            if (platform::GetDriveType(root) == platform::kDriveCdRom && FileExists(root + std::string(FileToFind))) {
                DriveLetter = letter;
                return true;
            }
        }
        Sleep(1000); // a disc being inserted needs time to come up; the last pass waits too
    }
    return false;
}

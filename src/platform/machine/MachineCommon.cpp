// What the machine is on both systems: the names of the drive types, the machine the program runs
// against, and the lookup of a drive by its letter.

#include "platform/machine/Machine.h"
#include "platform/text/Text.h"

#include <mutex>

namespace platform {

namespace fs = std::filesystem;

namespace {

std::mutex currentMutex;
std::optional<Machine> currentMachine;

} // namespace

std::string_view DriveTypeName(DriveType type) {
    switch (type) {
    case DriveType::Fixed:
        return "fixed";
    case DriveType::Remote:
        return "remote";
    case DriveType::CdRom:
        return "cdrom";
    case DriveType::Removable:
        return "removable";
    }
    return "fixed";
}

std::optional<DriveType> ParseDriveType(std::string_view name) {
    for (const DriveType type : {DriveType::Fixed, DriveType::Remote, DriveType::CdRom, DriveType::Removable})
        if (text::EqualsIgnoreAsciiCase(name, DriveTypeName(type)))
            return type;
    return std::nullopt;
}

Machine::Machine(fs::path prefix, MachineSettings settings)
    : FPrefix(std::move(prefix))
    , FSettings(std::move(settings)) {}

const Machine& Machine::Current() {
    std::lock_guard lock(currentMutex);
    if (!currentMachine)
        currentMachine = Load(DefaultPrefix());
    return *currentMachine;
}

void Machine::SetCurrent(Machine machine) {
    std::lock_guard lock(currentMutex);
    currentMachine = std::move(machine);
}

const Drive* Machine::FindDrive(char letter) const {
    const char upper = static_cast<char>(letter >= 'a' && letter <= 'z' ? letter - 'a' + 'A' : letter);
    for (const Drive& drive : FSettings.drives)
        if (drive.letter == upper)
            return &drive;
    return nullptr;
}

} // namespace platform

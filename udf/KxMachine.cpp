#include "KxUdf.h"

#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sys/statvfs.h>

namespace kx {

namespace fs = std::filesystem;

namespace {

struct DriveEntry {
    fs::path folder;
    std::optional<std::int64_t> reportedFreeSpace;
};

// The library lives in <prefix>/firebird/udf/: the machine is three folders up.
std::optional<fs::path> MachinePrefix() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&FreeDiskSpace), &info) == 0 || !info.dli_fname)
        return std::nullopt;
    std::error_code error;
    fs::path library = fs::canonical(info.dli_fname, error);
    if (error)
        return std::nullopt;
    return library.parent_path().parent_path().parent_path();
}

std::string Trim(std::string text) {
    auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r';
    };
    while (!text.empty() && blank(text.back()))
        text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && blank(text[start]))
        ++start;
    return text.substr(start);
}

// The drive's entry in machine.ini ("[Drive X]", "Folder=", "FreeSpace="); a machine without
// drive sections has its C: drive in <prefix>/drives/C.
std::optional<DriveEntry> FindDrive(const fs::path& prefix, char letter) {
    std::ifstream file(prefix / "machine.ini");
    std::string line;
    std::optional<DriveEntry> found;
    bool anyDrive = false;
    bool inWanted = false;
    while (std::getline(file, line)) {
        line = Trim(line);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            std::string section = Upper(line.substr(1, line.size() - 2));
            bool isDrive = section.size() == 7 && section.rfind("DRIVE ", 0) == 0;
            anyDrive = anyDrive || isDrive;
            inWanted = isDrive && section[6] == letter;
            if (inWanted)
                found = DriveEntry{};
            continue;
        }
        auto equal = line.find('=');
        if (!inWanted || equal == std::string::npos)
            continue;
        std::string key = Upper(Trim(line.substr(0, equal)));
        std::string value = Trim(line.substr(equal + 1));
        if (key == "FOLDER") {
            fs::path folder(value);
            found->folder = folder.is_absolute() ? folder : prefix / folder;
        } else if (key == "FREESPACE" && !value.empty()) {
            try {
                found->reportedFreeSpace = std::stoll(value);
            } catch (const std::exception&) {
                found->reportedFreeSpace = 0; // a figure we cannot read tells nothing
            }
        }
    }
    if (!anyDrive && letter == 'C')
        return DriveEntry{prefix / "drives" / "C", std::nullopt};
    return found;
}

} // namespace

std::int64_t FreeDiskSpace(char letter) {
    letter = static_cast<char>(ToUpper(static_cast<unsigned char>(letter)));
    if (letter < 'A' || letter > 'Z')
        return 0;
    auto prefix = MachinePrefix();
    if (!prefix)
        return 0;
    auto drive = FindDrive(*prefix, letter);
    if (!drive || drive->folder.empty())
        return 0;
    if (drive->reportedFreeSpace)
        return *drive->reportedFreeSpace;
    struct statvfs info {};
    if (statvfs(drive->folder.c_str(), &info) != 0)
        return 0;
    return static_cast<std::int64_t>(info.f_bavail) * static_cast<std::int64_t>(info.f_frsize);
}

} // namespace kx

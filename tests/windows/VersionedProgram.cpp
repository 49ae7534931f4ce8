// version_pe FILE MAJOR.MINOR.RELEASE.BUILD: writes a PE image carrying that version, for the
// end-to-end runs under Wine (the machine's installed program, the packed one).
#include "pe/PeWriter.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    unsigned parts[4] = {};
    if (argc != 3 || std::sscanf(argv[2], "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]) != 4) {
        std::fprintf(stderr, "usage: version_pe FILE MAJOR.MINOR.RELEASE.BUILD\n");
        return 64;
    }
    try {
        const std::filesystem::path file(argv[1]);
        std::filesystem::create_directories(file.parent_path());
        testsupport::WritePeFile(file, testsupport::MakeVersionResource(
                                           static_cast<std::uint16_t>(parts[0]), static_cast<std::uint16_t>(parts[1]),
                                           static_cast<std::uint16_t>(parts[2]), static_cast<std::uint16_t>(parts[3])));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "version_pe: %s\n", error.what());
        return 1;
    }
    return 0;
}

// On Linux the command line is already the program's bytes and the streams need nothing.
#include "platform/machine/ProgramEntry.h"

namespace platform {

class ProgramEntry::Streams {};

ProgramEntry::ProgramEntry(int argc, char** argv) {
    if (argc > 0) {
        FProgramPath = argv[0];
        FArguments.assign(argv + 1, argv + argc);
    }
}

ProgramEntry::~ProgramEntry() = default;

} // namespace platform

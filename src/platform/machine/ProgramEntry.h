#pragma once

// What every program does first in its main(): it takes its command line as UTF-8 texts and sets
// up its standard streams. On Windows the arguments are read from the wide command line (argv
// holds them in the ANSI code page, which loses what it cannot write), the standard streams carry
// bytes as they stand (no CR added before a line feed), and text written to a console shows its
// accents whatever the console's code page. On Linux the arguments pass through as they are.

#include <memory>
#include <string>
#include <vector>

namespace platform {

class ProgramEntry {
public:
    // Once per process, at the start of main(); the streams are given back as they were when it ends.
    ProgramEntry(int argc, char** argv);
    ~ProgramEntry();
    ProgramEntry(const ProgramEntry&) = delete;
    ProgramEntry& operator=(const ProgramEntry&) = delete;

    // The program's path as it was started, UTF-8.
    const std::string& ProgramPath() const { return FProgramPath; }
    // The arguments after the program's path, UTF-8.
    const std::vector<std::string>& Arguments() const { return FArguments; }

private:
    class Streams;

    std::string FProgramPath;
    std::vector<std::string> FArguments;
    std::unique_ptr<Streams> FStreams;
};

} // namespace platform

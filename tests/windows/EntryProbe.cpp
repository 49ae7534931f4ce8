// A program that shows what its entry gave it: each argument between brackets on standard
// output, its own file name on standard error.
#include "platform/machine/ProgramEntry.h"

#include <iostream>

int main(int argc, char** argv) {
    const platform::ProgramEntry entry(argc, argv);
    for (const std::string& argument : entry.Arguments())
        std::cout << '[' << argument << "]\n";
    const std::string& path = entry.ProgramPath();
    std::cerr << "programme\u00A0: " << path.substr(path.find_last_of("\\/") + 1) << '\n';
    return static_cast<int>(entry.Arguments().size());
}

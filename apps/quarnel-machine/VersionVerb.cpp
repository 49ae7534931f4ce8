// version: a file's fixed version and its "FileVersion" string.

#include "Commands.h"
#include "platform/machine/Machine.h"
#include "platform/pe/PeVersionReader.h"

#include <filesystem>

namespace quarnel_machine {

namespace {

bool IsWindowsDrivePath(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

} // namespace

int RunVersion(std::span<const std::string> args, Context context) {
    if (args.size() != 1) {
        context.err << "Usage: quarnel-machine version FILE\n";
        return kExitUsage;
    }
    std::filesystem::path file = args[0];
    if (IsWindowsDrivePath(args[0])) {
        const auto machine = platform::Machine::Load(platform::Machine::DefaultPrefix());
        const auto host = machine.ToHostPath(args[0]);
        if (!host) {
            context.err << "quarnel-machine: " << args[0] << " is not a path on this machine's drives\n";
            return kExitFailure;
        }
        file = *host;
    }
    const auto resource = platform::ReadVersionResource(file);
    if (!resource || !resource->fixedInfo) {
        context.out << "?\n";
        return kExitOk;
    }
    const platform::FixedFileInfo& fixed = *resource->fixedInfo;
    context.out << (fixed.fileVersionMS >> 16) << '.' << (fixed.fileVersionMS & 0xFFFF) << '.'
                << (fixed.fileVersionLS >> 16) << '.' << (fixed.fileVersionLS & 0xFFFF) << '\n';
    if (!resource->translations.empty()) {
        if (const auto text = resource->QueryString(resource->translations.front().BlockKey(), "FileVersion"))
            context.out << "FileVersion: " << *text << '\n';
    }
    return kExitOk;
}

} // namespace quarnel_machine

// version: a file's fixed version and its "FileVersion" string.

#include "Commands.h"
#include "platform/machine/Machine.h"
#include "platform/pe/PeVersionReader.h"
#include "platform/text/Text.h"

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
        context.err << "Utilisation : quarnel-machine version FICHIER\n";
        return kExitUsage;
    }
    std::filesystem::path file = args[0];
    if (IsWindowsDrivePath(args[0])) {
        if (!platform::text::IsValidUtf8(args[0])) {
            context.err << "quarnel-machine : le chemin donné n'est pas du texte UTF-8 valide\n";
            return kExitUsage;
        }
        const auto machine = platform::Machine::Load(platform::Machine::DefaultPrefix());
        const auto host = machine.ToHostPath(args[0]);
        if (!host) {
            context.err << "quarnel-machine : " << args[0] << " n'est pas un chemin des lecteurs de cette machine\n";
            return kExitFailure;
        }
        file = *host;
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        context.err << "quarnel-machine : " << args[0] << " n'est pas un fichier existant\n";
        return kExitFailure;
    }
    const auto resource = platform::ReadVersionResource(file);
    if (!resource || !resource->fixedInfo) {
        context.out << "?\n";
        return kExitOk;
    }
    const platform::FixedFileInfo& fixed = *resource->fixedInfo;
    context.out << (fixed.fileVersionMS >> 16) << '.' << (fixed.fileVersionMS & 0xFFFF) << '.'
                << (fixed.fileVersionLS >> 16) << '.' << (fixed.fileVersionLS & 0xFFFF) << '\n';
    // The strings in the language a person on this machine reads them.
    const auto language = platform::Machine::Load(platform::Machine::DefaultPrefix()).Settings().systemLanguage;
    if (const auto translation = platform::PreferredTranslation(*resource, language)) {
        if (const auto text = resource->QueryString(translation->BlockKey(), "FileVersion"))
            context.out << "FileVersion: " << *text << '\n';
    }
    return kExitOk;
}

} // namespace quarnel_machine

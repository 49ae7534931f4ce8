// init, show, drive and path: the machine's own settings.

#include "Commands.h"
#include "platform/machine/Machine.h"
#include "platform/registry/Registry.h"
#include "platform/text/Text.h"

#include <algorithm>
#include <filesystem>

namespace quarnel_machine {

namespace fs = std::filesystem;
using platform::Machine;

int RunInit(std::span<const std::string> args, Context context) {
    if (!args.empty()) {
        context.err << "Utilisation : quarnel-machine init\n";
        return kExitUsage;
    }
    const Machine machine = Machine::Init(Machine::ChosenPrefix());
    platform::Registry(machine.RegistryFolder()).CreateMissingHives();
    InitFirebirdRootOf(machine);
    context.out << "Préfixe de la machine prêt : " << machine.Prefix().string() << '\n';
    return kExitOk;
}

int RunShow(std::span<const std::string> args, Context context) {
    if (!args.empty()) {
        context.err << "Utilisation : quarnel-machine show\n";
        return kExitUsage;
    }
    const Machine machine = Machine::Load(Machine::DefaultPrefix());
    const platform::MachineSettings& s = machine.Settings();
    std::ostream& out = context.out;
    out << "Préfixe :                " << machine.Prefix().string() << '\n'
        << "Nom de l'ordinateur :    " << s.computerName << '\n'
        << "Nom de l'utilisateur :   " << s.userName << '\n'
        << "Système :                " << (s.os.platform == platform::OsPlatform::WindowsNT ? "NT " : "9x ")
        << s.os.major << '.' << s.os.minor << '\n'
        << "Dossier Windows :        " << s.windowsFolder << '\n'
        << "Dossier système :        " << s.systemFolder << '\n'
        << "Dossier temporaire :     " << s.tempFolder << '\n'
        << "Session à distance :     " << (s.remoteSession ? "oui" : "non") << " (session " << s.sessionId << ")\n"
        << "Page de codes ANSI :     " << s.ansiCodePage << '\n'
        << "Adresses IP :            ";
    const auto addresses = machine.IpAddresses();
    for (std::size_t i = 0; i < addresses.size(); ++i)
        out << (i ? ", " : "") << addresses[i];
    out << "\nChemin des bibliothèques : ";
    for (std::size_t i = 0; i < s.libraryPath.size(); ++i)
        out << (i ? ";" : "") << s.libraryPath[i];
    out << "\nLecteurs :\n";
    for (const platform::Drive& drive : s.drives) {
        out << "  " << drive.letter << ":  " << platform::DriveTypeName(drive.type) << ", " << drive.fileSystem << ", "
            << drive.hostFolder.string();
        if (drive.reportedFreeSpace)
            out << ", annonce " << *drive.reportedFreeSpace << " octets libres";
        out << '\n';
    }
    return kExitOk;
}

int RunDrive(std::span<const std::string> args, Context context) {
    const auto type = args.size() == 3 ? platform::ParseDriveType(args[2]) : std::nullopt;
    const bool letterOk = args.size() == 3 && args[0].size() <= 2 && !args[0].empty() &&
                          ((args[0][0] >= 'A' && args[0][0] <= 'Z') || (args[0][0] >= 'a' && args[0][0] <= 'z')) &&
                          (args[0].size() == 1 || args[0][1] == ':');
    if (!letterOk || !type) {
        context.err << "Utilisation : quarnel-machine drive LETTRE DOSSIER fixed|remote|cdrom|removable\n";
        return kExitUsage;
    }
    Machine machine = Machine::Load(Machine::DefaultPrefix());
    fs::create_directories(machine.Prefix());
    const char letter = static_cast<char>(args[0][0] & ~0x20);
    const fs::path folder = fs::absolute(args[1]);
    fs::create_directories(folder);
    auto& drives = machine.MutableSettings().drives;
    std::erase_if(drives, [letter](const platform::Drive& d) { return d.letter == letter; });
    drives.push_back(platform::Drive{letter, folder, *type, *type == platform::DriveType::CdRom ? "CDFS" : "NTFS", {}});
    std::sort(drives.begin(), drives.end(), [](const auto& a, const auto& b) { return a.letter < b.letter; });
    machine.Save();
    context.out << letter << ": -> " << folder.string() << " (" << platform::DriveTypeName(*type) << ")\n";
    return kExitOk;
}

int RunPath(std::span<const std::string> args, Context context) {
    if (args.size() != 1) {
        context.err << "Utilisation : quarnel-machine path CHEMIN\n";
        return kExitUsage;
    }
    if (!platform::text::IsValidUtf8(args[0])) {
        context.err << "quarnel-machine : le chemin donné n'est pas du texte UTF-8 valide\n";
        return kExitUsage;
    }
    const Machine machine = Machine::Load(Machine::DefaultPrefix());
    const auto host = machine.ToHostPath(args[0]);
    if (!host) {
        context.err << "quarnel-machine : " << args[0]
                    << " n'est pas un chemin des lecteurs de cette machine (chemin UNC ou relatif, lecteur inconnu, "
                       "ou chemin qui sort de son lecteur)\n";
        return kExitFailure;
    }
    context.out << host->string() << '\n';
    return kExitOk;
}

} // namespace quarnel_machine

// quarnel-machine: creates and inspects the emulated Windows machine of a prefix.

#include "Commands.h"
#include "firebird/Client.h"

#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr const char* kHelp = R"(Usage: quarnel-machine VERB [ARGUMENTS]

The machine prefix is $QUARNEL_PREFIX, or ~/.quarnel when it is not set.

Verbs:
  init                          Create the prefix with the default machine (drive C:, Windows,
                                system and temporary folders, empty registry, Firebird root);
                                an existing prefix keeps its settings.
  show                          Print the machine's settings and drives.
  drive LETTER HOSTFOLDER TYPE  Map drive LETTER to HOSTFOLDER; TYPE is fixed, remote, cdrom or
                                removable. The folder is created when missing.
  path WINDOWSPATH              Print the host path of a Windows path (C:\Dir\File.txt).
  version FILE                  Print a file's fixed version (major.minor.release.build, or ?)
                                and its "FileVersion" string. FILE is a Windows path, or a host
                                path when it does not start with a drive letter.
  reg query KEY [/v NAME | /ve] [/s]
  reg add KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]
  reg delete KEY [/v NAME | /ve] [/f]
  reg import FILE
  reg export KEY FILE [/y]      The machine's registry, with the options of Windows' reg.exe.
                                KEY begins with HKEY_LOCAL_MACHINE (HKLM) or HKEY_CURRENT_USER (HKCU).
  firebird start|stop|status    The prefix's Firebird server on a free loopback port.
  reboot                        Restart the machine: perform the renames and deletions registered
                                for the next start (PendingFileRenameOperations, in order, then the
                                [rename] section of WININIT.INI), then empty them and clear a
                                restart requested by a program. Prints one line per operation;
                                exits with 1 when one of them failed (the others still run).
  trust add PUBLIQUE.pem | trust list | trust remove ID
                                Les clés publiques Ed25519 de confiance : dès qu'il en a une, le
                                poste n'applique que les paquets signés par l'une d'elles.
  recover                       Annule les mises à jour qu'un arrêt a interrompues (coupure,
                                programme tué) : chaque produit laissé à moitié mis à jour est
                                remis tel qu'il était, d'après les journaux du dossier journal/
                                du préfixe. Sort avec 5, sans rien changer, sur un journal illisible.
  help, --help                  This text.

Exit codes: 0 done, 1 failed, 64 usage error.
)";

} // namespace

int main(int argc, char** argv) {
    // The Firebird client's threads must end before the process does, on every path.
    struct ClientShutdownAtExit {
        ~ClientShutdownAtExit() { fb::ClientShutdown(); }
    } clientShutdown;
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << kHelp;
        return quarnel_machine::kExitUsage;
    }
    const std::string& verb = args.front();
    const std::span<const std::string> rest(args.begin() + 1, args.end());
    const quarnel_machine::Context context{std::cout, std::cerr};
    try {
        if (verb == "help" || verb == "--help" || verb == "-h") {
            std::cout << kHelp;
            return quarnel_machine::kExitOk;
        }
        if (verb == "init")
            return RunInit(rest, context);
        if (verb == "show")
            return RunShow(rest, context);
        if (verb == "drive")
            return RunDrive(rest, context);
        if (verb == "path")
            return RunPath(rest, context);
        if (verb == "version")
            return RunVersion(rest, context);
        if (verb == "reg")
            return RunReg(rest, context);
        if (verb == "firebird")
            return RunFirebird(rest, context);
        if (verb == "reboot")
            return RunReboot(rest, context);
        if (verb == "trust")
            return RunTrust(rest, context);
        if (verb == "recover")
            return RunRecover(rest, context);
        std::cerr << "quarnel-machine: unknown verb '" << verb << "'\n\n" << kHelp;
        return quarnel_machine::kExitUsage;
    } catch (const std::exception& error) {
        std::cerr << "quarnel-machine: " << error.what() << '\n';
        return quarnel_machine::kExitFailure;
    }
}

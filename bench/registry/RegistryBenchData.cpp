#include "RegistryBenchData.h"

#include "platform/registry/RegCommand.h"
#include "platform/registry/Registry.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace registrybench {

namespace fs = std::filesystem;

std::string SharedLibrariesText(std::size_t keys, std::size_t values) {
    std::ostringstream text;
    text << "Windows Registry Editor Version 5.00\r\n\r\n";
    for (std::size_t key = 0; key < keys; ++key) {
        text << "[HKEY_CURRENT_USER\\Software\\QUARNEL S.A.\\SharedDLLs";
        if (keys > 1)
            text << "\\Groupe" << key;
        text << "]\r\n";
        for (std::size_t value = 0; value < values; ++value)
            text << "\"C:\\\\Quarnel\\\\Commun\\\\Lib" << key << "_" << value << ".dll\"=dword:00000001\r\n";
        text << "\r\n";
    }
    return text.str();
}

std::string SettingsText(std::size_t bytes) {
    std::ostringstream text;
    text << "Windows Registry Editor Version 5.00\r\n\r\n";
    std::size_t written = 0;
    for (int key = 0; written * 2 < bytes; ++key) {
        std::ostringstream section;
        section << "[HKEY_CURRENT_USER\\Software\\QUARNEL S.A.\\Produit" << key / 50 << "\\Réglages" << key << "]\r\n";
        for (int value = 0; value < 10; ++value)
            section << "\"Valeur" << value << "\"=\"C:\\\\Apps\\\\Veltrane\\\\Programs\\\\Fichier" << key << "_"
                    << value << ".dat\"\r\n\"Compte" << value << "\"=dword:0000002a\r\n";
        section << "\r\n";
        written += section.str().size();
        text << section.str();
    }
    return text.str();
}

fs::path MakeRegistry(const std::string& text) {
    std::string pattern = (fs::temp_directory_path() / "quarnel-regbench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        std::abort();
    const fs::path folder = fs::path(pattern) / "registry";
    platform::Registry registry(folder);
    registry.CreateMissingHives();
    const fs::path import = fs::path(pattern) / "import.reg";
    {
        std::ofstream out(import, std::ios::binary);
        out << text;
    }
    std::ostringstream out;
    std::ostringstream err;
    const std::vector<std::string> args{"import", import.string()};
    if (platform::RunRegCommand(registry, args, out, err) != 0)
        std::abort();
    registry.FoldLogs();
    return folder;
}

} // namespace registrybench

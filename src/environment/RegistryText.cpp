#include "environment/RegistryText.h"

#include "environment/Errors.h"
#include "environment/MachineRegistry.h"

std::string ReadRegistryString(platform::RegistryRoot root, std::string_view keyPath, std::string_view valueName) {
    platform::RegistryKey key;
    const platform::ErrorCode code = MachineRegistry().OpenKey(root, keyPath, platform::kKeyRead, key);
    if (code == platform::kErrorFileNotFound)
        return {};
    if (code != platform::kErrorSuccess)
        throw Exception("Lecture d'une valeur de registre impossible : \r\nVeuillez contrôler vos droits d'accès.");
    return ReadKeyText(key, valueName);
}

void WriteRegistryString(platform::RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                         std::string_view text) {
    platform::RegistryKey key;
    if (MachineRegistry().CreateKey(root, keyPath, platform::kKeyAllAccess, key) != platform::kErrorSuccess)
        throw Exception("Écriture d'une valeur de registre impossible : \r\nVeuillez contrôler vos droits d'accès.");
    WriteKeyText(key, valueName, text);
}

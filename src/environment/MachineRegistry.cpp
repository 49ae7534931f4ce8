#include "environment/MachineRegistry.h"

#include "environment/Errors.h"
#include "platform/machine/Machine.h"

#include <memory>

namespace {

std::string Quoted(std::string_view format, std::string_view name) {
    std::string text(format);
    text.replace(text.find("%s"), 2, name);
    return text;
}

void RaiseWriteFailed(std::string_view name) {
    throw Exception(Quoted("Echec à la définition des données pour '%s'", name));
}

} // namespace

platform::Registry& MachineRegistry() {
    // One registry object per machine prefix; the user-interface thread is the only user.
    static std::unique_ptr<platform::Registry> registry;
    const std::filesystem::path folder = platform::Machine::Current().RegistryFolder();
    if (!registry || registry->Folder() != folder)
        registry = std::make_unique<platform::Registry>(folder);
    return *registry;
}

std::string ReadKeyText(const platform::RegistryKey& key, std::string_view name) {
    platform::RegistryValue value;
    if (key.QueryValue(name, value) != platform::kErrorSuccess)
        return {};
    if (value.type != platform::kRegSz && value.type != platform::kRegExpandSz)
        throw Exception(Quoted("Type de données incorrect pour '%s'", name));
    return platform::DataAsString(value.data);
}

void WriteKeyText(platform::RegistryKey& key, std::string_view name, std::string_view text) {
    if (key.SetValue(platform::MakeStringValue(std::string(name), text)) != platform::kErrorSuccess)
        RaiseWriteFailed(name);
}

void WriteKeyInteger(platform::RegistryKey& key, std::string_view name, std::int32_t value) {
    if (key.SetValue(platform::MakeDwordValue(std::string(name), static_cast<std::uint32_t>(value))) !=
        platform::kErrorSuccess)
        RaiseWriteFailed(name);
}

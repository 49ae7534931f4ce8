// The shared-library reference counts of the machine (SharedDLLs): one value per library, named by
// its full path, holding how many installations use it.

#include "environment/Errors.h"
#include "environment/InstallTools2.h"
#include "environment/MachineRegistry.h"

#include <charconv>

namespace {

constexpr std::string_view kSharedDllsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

platform::RegistryKey OpenSharedDlls() {
    platform::RegistryKey key;
    if (MachineRegistry().CreateKey(platform::RegistryRoot::LocalMachine, kSharedDllsKey,
                                    platform::kKeyQueryValue | platform::kKeySetValue, key) != 0)
        throw Exception("Registry access error : \r\n" + std::string(kSharedDllsKey));
    return key;
}

// A count as stored, and the type it is written back as.
struct StoredCount {
    bool exists = false;
    std::optional<std::int64_t> count; // nothing when it could not be read
    platform::RegistryType writeAs = platform::kRegDword;
};

std::optional<std::int64_t> ParseCount(std::string_view text) {
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

StoredCount ReadCount(const platform::RegistryKey& key, std::string_view name) {
    StoredCount stored;
    platform::RegistryValue value;
    if (key.QueryValue(name, value) != 0)
        return stored;
    stored.exists = true;
    switch (value.type) {
    case platform::kRegSz:
    case platform::kRegExpandSz:
        if (const auto text = QueryRegistryText(key, name)) {
            stored.count = ParseCount(*text);
            if (stored.count)
                stored.writeAs = platform::kRegSz;
        }
        break;
    case platform::kRegBinary:
        if (!value.data.empty() && value.data.size() <= 4) {
            std::uint32_t bits = 0;
            for (std::size_t i = 0; i < value.data.size(); ++i)
                bits |= static_cast<std::uint32_t>(value.data[i]) << (8 * i);
            stored.count = static_cast<std::int32_t>(bits);
            stored.writeAs = platform::kRegBinary; // written back in four bytes, whatever its length was
        }
        break;
    case platform::kRegDword:
        if (const auto bits = platform::DataAsDword(value.data))
            stored.count = static_cast<std::int32_t>(*bits);
        break;
    default:
        break;
    }
    return stored;
}

void WriteCount(platform::RegistryKey& key, std::string_view name, platform::RegistryType type, std::int64_t count) {
    const auto value32 = static_cast<std::int32_t>(count);
    platform::RegistryValue value;
    if (type == platform::kRegSz)
        value = platform::MakeStringValue(std::string(name), std::to_string(value32));
    else
        value = platform::MakeBinaryValue(std::string(name), platform::DwordData(static_cast<std::uint32_t>(value32)),
                                          type);
    if (key.SetValue(value) != 0)
        throw Exception("Registry access error : \r\n" + std::string(kSharedDllsKey));
}

} // namespace

std::optional<std::string> QueryRegistryText(const platform::RegistryKey& key, std::string_view name) {
    platform::RegistryValue value;
    if (key.QueryValue(name, value) != 0 || (value.type != platform::kRegSz && value.type != platform::kRegExpandSz))
        return std::nullopt;
    return platform::DataAsString(value.data);
}

void TWindowsInstaller::IncrementSharedCount(std::string_view Filename, bool /*AlreadyExisted*/) {
    platform::RegistryKey key = OpenSharedDlls();
    const StoredCount stored = ReadCount(key, Filename);
    const std::int64_t count = std::max<std::int64_t>(stored.count.value_or(0), 0);
    WriteCount(key, Filename, stored.writeAs, count + 1);
}

bool TWindowsInstaller::DecrementSharedCount(std::string_view Filename) {
    platform::RegistryKey key = OpenSharedDlls();
    const StoredCount stored = ReadCount(key, Filename);
    if (!stored.exists)
        return false;
    const std::int64_t count = stored.count.value_or(2) - 1;
    if (count <= 0) {
        key.DeleteValue(Filename);
        return true;
    }
    WriteCount(key, Filename, stored.writeAs, count);
    return false;
}

void TWindowsInstaller::RemoveSharedCount(std::string_view Filename) {
    platform::RegistryKey key = OpenSharedDlls();
    key.DeleteValue(Filename); // a missing value is nothing to remove
}

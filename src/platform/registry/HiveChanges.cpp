#include "platform/registry/HiveChanges.h"

#include "platform/registry/RegFile.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace platform {

namespace {

void AppendWholeKey(std::string& out, RegistryRoot root, const HiveKey& key) {
    AppendRegKeyLine(out, root, key.path, false);
    AppendRegDenyMarker(out, key, false);
    for (const auto& value : key.values)
        AppendRegValue(out, value);
    out += "\r\n";
}

// The lines that turn the values of `before` into those of `after`, or false when reading them
// over `before` would not give the same order: deleted values go, kept ones keep their place and
// new ones are appended.
bool AppendValueChanges(std::string& out, const HiveKey& before, const HiveKey& after) {
    std::vector<bool> kept(before.values.size(), false);
    std::size_t nextKept = 0; // the place in `before` the next kept value must come after
    bool appending = false;   // past the first new value: no kept value may follow
    std::string lines;
    for (const auto& value : after.values) {
        const RegistryValue* old = before.FindValue(value.name);
        if (old == nullptr) {
            appending = true;
            AppendRegValue(lines, value);
            continue;
        }
        const auto place = static_cast<std::size_t>(old - before.values.data());
        if (appending || place < nextKept || old->name != value.name)
            return false;
        nextKept = place + 1;
        kept[place] = true;
        if (!(old->type == value.type && old->data == value.data))
            AppendRegValue(lines, value);
    }
    for (std::size_t i = 0; i < before.values.size(); ++i) {
        if (kept[i])
            continue;
        AppendRegValueRemoval(out, before.values[i].name);
    }
    out += lines;
    return true;
}

} // namespace

std::optional<std::string> DescribeChanges(RegistryRoot root, const Hive& before, const Hive& after) {
    const std::vector<Hive::OrderedKey> old = before.Ordered();
    const std::vector<Hive::OrderedKey> now = after.Ordered();
    std::string out(kRegFileHeader5);
    out += "\r\n\r\n";
    std::string_view deletedPrefix; // the sort key (with separator) of the last deleted key
    std::string deletedStorage;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < old.size() || j < now.size()) {
        const int order = i == old.size() ? 1 : j == now.size() ? -1 : old[i].sortKey.compare(now[j].sortKey);
        if (order < 0) {
            // Gone; a key below one already deleted goes with it.
            if (deletedPrefix.empty() || !old[i].sortKey.starts_with(deletedPrefix)) {
                AppendRegKeyLine(out, root, old[i].key->path, true);
                out += "\r\n";
                deletedStorage = std::string(old[i].sortKey) + '\x01';
                deletedPrefix = deletedStorage;
            }
            ++i;
            continue;
        }
        if (order > 0) {
            AppendWholeKey(out, root, *now[j].key);
            ++j;
            continue;
        }
        const HiveKey& was = *old[i].key;
        const HiveKey& is = *now[j].key;
        ++i;
        ++j;
        if (&was == &is || (was == is && was.path == is.path))
            continue; // the same key shared by both copies, or an equal one
        if (was.path != is.path)
            return std::nullopt;
        AppendRegKeyLine(out, root, is.path, false);
        AppendRegDenyMarker(out, is, true);
        if (!AppendValueChanges(out, was, is))
            return std::nullopt;
        out += "\r\n";
    }
    return out;
}

} // namespace platform

#pragma once

// One registry hive in memory: its keys by path, each with its values and its access marks. Copying a
// hive costs its number of keys, not its values: the copies share the keys until one changes them.
// Paths are relative to the hive's root ("" is the root key itself), components separated by
// single backslashes; names compare without regard to case and keep the case they were created with.

#include "platform/registry/RegistryValue.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

// Limits of the Windows registry, kept so that hostile files cannot grow without bound.
inline constexpr std::size_t kMaxKeyNameLength = 255;     // characters of one key name
inline constexpr std::size_t kMaxKeyDepth = 512;          // levels below the root
inline constexpr std::size_t kMaxValueNameLength = 16383; // characters of a value name

// Where each value of a key stands in its list, by upper-cased name, so that finding or setting a
// value does not walk the list. A list changed behind its back (its size differs, or a position no
// longer holds the name) is searched from end to end by the const search and reindexed by the
// next change; two keys compare by their values alone.
class ValueIndex {
public:
    std::optional<std::size_t> Position(const std::vector<RegistryValue>& values, std::string_view name) const;
    // Brings the index in step with `values` (after a change made without it).
    void Sync(const std::vector<RegistryValue>& values);
    void Added(const std::vector<RegistryValue>& values); // the last value was just appended
    void Rebuild(const std::vector<RegistryValue>& values);

    bool operator==(const ValueIndex&) const { return true; }

private:
    std::unordered_map<std::string, std::size_t> FPositions;
};

struct HiveKey {
    std::string path;                  // as created; "" for the root
    std::vector<RegistryValue> values; // in the order they were created, as regedit lists them
    bool denyRead = false;             // the key exists but cannot be opened for reading
    bool denyWrite = false;            // the key exists but cannot be opened for writing
    ValueIndex index;                  // of `values`

    std::string Name() const; // the last component
    const RegistryValue* FindValue(std::string_view name) const;
    void SetValue(RegistryValue value); // replaces a value of the same name (keeping its place)
    bool DeleteValue(std::string_view name);

    bool operator==(const HiveKey&) const = default;
};

// Checks and tidies a key path given by a caller: accepts one trailing backslash, refuses a
// leading one, empty components, names longer than 255 characters, control characters and
// paths deeper than 512 levels. Returns the path without its trailing backslash.
std::optional<std::string> NormalizeKeyPath(std::string_view path);

// True when `name` is acceptable as a value name (valid UTF-8, 16383 characters at most, no
// control characters, so that every name can be written on one line of a `.reg` file).
bool IsValidValueName(std::string_view name);

class Hive {
public:
    Hive(); // holds the root key only

    const HiveKey* Find(std::string_view path) const;
    HiveKey* Find(std::string_view path);
    // The key, created with its missing parents when needed. `path` must be normalized.
    HiveKey& Create(std::string_view path, bool* created = nullptr);
    // Deletes the key and everything below it. The root key cannot go: its values and
    // sub-keys are removed instead. False when the key does not exist.
    bool Delete(std::string_view path);

    // The direct sub-keys of a key, in name order.
    std::vector<const HiveKey*> SubKeys(std::string_view path) const;
    // The key and every key below it, parents before children, siblings in name order.
    std::vector<const HiveKey*> Subtree(std::string_view path) const;

    std::size_t KeyCount() const { return FKeys.size(); }

    // Every key with its sort key, in order. Copies of a hive share the keys neither has changed
    // since: the same pointer in two copies is the same key.
    struct OrderedKey {
        std::string_view sortKey;
        const HiveKey* key;
    };
    std::vector<OrderedKey> Ordered() const;

    bool operator==(const Hive& other) const;

    // The order of keys: upper case, a key's children right after it.
    static std::string SortKey(std::string_view path);

private:
    // The spelling of the key at `path`, created with its missing parents when needed.
    std::string CreatePath(std::string_view path);

    // By SortKey. A copy of the hive shares the keys; the non-const Find and Create give a copy
    // a key of its own before it changes it.
    std::map<std::string, std::shared_ptr<HiveKey>> FKeys;
};

} // namespace platform

#include "platform/registry/Hive.h"

#include "platform/text/Text.h"

#include <algorithm>
#include <utility>

namespace platform {

namespace {

// Replaces the separator in sort keys so that a key's children sort right after it, before
// any sibling whose name merely starts with the same letters (control characters never occur
// in names).
constexpr char kSortSeparator = '\x01';

std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    return count;
}

} // namespace

std::string HiveKey::Name() const {
    const auto slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::optional<std::size_t> ValueIndex::Position(const std::vector<RegistryValue>& values, std::string_view name) const {
    if (FPositions.size() == values.size()) {
        const auto it = FPositions.find(text::ToUpper(name));
        if (it == FPositions.end())
            return std::nullopt;
        if (it->second < values.size() && text::EqualsIgnoreCase(values[it->second].name, name))
            return it->second;
    }
    for (std::size_t i = 0; i < values.size(); ++i) // out of step with the list
        if (text::EqualsIgnoreCase(values[i].name, name))
            return i;
    return std::nullopt;
}

void ValueIndex::Sync(const std::vector<RegistryValue>& values) {
    if (FPositions.size() != values.size())
        Rebuild(values);
}

void ValueIndex::Added(const std::vector<RegistryValue>& values) {
    if (FPositions.size() + 1 != values.size()) {
        Rebuild(values);
        return;
    }
    FPositions.emplace(text::ToUpper(values.back().name), values.size() - 1);
}

void ValueIndex::Rebuild(const std::vector<RegistryValue>& values) {
    FPositions.clear();
    FPositions.reserve(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        FPositions.emplace(text::ToUpper(values[i].name), i);
}

const RegistryValue* HiveKey::FindValue(std::string_view name) const {
    const auto position = index.Position(values, name);
    return position ? &values[*position] : nullptr;
}

void HiveKey::SetValue(RegistryValue value) {
    index.Sync(values);
    if (const auto position = index.Position(values, value.name)) {
        RegistryValue& existing = values[*position];
        // Windows keeps the name's first spelling when a value is overwritten.
        value.name = std::move(existing.name);
        existing = std::move(value);
        return;
    }
    values.push_back(std::move(value));
    index.Added(values);
}

bool HiveKey::DeleteValue(std::string_view name) {
    index.Sync(values);
    const auto position = index.Position(values, name);
    if (!position)
        return false;
    values.erase(values.begin() + static_cast<std::ptrdiff_t>(*position));
    index.Rebuild(values); // the values after it moved up
    return true;
}

std::optional<std::string> NormalizeKeyPath(std::string_view path) {
    if (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    if (path.empty())
        return std::string();
    if (!text::IsValidUtf8(path))
        return std::nullopt;
    std::size_t depth = 0;
    std::size_t start = 0;
    while (start <= path.size()) {
        const auto end = std::min(path.find('\\', start), path.size());
        const auto component = path.substr(start, end - start);
        if (component.empty() || CharacterCount(component) > kMaxKeyNameLength)
            return std::nullopt;
        if (std::any_of(component.begin(), component.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
            return std::nullopt;
        if (++depth > kMaxKeyDepth)
            return std::nullopt;
        start = end + 1;
    }
    return std::string(path);
}

bool IsValidValueName(std::string_view name) {
    return text::IsValidUtf8(name) && CharacterCount(name) <= kMaxValueNameLength &&
           std::none_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

Hive::Hive() {
    FKeys.emplace(std::string(), std::make_shared<HiveKey>());
}

std::string Hive::SortKey(std::string_view path) {
    std::string key = text::ToUpper(path);
    std::replace(key.begin(), key.end(), '\\', kSortSeparator);
    return key;
}

const HiveKey* Hive::Find(std::string_view path) const {
    const auto it = FKeys.find(SortKey(path));
    return it == FKeys.end() ? nullptr : it->second.get();
}

HiveKey* Hive::Find(std::string_view path) {
    const auto it = FKeys.find(SortKey(path));
    if (it == FKeys.end())
        return nullptr;
    // Shared with another copy of the hive: this copy gets a key of its own before it changes it.
    if (it->second.use_count() > 1)
        it->second = std::make_shared<HiveKey>(*it->second);
    return it->second.get();
}

bool Hive::operator==(const Hive& other) const {
    return std::equal(FKeys.begin(), FKeys.end(), other.FKeys.begin(), other.FKeys.end(),
                      [](const auto& a, const auto& b) {
                          return a.first == b.first && (a.second == b.second || *a.second == *b.second);
                      });
}

std::vector<Hive::OrderedKey> Hive::Ordered() const {
    std::vector<OrderedKey> keys;
    keys.reserve(FKeys.size());
    for (const auto& [sortKey, key] : FKeys)
        keys.push_back({sortKey, key.get()});
    return keys;
}

HiveKey& Hive::Create(std::string_view path, bool* created) {
    if (created)
        *created = false;
    if (HiveKey* existing = Find(path))
        return *existing;
    // Parents first, each keeping the spelling of an existing parent.
    std::string parentPath;
    const auto slash = path.rfind('\\');
    if (slash != std::string_view::npos)
        parentPath = CreatePath(path.substr(0, slash));
    const auto name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    HiveKey key;
    key.path = parentPath.empty() ? std::string(name) : parentPath + "\\" + std::string(name);
    if (created)
        *created = true;
    return *FKeys.emplace(SortKey(path), std::make_shared<HiveKey>(std::move(key))).first->second;
}

std::string Hive::CreatePath(std::string_view path) {
    if (const HiveKey* existing = std::as_const(*this).Find(path))
        return existing->path; // read only: the key stays shared
    return Create(path).path;
}

bool Hive::Delete(std::string_view path) {
    const std::string sortKey = SortKey(path);
    const auto it = FKeys.find(sortKey);
    if (it == FKeys.end())
        return false;
    if (path.empty()) {
        FKeys.clear();
        FKeys.emplace(std::string(), std::make_shared<HiveKey>());
        return true;
    }
    const std::string childPrefix = sortKey + kSortSeparator;
    auto last = std::next(it);
    while (last != FKeys.end() && last->first.starts_with(childPrefix))
        ++last;
    FKeys.erase(it, last);
    return true;
}

std::vector<const HiveKey*> Hive::SubKeys(std::string_view path) const {
    std::vector<const HiveKey*> result;
    const std::string sortKey = SortKey(path);
    const std::string childPrefix = path.empty() ? std::string() : sortKey + kSortSeparator;
    for (auto it = FKeys.lower_bound(childPrefix); it != FKeys.end() && it->first.starts_with(childPrefix); ++it) {
        if (it->first.size() > childPrefix.size() &&
            it->first.find(kSortSeparator, childPrefix.size()) == std::string::npos)
            result.push_back(it->second.get());
    }
    return result;
}

std::vector<const HiveKey*> Hive::Subtree(std::string_view path) const {
    std::vector<const HiveKey*> result;
    const std::string sortKey = SortKey(path);
    const auto it = FKeys.find(sortKey);
    if (it == FKeys.end())
        return result;
    result.push_back(it->second.get());
    const std::string childPrefix = path.empty() ? std::string() : sortKey + kSortSeparator;
    for (auto child = std::next(it); child != FKeys.end() && child->first.starts_with(childPrefix); ++child)
        result.push_back(child->second.get());
    return result;
}

} // namespace platform

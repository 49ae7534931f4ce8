#include "update/trust/TrustedKeys.h"

#include "update/package/HostFile.h"
#include "update/package/PackageError.h"
#include "update/trust/TrustStoreSafety.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace update::trust {

using namespace update::package;

namespace {

constexpr std::string_view kExtension = ".pem";
constexpr std::size_t kMinIdDigits = 8;

std::string QuotedFile(const std::filesystem::path& file) {
    return Quoted(PathText(file));
}

} // namespace

TrustedKeys::TrustedKeys(const std::filesystem::path& prefix)
    : FFolder(prefix / "trusted-keys") {}

std::vector<TrustedKey> TrustedKeys::List() const {
    std::vector<TrustedKey> keys;
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(FFolder, error))) {
        return keys;
    }
    RequireSafeEntry(FFolder, true);
    std::filesystem::directory_iterator walk(FFolder, error);
    for (; !error && walk != std::filesystem::directory_iterator(); walk.increment(error)) {
        const std::filesystem::path& file = walk->path();
        RequireSafeEntry(file, false);
        std::string extension = PathText(file.extension());
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (extension != kExtension) {
            continue; // a temporary file of an interrupted Add, or a note left by hand
        }
        if (file.extension() != kExtension) {
            throw PackageError("La clé de confiance " + QuotedFile(file) +
                               " doit se nommer par son identifiant suivi de " + std::string(kExtension) +
                               " : la réserve des clés de confiance n'est pas lue.");
        }
        PublicKey key = PublicKey::FromPemFile(file);
        const KeyId id = key.Id();
        if (file.stem() != DigestHex(id)) {
            throw PackageError("La clé de confiance " + QuotedFile(file) +
                               " ne porte pas la clé que son nom annonce (" + DigestHex(id) + ").");
        }
        keys.push_back({id, std::move(key)});
    }
    if (error) {
        throw CannotRead(FFolder, error.value());
    }
    std::sort(keys.begin(), keys.end(), [](const TrustedKey& a, const TrustedKey& b) { return a.id < b.id; });
    return keys;
}

KeyId TrustedKeys::Add(const PublicKey& key) const {
    MakeStoreFolder(FFolder);
    RequireSafeEntry(FFolder, true);
    const KeyId id = key.Id();
    const std::filesystem::path file = FFolder / (DigestHex(id) + std::string(kExtension));
    if (IsLinkEntry(file)) {
        throw UnsafeEntry(file, "c'est un lien");
    }
    AtomicOutputFile out(file, 0644);
    const std::string pem = key.Pem();
    out.Write(std::span(reinterpret_cast<const unsigned char*>(pem.data()), pem.size()));
    out.Commit();
    return id;
}

KeyId TrustedKeys::Remove(std::string_view id) const {
    std::string wanted(id);
    std::transform(wanted.begin(), wanted.end(), wanted.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const bool hex = std::all_of(wanted.begin(), wanted.end(), [](unsigned char c) { return std::isxdigit(c); });
    if (!hex || wanted.size() < kMinIdDigits || wanted.size() > 64) {
        throw PackageError("L'identifiant de clé " + Quoted(id) + " doit compter de " + std::to_string(kMinIdDigits) +
                           " à 64 chiffres hexadécimaux.");
    }
    std::vector<KeyId> matches;
    for (const auto& trusted : List()) {
        if (DigestHex(trusted.id).starts_with(wanted)) {
            matches.push_back(trusted.id);
        }
    }
    if (matches.empty()) {
        throw PackageError("Aucune clé de confiance n'a l'identifiant " + Quoted(id) + ".");
    }
    if (matches.size() > 1) {
        throw PackageError("Plusieurs clés de confiance commencent par " + Quoted(id) + " : donnez plus de chiffres.");
    }
    const std::filesystem::path file = FFolder / (DigestHex(matches.front()) + std::string(kExtension));
    std::error_code error;
    if (!std::filesystem::remove(file, error) || error) {
        throw CannotWrite(file, error ? error.value() : ENOENT);
    }
    return matches.front();
}

} // namespace update::trust

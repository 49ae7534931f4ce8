#include "update/trust/TrustedKeys.h"

#include "update/package/HostFile.h"
#include "update/package/PackageError.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fstream>
#include <iterator>

namespace update::trust {

using namespace update::package;

namespace {

constexpr std::string_view kExtension = ".pem";
constexpr std::size_t kMinIdDigits = 8;

std::string QuotedFile(const std::filesystem::path& file) {
    return Quoted(std::string_view(file.native()));
}

} // namespace

TrustedKeys::TrustedKeys(const std::filesystem::path& prefix)
    : FFolder(prefix / "trusted-keys") {}

std::vector<TrustedKey> TrustedKeys::List() const {
    std::vector<TrustedKey> keys;
    std::error_code error;
    if (!std::filesystem::exists(FFolder, error)) {
        return keys;
    }
    std::filesystem::directory_iterator walk(FFolder, error);
    for (; !error && walk != std::filesystem::directory_iterator(); walk.increment(error)) {
        const std::filesystem::path& file = walk->path();
        if (file.extension() != kExtension) {
            continue; // a temporary file of an interrupted Add, or a note left by hand
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
    std::error_code error;
    std::filesystem::create_directories(FFolder, error);
    if (error) {
        throw CannotWrite(FFolder, error.value());
    }
    const KeyId id = key.Id();
    AtomicOutputFile out(FFolder / (DigestHex(id) + std::string(kExtension)));
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

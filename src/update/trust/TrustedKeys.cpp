#include "update/trust/TrustedKeys.h"

#include "update/package/HostFile.h"
#include "update/package/PackageError.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace update::trust {

using namespace update::package;

namespace {

constexpr std::string_view kExtension = ".pem";
constexpr std::size_t kMinIdDigits = 8;

std::string QuotedFile(const std::filesystem::path& file) {
    return Quoted(std::string_view(file.native()));
}

std::string Octal(unsigned mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", mode & 07777);
    return text;
}

// Why another user could have put or changed what `info` describes; nothing when only the
// updater could.
std::optional<std::string> Unsafe(const struct stat& info) {
    if (info.st_uid != ::geteuid()) {
        return "il appartient à un autre utilisateur (uid " + std::to_string(info.st_uid) + ")";
    }
    if ((info.st_mode & 022) != 0) {
        return "d'autres utilisateurs peuvent y écrire (mode " + Octal(info.st_mode) + ")";
    }
    return std::nullopt;
}

PackageError UnsafeEntry(const std::filesystem::path& entry, std::string_view reason) {
    return PackageError("La réserve des clés de confiance n'est pas sûre : " + QuotedFile(entry) + " est refusé, " +
                        std::string(reason) + ". Aucune de ses clés n'est utilisée.");
}

// Refuses an entry that is a link, another user's, or writable by others.
void RequireSafe(const std::filesystem::path& entry, bool folder) {
    struct stat info {};
    if (::lstat(entry.c_str(), &info) != 0) {
        throw CannotRead(entry, errno);
    }
    if (S_ISLNK(info.st_mode)) {
        throw UnsafeEntry(entry, "c'est un lien");
    }
    if (folder ? !S_ISDIR(info.st_mode) : !S_ISREG(info.st_mode)) {
        throw UnsafeEntry(entry, folder ? "ce n'est pas un dossier" : "ce n'est pas un fichier ordinaire");
    }
    if (const auto reason = Unsafe(info)) {
        throw UnsafeEntry(entry, *reason);
    }
}

bool IsLink(const std::filesystem::path& entry) {
    struct stat info {};
    return ::lstat(entry.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
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
    RequireSafe(FFolder, true);
    std::filesystem::directory_iterator walk(FFolder, error);
    for (; !error && walk != std::filesystem::directory_iterator(); walk.increment(error)) {
        const std::filesystem::path& file = walk->path();
        RequireSafe(file, false);
        std::string extension = file.extension().string();
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
    // Made for the updater alone, whatever the umask; one made otherwise is refused, not mended.
    if (::mkdir(FFolder.c_str(), 0700) == 0) {
        if (::chmod(FFolder.c_str(), 0700) != 0) {
            throw CannotWrite(FFolder, errno);
        }
    } else if (errno == ENOENT) {
        std::error_code error;
        std::filesystem::create_directories(FFolder.parent_path(), error);
        if (error || ::mkdir(FFolder.c_str(), 0700) != 0 || ::chmod(FFolder.c_str(), 0700) != 0) {
            throw CannotWrite(FFolder, error ? error.value() : errno);
        }
    } else if (errno != EEXIST) {
        throw CannotWrite(FFolder, errno);
    }
    RequireSafe(FFolder, true);
    const KeyId id = key.Id();
    const std::filesystem::path file = FFolder / (DigestHex(id) + std::string(kExtension));
    if (IsLink(file)) {
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

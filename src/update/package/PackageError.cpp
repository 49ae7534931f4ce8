#include "update/package/PackageError.h"

#include <cerrno>

namespace update::package {

namespace {

std::string QuotedPath(const std::filesystem::path& file) {
    return Quoted(PathText(file));
}

} // namespace

std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string Quoted(std::string_view text) {
    std::string printable(text);
    for (char& c : printable) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?'; // a name out of a damaged package must not break the message's line
        }
    }
    return "« " + printable + " »";
}

std::string SystemErrorText(int systemError) {
    switch (systemError) {
    case ENOENT:
        return "fichier ou dossier introuvable";
    case EACCES:
    case EPERM:
        return "accès refusé";
    case ENOSPC:
        return "espace disque insuffisant";
    case EROFS:
        return "support en lecture seule";
    case EISDIR:
        return "c'est un dossier";
    case ENOTDIR:
        return "un élément du chemin n'est pas un dossier";
    case ENAMETOOLONG:
        return "nom trop long";
    case EIO:
        return "erreur d'entrée-sortie";
    case EEXIST:
        return "le fichier existe déjà";
    default:
        return "erreur système " + std::to_string(systemError);
    }
}

PackageError Damaged(std::string_view detail) {
    return PackageError("Le paquet de mise à jour est endommagé : " + std::string(detail) + ".");
}

PackageError CannotOpen(const std::filesystem::path& file, int systemError) {
    return PackageError("Impossible d'ouvrir le fichier " + QuotedPath(file) + " : " + SystemErrorText(systemError) +
                        ".");
}

PackageError CannotRead(const std::filesystem::path& file, int systemError) {
    return PackageError("Impossible de lire le fichier " + QuotedPath(file) + " : " + SystemErrorText(systemError) +
                        ".");
}

PackageError CannotWrite(const std::filesystem::path& file, int systemError) {
    return PackageError("Impossible d'écrire le fichier " + QuotedPath(file) + " : " + SystemErrorText(systemError) +
                        ".");
}

PackageError RefusedName(std::string_view name, std::string_view reason) {
    return PackageError("Le nom " + Quoted(name) + " ne peut pas figurer dans un paquet : " + std::string(reason) +
                        ".");
}

PackageError DuplicateName(std::string_view name) {
    return PackageError("Le nom " + Quoted(name) + " figure deux fois dans le paquet (la casse ne compte pas).");
}

PackageError FileChanged(const std::filesystem::path& file) {
    return PackageError("Le fichier " + QuotedPath(file) + " a changé pendant la création du paquet.");
}

PackageError TooLargeToRead(std::string_view name, std::uint64_t size) {
    return PackageError("Le fichier " + Quoted(name) + " du paquet est trop grand pour être lu en mémoire (" +
                        std::to_string(size) + " octets).");
}

} // namespace update::package

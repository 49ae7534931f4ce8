#pragma once

// The texts of the product procedures and of product location, each built in one place.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace update::messages {

// "Cannot find " + the packed file's name.
std::string CannotFind(std::string_view fileName);
// "Une erreur s'est produite lors de la mise à jour du %s".
std::string UpdateFailed(std::string_view file);
// UpdateFailed(file) + CR LF + the system's text for `code` (trimmed) + " (" + code + ")".
std::string FileInUse(std::string_view file, std::uint32_t code);
// path + CR LF + "Version du fichier inconnue ou incompatible.".
std::string UnknownVersion(std::string_view path);
// "Programme %s pas trouvé." and "Répertoire %s pas trouvé.".
std::string ProgramNotFound(std::string_view program);
std::string FolderNotFound(std::string_view folder);
// The not-found text followed by " Veuillez indiquer son emplacement.".
std::string ProgramNotFoundAsk(std::string_view program);
std::string FolderNotFoundAsk(std::string_view folder);
// "%d répertoires %s ont été trouvés, veuillez choisir l'emplacement correct.".
std::string SeveralFoldersFound(int count, std::string_view folder);
// "Séléctionner le répertoire \"%s\"".
std::string SelectFolderTitle(std::string_view folder);
// "L'installation de %s n'a certainement pas été effectuée !!!".
std::string NotInstalled(std::string_view file);
// "Copie de fichiers de données...".
std::string CopyingDataFiles();
// "Version installée : %s ; version après la mise à jour : %s": the version of a product's main file
// before and after its update (NoFileVersion() when the file is not there).
std::string VersionsBeforeAfter(std::string_view before, std::string_view after);
std::string NoFileVersion();
// "Copie de <name> : fichier N sur M": one file that a product writes, among the files it writes
// (without " sur M" when `count` is 0, not known).
std::string ProductFileStep(std::string_view target, std::size_t number, std::size_t count);

// Print lists.
std::string PrintListUpdated(std::string_view keyOrName);
std::string PrintListAdded(std::string_view description);
std::string CompanyListsHeading(std::string_view company);
std::string CompanyConnectionFailed(std::string_view company);
// The line after a company's lists when its transaction was undone: none of its lists changed.
std::string CompanyListsUndone(std::string_view company);
std::string CannotImportResourceFiles();
// Why a listed file is not installed: "le paquet ne le contient pas".
std::string NotInPackage();

} // namespace update::messages

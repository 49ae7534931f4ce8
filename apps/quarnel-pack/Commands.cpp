#include "Commands.h"

#include "SignCommands.h"
#include "platform/text/Text.h"
#include "update/package/PackageError.h"
#include "update/package/PackageFile.h"
#include "update/package/PackageReader.h"
#include "update/package/PackageWriter.h"
#include "update/trust/PackageSigning.h"

#include <mutex>

namespace quarnelpack {

using update::package::PackageError;
using update::package::Quoted;

namespace {

// The packed name of a file below the source folder: its relative path with "\" between elements.
std::string PackedNameOf(const std::filesystem::path& relative) {
    std::string name;
    for (const auto& element : relative) {
        const std::string text = update::package::PathText(element);
        if (!platform::text::IsValidUtf8(text)) {
            throw update::package::RefusedName(update::package::PathText(relative),
                                               "le nom n'est pas un texte UTF-8 valide");
        }
        if (text.find('\\') != std::string::npos) {
            throw update::package::RefusedName(update::package::PathText(relative),
                                               "le nom d'un fichier ou d'un dossier contient « \\ »");
        }
        name += (name.empty() ? "" : "\\") + text;
    }
    return name;
}

// A link of the source folder that leads out of it would pack (or hide) a file of elsewhere on the
// host: refused, naming the link. Links that stay inside are read as what they lead to.
void RefuseLinkOutOf(const std::filesystem::path& source, const std::filesystem::directory_entry& entry) {
    std::error_code error;
    if (!entry.is_symlink(error)) {
        return;
    }
    const auto root = std::filesystem::canonical(source, error);
    const auto target = std::filesystem::weakly_canonical(entry.path(), error);
    const auto relative = target.lexically_relative(root);
    if (error || relative.empty() || *relative.begin() == "..") {
        throw PackageError("Le lien " + Quoted(update::package::PathText(entry.path())) +
                           " mène hors du dossier source " + Quoted(update::package::PathText(source)) + ".");
    }
}

// A folder of the extraction that exists as a link (or as anything but a folder) would take the
// files elsewhere: refused, naming it.
void RefuseLinkedFolder(const std::filesystem::path& path, const std::filesystem::path& destination) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
    if (error || !std::filesystem::exists(status) || std::filesystem::is_directory(status)) {
        return;
    }
    throw PackageError(std::string(std::filesystem::is_symlink(status) ? "Le dossier " : "Le chemin ") +
                       Quoted(update::package::PathText(path)) +
                       (std::filesystem::is_symlink(status) ? " est un lien" : " n'est pas un dossier") +
                       " : rien n'est extrait dans " + Quoted(update::package::PathText(destination)) + ".");
}

} // namespace

void PackFolder(const std::filesystem::path& source, const std::filesystem::path& output,
                const std::optional<std::filesystem::path>& wizard, unsigned threads,
                const std::vector<update::trust::PrivateKey>& signingKeys,
                const std::function<void(const update::package::PackageWriter::WriteProgress&)>& progress) {
    std::error_code error;
    if (!std::filesystem::is_directory(source, error)) {
        throw PackageError("Le dossier source " + Quoted(update::package::PathText(source)) + " est introuvable.");
    }
    update::package::PackageWriter writer;
    writer.SetThreadCount(threads);
    std::filesystem::recursive_directory_iterator walk(source, error);
    for (; !error && walk != std::filesystem::recursive_directory_iterator(); walk.increment(error)) {
        const auto& entry = *walk;
        RefuseLinkOutOf(source, entry);
        const auto status = entry.status(error);
        if (error) {
            break;
        }
        if (std::filesystem::is_directory(status)) {
            continue;
        }
        if (std::filesystem::equivalent(entry.path(), output, error) && !error) {
            continue; // an earlier output kept inside the source folder is not part of the update
        }
        error.clear();
        if (!std::filesystem::is_regular_file(status)) {
            throw PackageError("Le fichier " + Quoted(update::package::PathText(entry.path())) +
                               " n'est pas un fichier ordinaire.");
        }
        writer.Add(PackedNameOf(entry.path().lexically_relative(source)), entry.path(),
                   update::package::LastWriteTimeOf(entry.path()));
    }
    if (error) {
        throw update::package::CannotRead(
            walk != std::filesystem::recursive_directory_iterator() ? walk->path() : source, error.value());
    }
    if (writer.Count() == 0) {
        throw PackageError("Le dossier " + Quoted(update::package::PathText(source)) + " ne contient aucun fichier.");
    }
    if (!signingKeys.empty()) {
        writer.SetSignatureBlockMaker(
            [&signingKeys, time = SigningTimeNow()](const update::package::Footer& footer,
                                                    const update::package::ProgramPart& program) {
                std::vector<const update::trust::PrivateKey*> keys;
                for (const auto& key : signingKeys) {
                    keys.push_back(&key);
                }
                return update::package::EncodeSignatureBlock(update::trust::SignFooter(footer, program, keys, time));
            });
    }
    writer.SetProgress(progress);
    writer.Write(output, wizard);
}

void ListPackage(const std::filesystem::path& package, std::ostream& out) {
    const update::package::PackageReader reader = update::package::OpenPackageFile(package);
    for (const auto& entry : reader.Entries()) {
        out << entry.name << '\t' << entry.header.size << '\t'
            << update::package::FormatFileTime(entry.header.lastWrite) << '\t'
            << update::package::DigestHex(entry.digest) << '\n';
    }
    ListSignatures(reader, out);
}

void ExtractPackage(const std::filesystem::path& package, const std::filesystem::path& folder) {
    // Footer and directory now; every stream is checked as it is extracted, before any file is
    // put in place: one pass over each stream.
    update::package::PackageReader reader = update::package::OpenPackageFile(package, update::package::CheckLater{});
    RefuseLinkedFolder(folder, folder);
    std::mutex mutex;
    std::vector<std::filesystem::path> created; // folders made here, removed again on failure
    auto destinationOf = [&](const update::package::PackedEntry& entry) {
        std::filesystem::path destination = folder;
        std::size_t start = 0;
        const std::lock_guard lock(mutex);
        for (std::size_t end = entry.name.find('\\'); end != std::string::npos; end = entry.name.find('\\', start)) {
            destination /= update::package::PathFromText(std::string_view(entry.name).substr(start, end - start));
            RefuseLinkedFolder(destination, folder); // never written through, to outside the destination
            start = end + 1;
        }
        std::vector<std::filesystem::path> missing;
        std::error_code error;
        for (auto parent = destination; !parent.empty() && !std::filesystem::exists(parent, error);
             parent = parent.parent_path()) {
            missing.push_back(parent);
            if (parent == parent.parent_path()) {
                break;
            }
        }
        std::filesystem::create_directories(destination, error);
        if (error) {
            throw update::package::CannotWrite(destination, error.value());
        }
        created.insert(created.end(), missing.rbegin(), missing.rend());
        return destination / update::package::PathFromText(std::string_view(entry.name).substr(start));
    };
    try {
        reader.ExtractAll(destinationOf);
    } catch (...) {
        std::error_code ignored; // the refusal is what to report; a folder left behind is harmless
        for (auto it = created.rbegin(); it != created.rend(); ++it) {
            std::filesystem::remove(*it, ignored); // only when empty
        }
        throw;
    }
}

} // namespace quarnelpack

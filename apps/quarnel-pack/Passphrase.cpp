#include "Passphrase.h"

#include "TerminalQuestion.h"
#include "update/package/HostFile.h"
#include "update/package/PackageError.h"

namespace quarnelpack {

using update::package::PackageError;
using update::package::Quoted;

namespace {

constexpr std::size_t kMaxPassphrase = 1024;

std::string FirstLine(std::string text) {
    const auto end = text.find_first_of("\r\n");
    if (end != std::string::npos) {
        text.resize(end);
    }
    return text;
}

std::string ReadPassphraseFile(const std::filesystem::path& file) {
    const update::package::FileDescriptor fd = update::package::OpenForReading(file);
    std::string text(kMaxPassphrase + 1, '\0');
    const std::size_t count = update::package::ReadSome(
        fd.Get(), std::span(reinterpret_cast<unsigned char*>(text.data()), text.size()), file);
    text.resize(count);
    return FirstLine(std::move(text));
}

std::string AskOnTerminal(const std::filesystem::path& keyFile) {
    std::optional<std::string> answer = AskWithoutEcho(
        "Phrase secrète de la clé " + Quoted(update::package::PathText(keyFile)) + " : ", kMaxPassphrase);
    if (!answer) {
        throw PackageError("La clé " + Quoted(update::package::PathText(keyFile)) +
                           " est protégée par une phrase secrète et aucun terminal ne permet de la demander : "
                           "donnez-la avec --passphrase-file FICHIER.");
    }
    return FirstLine(std::move(*answer));
}

} // namespace

update::trust::PassphraseSource PassphraseFor(const std::filesystem::path& keyFile,
                                              const std::optional<std::filesystem::path>& passphraseFile) {
    if (passphraseFile) {
        return [file = *passphraseFile] {
            return ReadPassphraseFile(file);
        };
    }
    return [keyFile] {
        return AskOnTerminal(keyFile);
    };
}

} // namespace quarnelpack

#pragma once

// The texts of the update engine, each built in one place: report lines, questions and the
// messages of the errors it raises.

#include "environment/Errors.h"
#include "platform/machine/LastError.h"

#include <string>
#include <string_view>

namespace update {

// A file that exists but cannot be opened to be dated: "Erreur E/S N" and the system's text.
class EInOutError : public Exception {
public:
    EInOutError(std::string_view file, platform::ErrorCode code);
    platform::ErrorCode Code() const noexcept { return FCode; }

private:
    platform::ErrorCode FCode;
};

namespace messages {

// "Copie de " + source, then "vers " + destination + CR LF.
std::string CopyLine(std::string_view source);
std::string CopyTargetLine(std::string_view destination);
// What the progress bar says while a large file is copied: "Copie de " + the name of the file
// written, without its folder.
std::string CopyProgressLabel(std::string_view destination);
// "Le fichier " + path, then the closing line of LogSameFile or LogNotReplacedFile.
std::string FileLine(std::string_view path);
std::string SameFileLine();
std::string NotReplacedLine();
// "Fichier %s est supprimé." + CR LF.
std::string DeletedLine(std::string_view file);

// "Source: ...\r\nTarget: ...\r\n\r\nError: " + the message of the failed system call.
std::string CopyFailed(std::string_view source, std::string_view destination, platform::ErrorCode code);
// The destination of an extraction cannot be created.
std::string CannotCreateFile(std::string_view file, platform::ErrorCode code);
// A name of a list file ("FileNames.txt", "PrintLists.txt") that would leave its folder:
// "Le fichier \"<name>\" n'est pas installé : <why>.".
std::string RefusedListName(std::string_view name, std::string_view why);
// "Fichier pas trouvé : %s".
std::string FileNotFound(std::string_view file);
// "Une erreur de comparaison des fichiers s'est produite lors de la mise à jour du %s".
std::string ComparisonFailed(std::string_view file);
// The questions of ReplaceFile, naming the file without its folder.
std::string SameVersionQuestion(std::string_view fileName);
std::string OlderVersionQuestion(std::string_view fileName);

} // namespace messages
} // namespace update

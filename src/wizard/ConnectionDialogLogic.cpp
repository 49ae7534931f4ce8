#include "wizard/ConnectionDialogLogic.h"

#include "environment/Errors.h"
#include "environment/InstallTools2.h"
#include "environment/Paths.h"

namespace wizard {

namespace {

bool IsBlankByte(char c) {
    // Every byte of a multi-byte UTF-8 character is above 0x7F, so this only meets ASCII blanks.
    return static_cast<unsigned char>(c) <= ' ';
}

bool IsBlank(std::string_view text) {
    return TrimBlanks(text).empty();
}

} // namespace

std::string TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlankByte(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlankByte(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

bool IsOkEnabled(const ConnectionFields& fields) {
    switch (fields.choice) {
    case ConnectionChoice::Local:
        return !IsBlank(fields.dbFile);
    case ConnectionChoice::Tcp:
        for (const std::string& part : fields.address)
            if (part.empty())
                return false;
        return !fields.servFile.empty();
    case ConnectionChoice::Other:
        return !IsBlank(fields.otherDbFile);
    }
    return false;
}

bool IsValidServerFile(std::string_view servFile) {
    if (WideLength(servFile) < 3)
        return false;
    const std::size_t backslash = servFile.find('\\');
    return backslash != std::string_view::npos && backslash > 0;
}

std::string FileNotFoundMessage(std::string_view name) {
    return "Fichier \"" + std::string(name) + "\" pas trouvé";
}

std::string_view BadServerFileMessage() {
    return "Le nom de fichier n'est pas correct!";
}

std::string ComposeDatabaseName(const ConnectionFields& fields, const FileExistsFunction& fileExists) {
    switch (fields.choice) {
    case ConnectionChoice::Local:
        if (!fields.dbFile.empty() && !fileExists(fields.dbFile))
            throw Exception(FileNotFoundMessage(fields.dbFile));
        return fields.dbFile;
    case ConnectionChoice::Tcp:
        if (!IsValidServerFile(fields.servFile))
            throw Exception(std::string(BadServerFileMessage()));
        return fields.address[0] + "." + fields.address[1] + "." + fields.address[2] + "." + fields.address[3] + ":" +
               fields.servFile;
    case ConnectionChoice::Other:
        if (!fields.otherDbFile.empty() && !fileExists(fields.otherDbFile))
            throw Exception(FileNotFoundMessage(fields.otherDbFile));
        return TrimBlanks(fields.otherDbFile);
    }
    throw Exception("Unknown connection choice");
}

std::string ComposeDatabaseName(const ConnectionFields& fields) {
    return ComposeDatabaseName(fields, [](std::string_view name) { return TWindowsInstaller::FileExists(name); });
}

AddressKeyAction AddressKey(char32_t character, int fieldIndex, std::string_view fieldText,
                            bool previousJustCompleted) {
    if (character == kNoCharacter)
        return AddressKeyAction::PassOn;
    if (character >= U'0' && character <= U'9')
        return AddressKeyAction::Accept;
    if (character == kBackspace)
        return fieldText.empty() && fieldIndex > 0 ? AddressKeyAction::MoveBack : AddressKeyAction::Accept;
    if (character == U'.')
        return previousJustCompleted ? AddressKeyAction::Swallow : AddressKeyAction::MoveNext;
    return AddressKeyAction::Swallow;
}

bool AddressFieldIsComplete(std::string_view fieldText, bool dialogVisible) {
    return dialogVisible && WideLength(fieldText) == static_cast<std::size_t>(kAddressFieldLength);
}

} // namespace wizard

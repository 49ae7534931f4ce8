#pragma once

// A file's version strings, read from its version resource as the Windows version calls give them.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

struct TFileVersionInfo {
    std::string LangId;   // language of the first translation, 4 upper-case hexadecimal digits
    std::string LangName; // the system's name of that language
    std::string CharSet;  // code page of the first translation, 4 upper-case hexadecimal digits
    std::string CompanyName;
    std::string FileDescription;
    std::string FileVersion;
    std::string InternalName;
    std::string LegalCopyRight;
    std::string LegalTradeMark;
    std::string OriginalFileName;
    std::string ProductName;
    std::string ProductVersion;
    std::string Comments;

    bool operator==(const TFileVersionInfo&) const = default;
};

// The "FileVersion" string of the file's first translation; "?" when the file has no version
// information, empty text when the translation table or the string is missing.
std::string GetFileVersionText(std::string_view fileName);

// The whole record; an empty file name reads the program's own version record.
TFileVersionInfo ReadFileVersionInfo(std::string_view fileName);

// A language identifier written in hexadecimal (either case, spaces ignored); 0 for text that is
// empty, longer than 8 characters or not hexadecimal.
unsigned long ParseHexLanguageId(std::string_view text);

// The host file whose version information the Windows version calls read for `fileName`: a name
// without folder is looked up as a library is (system folder, Windows folder, then the machine's
// PATH); nothing when the file cannot be mapped or found.
std::optional<std::filesystem::path> VersionFileHostPath(std::string_view fileName);

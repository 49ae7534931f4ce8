#include "environment/VersionInfo.h"

#include "platform/machine/Machine.h"
#include "platform/pe/LanguageNames.h"
#include "platform/pe/OwnVersion.h"
#include "platform/pe/PeVersionReader.h"

#include <optional>

namespace {

std::optional<platform::VersionResource> ReadResource(std::string_view fileName) {
    if (fileName.empty())
        return platform::OwnVersionResource();
    const auto host = VersionFileHostPath(fileName);
    if (!host)
        return std::nullopt;
    return platform::ReadVersionResource(*host);
}

std::string QueryOrEmpty(const platform::VersionResource& resource, std::string_view block, std::string_view name) {
    return resource.QueryString(block, name).value_or("");
}

} // namespace

std::optional<std::filesystem::path> VersionFileHostPath(std::string_view fileName) {
    const platform::Machine& machine = platform::Machine::Current();
    if (fileName.find_first_of("\\/:") != std::string_view::npos)
        return machine.ToHostPath(fileName);
    // The program's own folder, first in the Windows search, is not part of the machine.
    const auto found = machine.FindLibrary(fileName, "");
    if (!found)
        return std::nullopt;
    return machine.ToHostPath(*found);
}

std::string GetFileVersionText(std::string_view fileName) {
    const auto resource = ReadResource(fileName);
    if (!resource)
        return "?";
    if (resource->translations.empty())
        return {};
    return QueryOrEmpty(*resource, resource->translations.front().BlockKey(), "FileVersion");
}

unsigned long ParseHexLanguageId(std::string_view text) {
    std::string digits;
    for (char c : text) {
        if (c != ' ')
            digits += c;
    }
    if (digits.empty() || digits.size() > 8)
        return 0;
    unsigned long value = 0;
    for (char c : digits) {
        int digit = 0;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return 0;
        value = value * 16 + static_cast<unsigned long>(digit);
    }
    return value;
}

TFileVersionInfo ReadFileVersionInfo(std::string_view fileName) {
    TFileVersionInfo info;
    const auto resource = ReadResource(fileName);
    std::string translation;
    if (resource && !resource->translations.empty())
        translation = resource->translations.front().BlockKey();
    info.LangId = translation.substr(0, 4);
    info.CharSet = translation.size() > 4 ? translation.substr(4, 4) : std::string();
    // VerLanguageNameW takes a 32-bit identifier but only its low 16 bits name a language.
    info.LangName = platform::LanguageName(static_cast<std::uint16_t>(ParseHexLanguageId(info.LangId) & 0xFFFF));
    if (!resource)
        return info;
    const std::pair<std::string*, std::string_view> fields[] = {
        {&info.CompanyName, "CompanyName"},           {&info.FileDescription, "FileDescription"},
        {&info.FileVersion, "FileVersion"},           {&info.InternalName, "InternalName"},
        {&info.LegalCopyRight, "LegalCopyRight"},     {&info.LegalTradeMark, "LegalTradeMark"},
        {&info.OriginalFileName, "OriginalFileName"}, {&info.ProductName, "ProductName"},
        {&info.ProductVersion, "ProductVersion"},     {&info.Comments, "Comments"}};
    for (const auto& [field, name] : fields)
        *field = QueryOrEmpty(*resource, translation, name);
    return info;
}

#include "update/authoring/TextConversion.h"

#include "update/authoring/AuthoringMessages.h"
#include "update/authoring/TextEncoding.h"
#include "update/package/PackageError.h"

#include <cerrno>
#include <filesystem>
#include <fstream>

namespace update::authoring {

namespace {

// The new content goes to a file beside the old one, then takes its name: never half a text.
void Rewrite(const std::filesystem::path& file, const std::string& bytes) {
    const auto lastWrite = std::filesystem::last_write_time(file);
    const std::filesystem::path temporary = file.string() + ".conversion";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << bytes;
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            throw package::CannotRead(file, errno);
        }
    }
    std::filesystem::last_write_time(temporary, lastWrite);
    std::filesystem::rename(temporary, file);
}

} // namespace

std::vector<std::string> ConvertFolderTexts(const FolderFiles& files, const CheckOptions& options) {
    std::vector<std::string> converted;
    for (const PackageText& text : PackageTexts(files, options)) {
        const std::optional<std::uint64_t> size = files.SizeOf(text.name);
        if (!size || *size > options.textLimit)
            continue;
        const std::string bytes = files.Read(text.name, options.textLimit);
        if (DetectEncoding(bytes) != TextEncoding::Utf8Unmarked)
            continue;
        const std::optional<ConvertedText> result = ConvertUtf8Text(bytes);
        if (!result || (result->marked && text.kind != TextKind::List))
            continue;
        Rewrite(files.HostPath(text.name), result->bytes);
        converted.push_back(messages::TextConverted(text.name, result->marked));
    }
    return converted;
}

} // namespace update::authoring

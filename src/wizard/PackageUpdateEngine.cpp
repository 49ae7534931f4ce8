#include "wizard/PackageUpdateEngine.h"

#include "update/richtext/RichDocument.h"
#include "update/richtext/RichTextControl.h"
#include "update/richtext/RtfReader.h"

namespace wizard {

namespace {

// The texts of a package are small; a larger one is no text of ours.
constexpr std::uint64_t kTextLimit = 4 * 1024 * 1024;

} // namespace

PackageUpdateEngine::PackageUpdateEngine(std::shared_ptr<const update::package::PackageReader> package)
    : FPackage(std::move(package)) {}

std::optional<std::string> PackageUpdateEngine::ReadPacked(std::string_view fileName) const {
    if (!FPackage)
        return std::nullopt;
    const update::package::PackedEntry* entry = FPackage->Find(fileName);
    if (entry == nullptr)
        return std::nullopt;
    return FPackage->ReadAll(*entry, kTextLimit);
}

std::vector<std::string> PackageUpdateEngine::LoadResourceFileList(std::string_view fileName) {
    std::vector<std::string> lines;
    const std::optional<std::string> bytes = ReadPacked(fileName);
    if (!bytes)
        return lines;
    const update::RichDocument text = update::RtfReader().ReadPlainText(*bytes);
    for (const update::Paragraph& paragraph : text.Paragraphs())
        lines.push_back(paragraph.Text());
    return lines;
}

int PackageUpdateEngine::LoadResourceFileToRich(std::string_view fileName, update::RichTextControl& control) {
    control.Clear();
    const std::optional<std::string> bytes = ReadPacked(fileName);
    if (!bytes)
        return 0;
    return update::LoadRichText(control, *bytes);
}

void PackageUpdateEngine::AddToLog(std::string_view text, int fontSize) {
    if (FLog == nullptr)
        return;
    FLog->AppendLine(text, fontSize);
    // The report follows its newest lines.
    if (FLog->CanFocus() && !FLog->HasFocus())
        FLog->SetFocus();
}

std::optional<TUpdateResultType> PackageUpdateEngine::RunUpdate(Tquar_AppNameType /*type*/) {
    return std::nullopt;
}

} // namespace wizard

#include "update/authoring/AuthoringCheck.h"

#include "platform/text/Text.h"
#include "update/authoring/AuthoringMessages.h"
#include "update/authoring/TextEncoding.h"
#include "update/package/PackedName.h"

#include <algorithm>
#include <optional>

namespace update::authoring {

namespace {

constexpr std::string_view kUpdates = "Updates.txt";
constexpr std::string_view kFileNames = "FileNames.txt";
constexpr std::string_view kPrintLists = "PrintLists.txt";

bool IsPrintListName(std::string_view name) {
    return name.size() > 4 && platform::text::EqualsIgnoreAsciiCase(name.substr(name.size() - 4), ".lst");
}

// The lines of a text as the wizard reads them: a byte-order mark honoured, Windows-1252 otherwise;
// CR LF, a lone CR and a lone LF end a line; a final break makes no empty line.
std::vector<std::string> LinesOf(std::string_view bytes) {
    std::string text;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        text = bytes.substr(3);
    } else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        const bool little = bytes[0] == '\xFF';
        std::u16string units;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
            units.push_back(static_cast<char16_t>(little ? (b << 8 | a) : (a << 8 | b)));
        }
        text = platform::text::Utf16ToUtf8(units);
    } else {
        text = platform::text::Cp1252ToUtf8(bytes);
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

std::string KnownNames() {
    std::string names;
    for (std::size_t type = 1; type < AppNames.size(); ++type)
        names += (names.empty() ? "" : ", ") + std::string(AppNames[type]);
    return names;
}

class Checker {
public:
    Checker(const SourceFiles& files, const CheckOptions& options)
        : FFiles(files)
        , FOptions(options) {}

    CheckReport Run() {
        for (const PackageText& text : PackageTexts(FFiles, FOptions))
            CheckText(text);
        CheckProducts();
        CheckTitleAndChanges();
        CheckList(kFileNames);
        CheckList(kPrintLists);
        CheckPrintLists();
        CheckSteps();
        return std::move(FReport);
    }

private:
    bool Has(std::string_view name) const { return FFiles.SizeOf(name).has_value(); }

    // The text's bytes when it exists and is not larger than the wizard reads.
    std::optional<std::string> Bytes(std::string_view name) const {
        const std::optional<std::uint64_t> size = FFiles.SizeOf(name);
        if (!size || *size > FOptions.textLimit)
            return std::nullopt;
        return FFiles.Read(name, FOptions.textLimit);
    }
    std::vector<std::string> Lines(std::string_view name) const {
        const std::optional<std::string> bytes = Bytes(name);
        return bytes ? LinesOf(*bytes) : std::vector<std::string>();
    }

    void CheckText(const PackageText& text) {
        const std::string& name = text.name;
        const std::optional<std::uint64_t> size = FFiles.SizeOf(name);
        if (!size)
            return;
        if (*size > FOptions.textLimit) {
            FReport.Add(Severity::Error, messages::TextTooLarge(name, *size, FOptions.textLimit));
            return;
        }
        switch (DetectEncoding(FFiles.Read(name, FOptions.textLimit))) {
        case TextEncoding::Utf8Unmarked:
            FReport.Add(Severity::Error, messages::Utf8Text(name));
            break;
        case TextEncoding::Utf8Marked:
        case TextEncoding::Utf16Marked:
            if (text.kind == TextKind::PrintList)
                FReport.Add(Severity::Error, messages::MarkedPrintList(name));
            break;
        case TextEncoding::Ascii:
        case TextEncoding::Windows1252:
            break;
        }
    }

    void CheckProducts() {
        if (!Has(kUpdates)) {
            FReport.Add(Severity::Warning, messages::NoProductList());
            return;
        }
        const std::vector<std::string> lines = Lines(kUpdates);
        bool refused = false;
        for (std::size_t index = 0; index < lines.size(); ++index) {
            const std::string& line = lines[index];
            const int number = static_cast<int>(index) + 1;
            if (line.empty())
                continue;
            const auto exact = std::find(AppNames.begin() + 1, AppNames.end(), line);
            if (exact == AppNames.end()) {
                refused = true;
                const auto near = std::find_if(AppNames.begin() + 1, AppNames.end(), [&](std::string_view name) {
                    return platform::text::EqualsIgnoreAsciiCase(name, line);
                });
                FReport.Add(Severity::Error, near != AppNames.end()
                                                 ? messages::ProductWrongCase(number, line, *near)
                                                 : messages::UnknownProduct(number, line, KnownNames()));
                continue;
            }
            const auto type = static_cast<Tquar_AppNameType>(exact - AppNames.begin());
            if (std::find(FProducts.begin(), FProducts.end(), type) != FProducts.end()) {
                FReport.Add(Severity::Warning, messages::ProductTwice(number, line));
                continue;
            }
            FProducts.push_back(type);
        }
        if (FProducts.empty() && !refused)
            FReport.Add(Severity::Warning, messages::NoProductNamed());
        for (Tquar_AppNameType type : FProducts) {
            if (!HasUpdateProcedure(type))
                FReport.Add(Severity::Warning, messages::ProductWithoutUpdate(AppNames[type]));
            for (const NeededFile& needed : NeededFiles(type)) {
                if (Has(needed.name))
                    continue;
                switch (needed.effect) {
                case MissingEffect::EndsTheRun:
                    FReport.Add(Severity::Error, messages::MissingRunEnder(AppNames[type], needed.name));
                    break;
                case MissingEffect::FailsProduct:
                    FReport.Add(Severity::Error, messages::MissingProductFile(AppNames[type], needed.name));
                    break;
                case MissingEffect::DoesNothing:
                    FReport.Add(Severity::Warning, messages::CommonWithoutFileList());
                    break;
                }
            }
        }
    }

    void CheckTitleAndChanges() {
        const std::vector<std::string> title = Lines("AppInfo1.txt");
        if (title.empty())
            FReport.Add(Severity::Warning, messages::NoTitle());
        const std::optional<std::uint64_t> size = FFiles.SizeOf(kChangesText);
        if (!size || *size == 0) {
            FReport.Add(Severity::Warning, messages::NoChangesText());
            return;
        }
        const std::optional<std::string> changes = Bytes(kChangesText);
        if (changes && !changes->starts_with("{\\rtf"))
            FReport.Add(Severity::Warning, messages::ChangesNotRtf());
    }

    // Every name of a list of files is in the package, and is one the wizard writes.
    void CheckList(std::string_view list) {
        const std::vector<std::string> lines = Lines(list);
        for (std::size_t index = 0; index < lines.size(); ++index) {
            const std::string& name = lines[index];
            const int number = static_cast<int>(index) + 1;
            if (name.empty())
                continue;
            if (const std::optional<std::string> why = package::PackedNameFault(name))
                FReport.Add(Severity::Error, messages::ListedNameRefused(list, number, name, *why));
            else if (!Has(name))
                FReport.Add(Severity::Error, messages::ListedFileMissing(list, number, name));
        }
    }

    void CheckPrintLists() {
        if (!Has(kPrintLists))
            return;
        const bool anyReader = std::any_of(FProducts.begin(), FProducts.end(), ReadsPrintLists);
        if (!FProducts.empty() && !anyReader)
            FReport.Add(Severity::Warning, messages::PrintListsUnused());
        const bool databaseReader = std::any_of(FProducts.begin(), FProducts.end(), [](Tquar_AppNameType type) {
            return ReadsPrintLists(type) && type != antOrbel;
        });
        for (const std::string& name : Lines(kPrintLists)) {
            if (name.empty() || package::PackedNameFault(name) || !Has(name))
                continue; // told by CheckList
            if (!IsPrintListName(name) && databaseReader)
                FReport.Add(Severity::Warning, messages::PrintListNotRead(name));
        }
    }

    void CheckSteps() {
        const std::vector<std::string> lines = Lines("Steps.txt");
        for (std::size_t index = 0; index < lines.size(); ++index) {
            const std::string& line = lines[index];
            const bool page = std::any_of(kStepPages.begin(), kStepPages.end(), [&](std::string_view name) {
                return platform::text::EqualsIgnoreCase(name, line);
            });
            if (!line.empty() && !page)
                FReport.Add(Severity::Warning, messages::UnknownStep(static_cast<int>(index) + 1, line));
        }
    }

    const SourceFiles& FFiles;
    const CheckOptions& FOptions;
    CheckReport FReport;
    std::vector<Tquar_AppNameType> FProducts;
};

} // namespace

std::vector<PackageText> PackageTexts(const SourceFiles& files, const CheckOptions& options) {
    std::vector<PackageText> texts;
    for (std::string_view name : kListTexts)
        texts.push_back({std::string(name), TextKind::List});
    texts.push_back({std::string(kChangesText), TextKind::Rtf});
    const std::optional<std::uint64_t> size = files.SizeOf(kPrintLists);
    if (size && *size <= options.textLimit) {
        for (const std::string& name : LinesOf(files.Read(kPrintLists, options.textLimit))) {
            const bool known = std::any_of(texts.begin(), texts.end(), [&](const PackageText& text) {
                return platform::text::EqualsIgnoreCase(text.name, name);
            });
            if (IsPrintListName(name) && !package::PackedNameFault(name) && !known)
                texts.push_back({name, TextKind::PrintList});
        }
    }
    std::erase_if(texts, [&](const PackageText& text) { return !files.SizeOf(text.name); });
    return texts;
}

bool CheckReport::HasErrors() const {
    return Count(Severity::Error) > 0;
}

int CheckReport::Count(Severity severity) const {
    return static_cast<int>(std::count_if(FFindings.begin(), FFindings.end(),
                                          [&](const Finding& finding) { return finding.severity == severity; }));
}

CheckReport CheckPackageFiles(const SourceFiles& files, const CheckOptions& options) {
    return Checker(files, options).Run();
}

std::string FindingLine(const Finding& finding) {
    return (finding.severity == Severity::Error ? "erreur : " : "avertissement : ") + finding.message;
}

} // namespace update::authoring

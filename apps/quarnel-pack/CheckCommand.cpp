#include "CheckCommand.h"

#include "update/authoring/AuthoringCheck.h"
#include "update/authoring/AuthoringMessages.h"
#include "update/authoring/TextConversion.h"
#include "update/package/PackageFile.h"
#include "update/package/PackageReader.h"

#include <memory>

namespace quarnelpack {

namespace {

constexpr std::string_view kProgram = "quarnel-pack : ";

void Print(const update::authoring::CheckReport& report, std::ostream& out) {
    for (const auto& finding : report.Findings())
        out << kProgram << update::authoring::FindingLine(finding) << '\n';
}

} // namespace

bool CheckSource(const std::filesystem::path& source, std::ostream& out) {
    using namespace update::authoring;
    std::error_code error;
    const CheckReport report = [&] {
        if (std::filesystem::is_directory(source, error))
            return CheckPackageFiles(FolderFiles(source));
        auto package = std::make_shared<const update::package::PackageReader>(update::package::OpenPackageFile(source));
        return CheckPackageFiles(PackagedFiles(package));
    }();
    Print(report, out);
    out << kProgram << messages::Summary(report.Count(Severity::Error), report.Count(Severity::Warning)) << '\n';
    return !report.HasErrors();
}

bool CheckBeforePacking(const std::filesystem::path& folder, bool convertTexts, std::ostream& err) {
    using namespace update::authoring;
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        return true; // PackFolder says that the folder is missing
    if (convertTexts) {
        for (const std::string& line : ConvertFolderTexts(FolderFiles(folder)))
            err << kProgram << line << '\n';
    }
    const CheckReport report = CheckPackageFiles(FolderFiles(folder));
    Print(report, err);
    return !report.HasErrors();
}

} // namespace quarnelpack

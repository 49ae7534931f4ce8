#pragma once

// The update engine as far as the window needs it before the product procedures exist: the
// packed texts read straight from the package, and the report. It runs no product procedure
// (every type answers "no procedure"), so a run writes the heading lines and nothing else.
// TdmUpdateCommon replaces it behind the UpdateEngine interface. No Qt here.

#include "update/package/PackageReader.h"
#include "wizard/UpdateEngine.h"

#include <memory>

namespace wizard {

class PackageUpdateEngine : public UpdateEngine {
public:
    explicit PackageUpdateEngine(std::shared_ptr<const update::package::PackageReader> package);

    std::vector<std::string> LoadResourceFileList(std::string_view fileName) override;
    int LoadResourceFileToRich(std::string_view fileName, update::RichTextControl& control) override;
    void InitLog(update::RichTextControl* log) override { FLog = log; }
    void AddToLog(std::string_view text, int fontSize = 0) override;
    void SetAppNameType(Tquar_AppNameType type) override { FAppNameType = type; }
    Tquar_AppNameType AppNameType() const { return FAppNameType; }
    std::optional<TUpdateResultType> RunUpdate(Tquar_AppNameType type) override;

private:
    std::optional<std::string> ReadPacked(std::string_view fileName) const;

    std::shared_ptr<const update::package::PackageReader> FPackage;
    update::RichTextControl* FLog = nullptr;
    Tquar_AppNameType FAppNameType = antUnknown;
};

} // namespace wizard

#pragma once

// The checks of a package before it is shipped: what the wizard would misread, skip or miss. Each
// finding is one French line; errors mean the package would not do what its author meant.

#include "update/authoring/PackageRules.h"
#include "update/authoring/SourceFiles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace update::authoring {

enum class Severity { Error, Warning };

struct Finding {
    Severity severity;
    std::string message;
};

struct CheckOptions {
    std::uint64_t textLimit = kWizardTextLimit;
};

class CheckReport {
public:
    void Add(Severity severity, std::string message) { FFindings.push_back({severity, std::move(message)}); }
    const std::vector<Finding>& Findings() const { return FFindings; }
    bool HasErrors() const;
    int Count(Severity severity) const;

private:
    std::vector<Finding> FFindings;
};

CheckReport CheckPackageFiles(const SourceFiles& files, const CheckOptions& options = {});

// The texts of the package whose code page matters, as the wizard reads them: the lists (a
// byte-order mark honoured), the RTF list of changes, and the print lists named in
// "PrintLists.txt" (Windows-1252 only).
enum class TextKind { List, Rtf, PrintList };
struct PackageText {
    std::string name;
    TextKind kind;
};
std::vector<PackageText> PackageTexts(const SourceFiles& files, const CheckOptions& options = {});

// "erreur : " or "avertissement : " followed by the finding's message.
std::string FindingLine(const Finding& finding);

} // namespace update::authoring

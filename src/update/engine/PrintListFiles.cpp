// Installing the package's print lists: as files in the program folder (VTPOrbel), or into the print
// parameter store of every company database of the product.

#include "environment/Errors.h"
#include "environment/Paths.h"
#include "firebird/ClientLibrary.h"
#include "platform/files/FileContent.h"
#include "platform/text/Text.h"
#include "update/engine/EngineMessages.h"
#include "update/engine/ProductMessages.h"
#include "update/engine/TdmUpdateCommon.h"
#include "update/richtext/CodePage.h"
#include "update/richtext/RichDocument.h"

#include <exception>
#include <optional>

namespace update {

namespace {

bool HasPrintLists(Tquar_AppNameType type) {
    switch (type) {
    case antVTP:
    case antVTI:
    case antMarlisk:
    case antTessaro:
    case antOrbel:
    case antNVX:
        return true;
    default:
        return false;
    }
}

std::string_view Extension(std::string_view name) {
    const std::size_t dot = name.find_last_of('.');
    const std::size_t separator = name.find_last_of('\\');
    if (dot == std::string_view::npos || (separator != std::string_view::npos && dot < separator))
        return {};
    return name.substr(dot);
}

// The key of a list's row: its file name without extension, in lower case.
std::string PrintListKey(std::string_view name) {
    std::string key(name.substr(0, name.size() - Extension(name).size()));
    return platform::text::ToLower(key);
}

} // namespace

TUpdateResultType TdmUpdateCommon::InstallPrintLists(std::string_view DestPath) {
    if (!HasPrintLists(AppNameType()))
        return urtOk;
    if (LoadResourceFileList("PrintLists.txt", mPrintNames) == 0)
        return urtOk;
    bool allInstalled = false;
    try {
        allInstalled = InstallAllPrintLists(DestPath);
    } catch (const fb::client::ClientUnavailable& missing) {
        AddToLog(missing.what()); // the machine lacks what every company needs: the report says why
        throw Exception(messages::CannotImportResourceFiles());
    } catch (const std::exception&) {
        throw Exception(messages::CannotImportResourceFiles()); // the first message is not kept
    }
    return allInstalled ? urtOk : urtWarning;
}

bool TdmUpdateCommon::InstallAllPrintLists(std::string_view DestPath) {
    if (AppNameType() == antOrbel) {
        bool allWritten = true;
        for (const std::string& name : mPrintNames) {
            // A name that would leave the folder is never written, and is reported as not installed.
            if (const std::optional<std::string> refused = LeavesFolderBecause(name)) {
                AddToLog(messages::RefusedListName(name, *refused));
                allWritten = false;
                continue;
            }
            // A list the package lacks is not installed: said so, and the product ends with a warning.
            if (FindPacked(name) == nullptr) {
                AddToLog(messages::RefusedListName(name, messages::NotInPackage()));
                allWritten = false;
                continue;
            }
            const std::string destination = WithTrailingBackslash(DestPath) + name;
            // The list in place keeps its name while the new one is written beside it: Windows'
            // checks on the target (read-only 5, open 32) refuse the write and leave it as it is.
            const std::optional<PackedResource> list = ReadPackedResource(name);
            if (!list) {
                AddToLog(messages::RefusedListName(name, messages::NotInPackage()));
                allWritten = false;
                continue;
            }
            BeforeWritingProductFile(destination, TargetWrite::RenamedOver);
            if (!platform::WriteFileContent(destination, list->content, list->fileTime))
                throw Exception(messages::CannotCreateFile(destination, platform::GetLastError()));
            AfterWritingProductFile();
            AddToLog(messages::PrintListUpdated(name));
        }
        AddToLog("");
        return allWritten;
    }
    bool result = true;
    if (mCompanies.empty())
        return InstallCompanyPrintLists("");
    for (const std::string& company : mCompanies) {
        if (!InstallCompanyPrintLists(company))
            result = false; // the other companies still get their lists
    }
    return result;
}

bool TdmUpdateCommon::InstallCompanyPrintLists(std::string_view CompanyName) {
    const std::string shownName = CompanyName.empty() ? std::string("Default") : std::string(CompanyName);
    AddToLog(messages::CompanyListsHeading(shownName));
    // The database is named "Default" when the register lists no company.
    if (FPrintListDatabase == nullptr || !FPrintListDatabase->Connect(AppNameType(), shownName)) {
        AddToLog(messages::CompanyConnectionFailed(shownName));
        return false;
    }
    struct DisconnectGuard {
        PrintListDatabase& database;
        ~DisconnectGuard() {
            try {
                database.Disconnect();
            } catch (...) {
                // a failed disconnection is no reason to lose the error that is already on its way
            }
        }
    } guard{*FPrintListDatabase};
    // All the lists of the company in one transaction: a failure, or a run stopped halfway, leaves
    // the company with its old lists, never with some old and some new.
    FPrintListDatabase->StartTransaction();
    try {
        for (const std::string& name : mPrintNames) {
            if (!platform::text::EqualsIgnoreAsciiCase(Extension(name), ".lst"))
                continue;
            // Read into memory under the limit of every packed text.
            if (const std::optional<PackedResource> list = ReadPackedResource(name))
                InstallPrintList(name, list->content);
        }
        FPrintListDatabase->Commit();
    } catch (...) {
        FPrintListDatabase->Rollback();
        AddToLog(messages::CompanyListsUndone(shownName));
        throw;
    }
    return true;
}

void TdmUpdateCommon::InstallPrintList(std::string_view FileName, std::string_view Stream) {
    if (Stream.empty())
        return;
    // The list's bytes in the ANSI code page, whatever they start with.
    const std::string text = CodePageDecoder().Decode(Stream, 1252);
    std::vector<std::string> lines;
    for (std::string_view line : SplitLines(text, false))
        lines.emplace_back(line);
    const std::string key = PrintListKey(FileName);
    if (FPrintListDatabase->FindPrintParams(key)) {
        FPrintListDatabase->UpdatePrintParams(key, lines);
        AddToLog(messages::PrintListUpdated(key));
    } else {
        AddToLog(messages::PrintListAdded(FPrintListDatabase->AppendPrintParams(lines)));
    }
}

} // namespace update

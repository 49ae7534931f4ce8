#include "update/run/ReportLog.h"

#include "environment/Errors.h"
#include "platform/errors/SystemError.h"
#include "platform/machine/Machine.h"
#include "platform/machine/WindowsPath.h"

#include <utility>

namespace update::run {

namespace {

std::string CannotWrite(const std::string& name, const std::string& reason) {
    return "impossible d'écrire le rapport \"" + name + "\" : " + reason;
}

std::string Reason(const platform::LogFileError& error) {
    return error.notRegular ? "ce n'est pas un fichier ordinaire." : platform::SystemErrorMessage(error.code);
}

// A path from its UTF-8 text (on Windows a narrow path would be read in the ANSI code page).
std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// A Windows path of the machine ("C:\..."), mapped to its host file; a host path as it is.
std::filesystem::path HostFileOf(const std::string& name) {
    const bool windows = name.size() >= 3 && name[1] == ':' && (name[2] == '\\' || name[2] == '/');
    if (!windows)
        return PathOf(name);
    if (const auto host = platform::Machine::Current().ToHostPath(name))
        return *host;
    throw Exception(CannotWrite(name, "ce chemin n'existe pas sur cette machine."));
}

} // namespace

ReportLog::ReportLog(std::string name)
    : FName(std::move(name))
    , FFile(HostFileOf(FName)) {
    if (const platform::LogFileError& refused = FFile.OpenError())
        throw Exception(CannotWrite(FName, Reason(refused)));
}

ReportLog::~ReportLog() = default;

bool ReportLog::Fail(const platform::LogFileError& error) {
    if (!FFailure)
        FFailure = CannotWrite(FName, Reason(error));
    return false;
}

bool ReportLog::WriteWhole(std::string_view content) {
    if (const platform::LogFileError error = FFile.ReplaceWhole(content))
        return Fail(error);
    FWritten.assign(content);
    return true;
}

bool ReportLog::Append(std::string_view more) {
    if (const platform::LogFileError error = FFile.Append(more))
        return Fail(error);
    FWritten.append(more);
    return true;
}

bool ReportLog::Update(std::string_view text) {
    FText.assign(text);
    if (!FText.empty())
        FText += "\r\n";
    return Sync();
}

bool ReportLog::Finish(std::string_view text) {
    if (!Update(text))
        return false;
    return FFile.IsOpen() || WriteWhole("");
}

bool ReportLog::AppendLine(std::string_view line) {
    FPreamble.append(line);
    FPreamble += "\r\n";
    return Sync();
}

bool ReportLog::Sync() {
    if (FFailure)
        return false;
    const std::string content = FPreamble + FText;
    if (content.empty() && !FFile.IsOpen())
        return true; // nothing to write yet: the previous report stays
    if (FFile.IsOpen() && content.size() >= FWritten.size() && content.compare(0, FWritten.size(), FWritten) == 0)
        return content.size() == FWritten.size() || Append(std::string_view(content).substr(FWritten.size()));
    return WriteWhole(content);
}

void LoggedReportControl::Flush() {
    if (FLog != nullptr)
        FLog->Update(PlainText()); // a failure is kept in the log and told at the end of the run
}

void LoggedReportControl::Clear() {
    ModelRichTextControl::Clear();
    Flush();
}

void LoggedReportControl::LoadDocument(const RichDocument& document) {
    ModelRichTextControl::LoadDocument(document);
    Flush();
}

void LoggedReportControl::SetText(std::string_view text) {
    ModelRichTextControl::SetText(text);
    Flush();
}

void LoggedReportControl::AppendLine(std::string_view text, int fontSize, std::string_view fontName) {
    ModelRichTextControl::AppendLine(text, fontSize, fontName);
    Flush();
}

} // namespace update::run

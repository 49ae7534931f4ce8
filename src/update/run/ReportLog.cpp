#include "update/run/ReportLog.h"

#include "environment/Errors.h"
#include "platform/errors/SystemError.h"
#include "platform/machine/Machine.h"
#include "platform/machine/RegularFiles.h"
#include "platform/machine/WholeFile.h"
#include "platform/machine/WindowsPath.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace update::run {

namespace {

std::string Reason(int error) {
    return platform::SystemErrorMessage(platform::ErrorFromErrno(error));
}

std::string CannotWrite(const std::string& name, const std::string& reason) {
    return "impossible d'écrire le rapport \"" + name + "\" : " + reason;
}

// A Windows path of the machine ("C:\..."), mapped to its host file; a host path as it is.
std::filesystem::path HostFileOf(const std::string& name) {
    const bool windows = name.size() >= 3 && name[1] == ':' && (name[2] == '\\' || name[2] == '/');
    if (!windows)
        return name;
    if (const auto host = platform::Machine::Current().ToHostPath(name))
        return *host;
    throw Exception(CannotWrite(name, "ce chemin n'existe pas sur cette machine."));
}

} // namespace

ReportLog::ReportLog(std::string name)
    : FName(std::move(name))
    , FHost(HostFileOf(FName)) {
    if (const int refused = platform::OutputRefusal(FHost); refused != 0)
        throw Exception(CannotWrite(FName, refused == EINVAL ? "ce n'est pas un fichier ordinaire." : Reason(refused)));
    const std::filesystem::path folder = FHost.has_parent_path() ? FHost.parent_path() : ".";
    FFolder = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (FFolder < 0 || ::faccessat(FFolder, ".", W_OK, AT_EACCESS) != 0) {
        const int error = errno;
        if (FFolder >= 0)
            ::close(FFolder);
        throw Exception(CannotWrite(FName, Reason(error)));
    }
}

ReportLog::~ReportLog() {
    if (FFile >= 0) {
        ::fdatasync(FFile); // the last lines on the disk; nothing more to tell at the end
        ::close(FFile);
    }
    ::close(FFolder);
}

bool ReportLog::Fail(int error) {
    if (!FFailure)
        FFailure = CannotWrite(FName, Reason(error));
    return false;
}

bool ReportLog::WriteWhole(std::string_view content) {
    if (FFile >= 0)
        ::close(std::exchange(FFile, -1));
    const std::string name = FHost.filename().string();
    // Checked again: what was a file at the start may have been replaced since.
    if (const int refused = platform::OutputRefusal(FHost); refused != 0)
        return Fail(refused);
    platform::WholeFileWriter writer(FFolder, name);
    if (const int error = writer.OpenError(); error != 0)
        return Fail(error);
    if (const int error = writer.Write(content); error != 0)
        return Fail(error);
    if (const int error = writer.Publish(); error != 0)
        return Fail(error);
    FFile = ::openat(FFolder, name.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (FFile < 0)
        return Fail(errno);
    FWritten.assign(content);
    return true;
}

bool ReportLog::Append(std::string_view more) {
    std::string_view rest = more;
    while (!rest.empty()) {
        const ssize_t count = ::write(FFile, rest.data(), rest.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return Fail(count < 0 ? errno : EIO);
        rest.remove_prefix(static_cast<std::size_t>(count));
    }
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
    return FFile >= 0 || WriteWhole("");
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
    if (content.empty() && FFile < 0)
        return true; // nothing to write yet: the previous report stays
    if (FFile >= 0 && content.size() >= FWritten.size() && content.compare(0, FWritten.size(), FWritten) == 0)
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

#pragma once

// The report file of an unattended run (`--report FILE`), written as a log: each line reaches the
// file as the run writes it, so that a run killed midway leaves what it wrote so far. The previous
// report stays whole until the run has something to write: the first lines replace it at once
// (a new file renamed over it), the following ones are appended.

#include "platform/machine/LogFile.h"
#include "update/richtext/RichTextControl.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace update::run {

class ReportLog {
public:
    // `name`: a host path, or a Windows path of the machine ("C:\Rapports\maj.txt"). Throws
    // Exception with the reason when it cannot be a report: a folder that does not exist, a name
    // that is not a regular file (a folder, a FIFO, a device, a link). Nothing is written yet.
    explicit ReportLog(std::string name);
    ~ReportLog();
    ReportLog(const ReportLog&) = delete;
    ReportLog& operator=(const ReportLog&) = delete;

    // Brings the file to the lines given by AppendLine, then `text` (the report's paragraphs joined
    // by CR LF) followed by CR LF: what follows the content already written is appended, a content
    // that does not continue it is written whole. False once writing has failed (the reason is in
    // Failure()); later calls do nothing.
    bool Update(std::string_view text);
    // The end of the run: Update, and a run that wrote nothing at all leaves an empty report, not
    // the previous run's.
    bool Finish(std::string_view text);
    // A line of the program itself, before the report's text: why a start was refused, what the
    // recovery of an earlier run did.
    bool AppendLine(std::string_view line);

    // "impossible d'écrire le rapport "F" : <raison>" once writing has failed.
    const std::optional<std::string>& Failure() const { return FFailure; }
    const std::string& Name() const { return FName; }

private:
    bool Sync();
    bool Fail(const platform::LogFileError& error);
    bool WriteWhole(std::string_view content);
    bool Append(std::string_view more);

    std::string FName;
    platform::LogFile FFile; // open for appending once the first lines are in place
    std::string FPreamble; // the lines given by AppendLine
    std::string FText;     // the report's text, with its line end
    std::string FWritten;  // what the file holds
    std::optional<std::string> FFailure;
};

// The report control of an unattended run: a model control whose every new line goes to the log.
class LoggedReportControl : public ModelRichTextControl {
public:
    explicit LoggedReportControl(ReportLog* log)
        : FLog(log) {}

    void Clear() override;
    void LoadDocument(const RichDocument& document) override;
    void SetText(std::string_view text) override;
    void AppendLine(std::string_view text, int fontSize = 0, std::string_view fontName = {}) override;

private:
    void Flush();
    ReportLog* FLog;
};

} // namespace update::run

// The installation report: lines appended to the report control, and the logged file operations.

#include "environment/Dialogs.h"
#include "environment/InstallTools2.h"
#include "platform/errors/SystemError.h"
#include "platform/files/Files.h"
#include "ui/ProgressTask.h"
#include "update/engine/EngineMessages.h"
#include "update/engine/StopRequest.h"
#include "update/engine/TdmUpdateCommon.h"
#include "update/richtext/RichTextControl.h"

#include <optional>

namespace update {

void TdmUpdateCommon::InitLog(RichTextControl* LogRichEdit) {
    mLog = LogRichEdit;
}

void TdmUpdateCommon::AddToLog(std::string_view LogStr, int FontSize, std::string_view FontName) {
    if (mLog == nullptr)
        return;
    mLog->AppendLine(LogStr, FontSize, FontName);
    // The report follows its newest lines.
    if (mLog->CanFocus() && !mLog->HasFocus())
        mLog->SetFocus();
}

void TdmUpdateCommon::LogCopyFile(std::string_view SourceFile, std::string_view DestFile, bool LogFlag) {
    // A stop asked meanwhile fails the product before its next file: its rollback puts back what it wrote.
    if (StopRequested())
        throw Exception(StoppedLine());
    if (LogFlag) {
        AddToLog(messages::CopyLine(SourceFile));
        AddToLog(messages::CopyTargetLine(DestFile));
        Delay(10); // lets the report repaint during long runs
    }
    // platform::CopyFileEx writes beside the target and renames over it: a copy that fails leaves the
    // old file whole, and a target in use is refused (32) rather than replaced.
    BeforeWritingProductFile(DestFile, TargetWrite::RenamedOver);
    bool copied = !TWindowsInstaller::FileExists(DestFile) ||
                  platform::SetFileAttributes(DestFile, platform::kFileAttributeNormal);
    if (copied) {
        // A large file shows its progress (the window's bar, or lines with --progress), begun
        // once the copy knows the size and ended however the copy ends.
        std::optional<ui::ProgressTask> progress;
        copied = platform::CopyFileEx(
            SourceFile, DestFile,
            [&](std::uint64_t total, std::uint64_t transferred) {
                if (!progress && total >= kProgressFromSize)
                    progress.emplace(messages::CopyProgressLabel(DestFile), total);
                if (progress)
                    progress->Advance(transferred);
                return progress ? platform::CopyProgress::Continue : platform::CopyProgress::Quiet;
            },
            0);
    }
    // Kept before the attributes are reset, which would overwrite it.
    const platform::ErrorCode error = copied ? platform::kErrorSuccess : platform::GetLastError();
    platform::SetFileAttributes(DestFile, platform::kFileAttributeNormal);
    if (!copied)
        throw Exception(messages::CopyFailed(SourceFile, DestFile, error));
    AfterWritingProductFile();
}

void TdmUpdateCommon::LogSameFile(std::string_view DestFile) {
    AddToLog(messages::FileLine(DestFile));
    AddToLog(messages::SameFileLine());
}

void TdmUpdateCommon::LogNotReplacedFile(std::string_view DestFile) {
    AddToLog(messages::FileLine(DestFile));
    AddToLog(messages::NotReplacedLine());
}

void TdmUpdateCommon::LogDeleteFile(std::string_view Filename) {
    AddToLog(messages::DeletedLine(Filename));
    if (!platform::DeleteFile(Filename))
        platform::RaiseLastError();
}

} // namespace update

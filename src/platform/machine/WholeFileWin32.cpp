// A whole-file write with Windows means: the new text beside the file, flushed to disk, then
// moved over it with MoveFileExW (replace, write-through).
#include "platform/machine/TemporaryNames.h"
#include "platform/machine/WholeFile.h"
#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"

#include <string>
#include <system_error>

namespace platform {

namespace {

[[noreturn]] void Raise(const std::filesystem::path& file, DWORD code) {
    throw std::system_error(static_cast<int>(code), std::system_category(), "cannot write " + win32::PathToUtf8(file));
}

// The temporary: deleted unless it was moved into place.
class TemporaryText {
public:
    explicit TemporaryText(const std::filesystem::path& file) {
        for (int attempt = 0; attempt < 16 && FHandle == INVALID_HANDLE_VALUE; ++attempt) {
            FPath = file.parent_path() / win32::PathFromUtf8(TemporaryNameFor(win32::PathToUtf8(file.filename())));
            FHandle =
                ::CreateFileW(FPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (FHandle == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS)
                break;
        }
    }
    ~TemporaryText() {
        Close();
        if (!FKept && !FPath.empty())
            ::DeleteFileW(FPath.c_str());
    }
    TemporaryText(const TemporaryText&) = delete;
    TemporaryText& operator=(const TemporaryText&) = delete;

    bool IsOpen() const { return FHandle != INVALID_HANDLE_VALUE; }
    bool WriteAndFlush(std::string_view text) {
        for (std::size_t done = 0; done < text.size();) {
            const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 30));
            DWORD written = 0;
            if (!::WriteFile(FHandle, text.data() + done, piece, &written, nullptr))
                return false;
            done += written;
        }
        const bool flushed = ::FlushFileBuffers(FHandle) != 0;
        const DWORD code = ::GetLastError();
        Close();
        ::SetLastError(code);
        return flushed;
    }
    bool MoveOver(const std::filesystem::path& file) {
        if (!::MoveFileExW(FPath.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return false;
        FKept = true;
        return true;
    }

private:
    void Close() {
        if (FHandle != INVALID_HANDLE_VALUE)
            ::CloseHandle(FHandle);
        FHandle = INVALID_HANDLE_VALUE;
    }

    std::filesystem::path FPath;
    HANDLE FHandle = INVALID_HANDLE_VALUE;
    bool FKept = false;
};

} // namespace

void WriteWholeFile(const std::filesystem::path& file, std::string_view text) {
    RemoveLeftovers(file.parent_path());
    TemporaryText temporary(file);
    if (!temporary.IsOpen())
        Raise(file, ::GetLastError());
    if (!temporary.WriteAndFlush(text) || !temporary.MoveOver(file))
        Raise(file, ::GetLastError());
}

} // namespace platform

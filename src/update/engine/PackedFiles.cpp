// The packed files of the update package: reading, streaming, extraction with the packed date.

#include "environment/InstallTools2.h"
#include "platform/errors/SystemError.h"
#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"
#include "platform/machine/Machine.h"
#include "ui/ProgressTask.h"
#include "update/engine/EngineMessages.h"
#include "update/engine/TdmUpdateCommon.h"
#include "update/engine/TextLines.h"
#include "update/richtext/RichTextControl.h"

#include <exception>
#include <optional>
#include <streambuf>

namespace update {

namespace {

// An unbuffered stream over an open file: every piece the inflater hands over goes straight to the
// file, so memory stays flat whatever its size. Remembers the code of the first failed write.
class FileOutputBuffer : public std::streambuf {
public:
    explicit FileOutputBuffer(platform::FileHandle& file)
        : FFile(file) {}
    const std::optional<platform::ErrorCode>& Failure() const { return FFailure; }

protected:
    std::streamsize xsputn(const char* data, std::streamsize count) override {
        if (FFailure)
            return 0;
        if (!FFile.Write(data, static_cast<std::size_t>(count))) {
            FFailure = platform::GetLastError();
            return 0;
        }
        return count;
    }
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        const char byte = traits_type::to_char_type(c);
        return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
    }

private:
    platform::FileHandle& FFile;
    std::optional<platform::ErrorCode> FFailure;
};

} // namespace

std::optional<PackedResource> TdmUpdateCommon::ReadPackedResource(std::string_view ResName) const {
    const package::PackedEntry* entry = FindPacked(ResName);
    if (entry == nullptr)
        return std::nullopt;
    return PackedResource{FPackage->ReadAll(*entry, kMaxInMemoryResource), entry->header.lastWrite.Ticks()};
}

bool TdmUpdateCommon::LoadPackedResourceToStream(std::string_view ResName, std::ostream& Stream) const {
    const package::PackedEntry* entry = FindPacked(ResName);
    if (entry == nullptr)
        return false;
    FPackage->ExtractTo(*entry, Stream);
    return true;
}

std::string TdmUpdateCommon::ExtractPackedResource(std::string_view ResName, std::string_view DestPath) const {
    const package::PackedEntry* entry = FindPacked(ResName);
    if (entry == nullptr)
        return {};
    std::string result(DestPath);
    platform::FileHandle file =
        platform::CreateFile(DestPath, platform::kGenericWrite, 0, platform::CreationDisposition::CreateAlways);
    if (!file)
        throw Exception(messages::CannotCreateFile(DestPath, platform::GetLastError()));

    std::exception_ptr failure;
    {
        FileOutputBuffer buffer(file);
        std::ostream out(&buffer);
        try {
            // A large file shows its progress: the window's bar, or lines with --progress.
            std::optional<ui::ProgressTask> progress;
            if (static_cast<std::uint64_t>(entry->header.size) >= kProgressFromSize)
                progress.emplace("Extraction de " + entry->name, static_cast<std::uint64_t>(entry->header.size));
            FPackage->ExtractTo(*entry, out, [&](std::uint64_t done, std::uint64_t) {
                if (progress)
                    progress->Advance(done);
            });
        } catch (...) {
            // The file's own write error says more than the stream's.
            failure = buffer.Failure() ? std::make_exception_ptr(platform::SystemError(*buffer.Failure()))
                                       : std::current_exception();
        }
    }
    file.Close();
    // The file carries the packed date even when writing failed: the version comparison reads it.
    try {
        SetFileLastWriteTime(result, entry->header.lastWrite.Ticks());
    } catch (const std::exception&) {
        if (!failure)
            throw;
        // otherwise the write error, which came first, is the one to report
    }
    if (failure)
        std::rethrow_exception(failure);
    return result;
}

bool TdmUpdateCommon::SetFileLastWriteTime(std::string_view FileName, platform::FileTime FileTime) {
    const std::uint32_t attributes = platform::GetFileAttributes(FileName);
    if (attributes == platform::kInvalidFileAttributes || (attributes & platform::kFileAttributeDirectory) != 0)
        return false;
    platform::FileHandle file = platform::CreateFile(FileName, platform::kGenericRead | platform::kGenericWrite, 0,
                                                     platform::CreationDisposition::OpenExisting);
    if (!file)
        throw EInOutError(FileName, platform::GetLastError());
    return file.SetLastWriteTime(FileTime);
}

void TdmUpdateCommon::LoadRichTextFromStream(RichTextControl& RichEdit, std::string_view Stream) {
    LoadRichText(RichEdit, Stream);
}

int TdmUpdateCommon::LoadResourceFileList(std::string_view ResFileName, std::vector<std::string>& DestList) const {
    DestList.clear();
    const std::optional<PackedResource> resource = ReadPackedResource(ResFileName);
    if (!resource)
        return 0;
    DestList = ReadTextLines(resource->content, platform::Machine::Current().Settings().ansiCodePage);
    return static_cast<int>(DestList.size());
}

int TdmUpdateCommon::LoadResourceFileToRich(std::string_view ResFileName, RichTextControl& DestEdit) const {
    DestEdit.Clear();
    const std::optional<PackedResource> resource = ReadPackedResource(ResFileName);
    if (!resource)
        return 0;
    LoadRichTextFromStream(DestEdit, resource->content);
    return DestEdit.LineCount();
}

} // namespace update

#pragma once

// A file written as a whole: readers, and writers at the same moment, see either the previous
// content or the new one, never a part of it, and a crash or a power cut leaves one of the two on
// the disk. This is the one way the system writes a whole file: every other writer (the copies of
// the file layer, the report, the hives, the settings) goes through WholeFileWriter.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace platform {

// The new content of the entry `name` of an open folder, under a temporary name beside it
// (TemporaryNames.h, the name the leftover clean-up knows), created only for this process's user.
// Publish() makes it durable and renames it over `name`; until then, and when it fails, the
// temporary is removed by the destructor and `name` is untouched. Each step gives 0 or the errno
// of its failure.
class WholeFileWriter {
public:
    WholeFileWriter(int folder, std::string name);
    ~WholeFileWriter();
    WholeFileWriter(const WholeFileWriter&) = delete;
    WholeFileWriter& operator=(const WholeFileWriter&) = delete;

    // 0 when the temporary is open, the errno of its creation otherwise.
    int OpenError() const { return FOpenError; }
    // The temporary, for a writer that sets times or copies from a descriptor; -1 after Publish().
    int Descriptor() const { return FDescriptor; }

    int Write(std::string_view bytes);

    // Gives the new file `mode` (the mode of the file it replaces when none is given, 0644 under
    // the umask for a new one), writes it to disk and closes it, without putting it in place yet.
    int Complete(std::optional<mode_t> mode = std::nullopt);
    // Completes it when that is not done, renames it over the name and syncs the folder.
    int Publish(std::optional<mode_t> mode = std::nullopt);

private:
    int FFolder;
    std::string FName;
    std::string FTemporary;
    std::optional<mode_t> FReplacedMode;
    int FDescriptor = -1;
    int FOpenError = 0;
    bool FCompleted = false;
    bool FPublished = false;
};

// Writes `text` as the whole content of the host file `file` through WholeFileWriter. The
// temporaries that killed writers left in the folder are removed first. Throws std::system_error
// naming `file` when it cannot be written; `file` is then untouched and no temporary stays.
void WriteWholeFile(const std::filesystem::path& file, std::string_view text);

} // namespace platform

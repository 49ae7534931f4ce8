#pragma once

// TdmUpdateCommon: the update engine. One façade over the packed files of the update package, the
// installation report, the temporary files and the replacement of installed files. Each family of
// operations lives in its own file: PackedFiles.cpp, Report.cpp, TempFiles.cpp, FileReplacement.cpp,
// ProductLocation.cpp, MainProducts.cpp, OtherProducts.cpp, FolderProducts.cpp, PrintListFiles.cpp.
//
// Every path handed to the engine is a Windows path of the current machine (platform::Machine).

#include "environment/InstallTools2.h"
#include "environment/RegAccess.h"
#include "platform/files/FileTime.h"
#include "update/engine/UpdateResult.h"
#include "update/journal/ProductRollback.h"
#include "update/package/PackageReader.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

class TdmDBConnection;
class TdmStructurePrinting;

namespace update {

class RichTextControl;
class CompanyPrintListDatabase;

// The company databases that receive print lists: the connection to one company's database and
// its print parameter store. The database layer supplies it (SetPrintListDatabase); without one no
// company database can be reached.
class PrintListDatabase {
public:
    virtual ~PrintListDatabase() = default;
    // Connects to the company's database of the product `type` ("Default" for the unnamed one),
    // always from a closed connection; true when connected.
    virtual bool Connect(Tquar_AppNameType type, std::string_view company) = 0;
    // True when there was a connection to close.
    virtual bool Disconnect() = 0;
    // The one transaction of a company's lists: every list stored between the start and the
    // commit is kept together or not at all. A commit that fails has undone the work and raises.
    virtual void StartTransaction() = 0;
    virtual void Commit() = 0;
    // Undoes the work since the start; never raises.
    virtual void Rollback() noexcept = 0;
    virtual bool FindPrintParams(std::string_view key) = 0;
    virtual void UpdatePrintParams(std::string_view key, const std::vector<std::string>& lines) = 0;
    // Inserts the list; gives its description, read from its header lines.
    virtual std::string AppendPrintParams(const std::vector<std::string>& lines) = 0;
};

// The content and date of one packed file, read into memory.
struct PackedResource {
    std::string content;
    platform::FileTime fileTime = 0; // last-write time of the file when it was packed
};

class TdmUpdateCommon {
public:
    using Package = std::shared_ptr<const package::PackageReader>;
    // Draws a pseudo-random integer in [0, range).
    using RandomSource = std::function<std::uint32_t(std::uint32_t range)>;

    // Over the package carried by the running program (see OpenProgramPackage).
    TdmUpdateCommon();
    // Over a given package (a bare package file, `--package FILE`, tests); nullptr: an empty package.
    explicit TdmUpdateCommon(Package package);
    // Deletes the "Update*.tmp" temporaries of this run and of runs that ended (ClearTempPath).
    ~TdmUpdateCommon();
    TdmUpdateCommon(const TdmUpdateCommon&) = delete;
    TdmUpdateCommon& operator=(const TdmUpdateCommon&) = delete;

    // The package of the running program's own executable; an executable without one gives an empty
    // package. Throws package::PackageError for a damaged package.
    static Package OpenProgramPackage();
    const Package& PackageSource() const { return FPackage; }

    // --- Packed files (PackedFiles.cpp) ---

    // The content of a packed file found by name without regard to case; nothing when the package
    // lacks it. Meant for the small text files of a package: a file larger than
    // kMaxInMemoryResource is refused with package::PackageError.
    std::optional<PackedResource> ReadPackedResource(std::string_view ResName) const;
    // Writes the content at the stream's position, in pieces; false when the package lacks the file.
    bool LoadPackedResourceToStream(std::string_view ResName, std::ostream& Stream) const;
    // Streams the content to a file created at `DestPath` (replacing any file there) and stamps it
    // with the packed last-write time, also when writing failed. Gives `DestPath`, or empty text
    // when the package lacks the file. Throws Exception naming the file when it cannot be created,
    // platform::SystemError when a write fails.
    std::string ExtractPackedResource(std::string_view ResName, std::string_view DestPath) const;
    // False when the file does not exist; an existing file that cannot be opened for reading and
    // writing throws EInOutError.
    static bool SetFileLastWriteTime(std::string_view FileName, platform::FileTime FileTime);
    // Replaces the control's content by the RTF (or plain text) in `Stream`.
    static void LoadRichTextFromStream(RichTextControl& RichEdit, std::string_view Stream);
    // Fills `DestList` with the lines of a packed text file (byte-order mark, or the machine's ANSI
    // code page; CR LF, CR or LF); gives the number of lines, 0 when the package lacks the file.
    int LoadResourceFileList(std::string_view ResFileName, std::vector<std::string>& DestList) const;
    // Fills the control from a packed RTF file; gives the number of lines it then holds, 0 when the
    // package lacks the file (the control is cleared either way).
    int LoadResourceFileToRich(std::string_view ResFileName, RichTextControl& DestEdit) const;

    static constexpr std::uint64_t kMaxInMemoryResource = 32ull << 20;
    // Files from this size on are extracted and copied with a progress bar; smaller ones take no
    // time worth showing.
    static constexpr std::uint64_t kProgressFromSize = 4ull << 20;

    // --- Temporary files (TempFiles.cpp) ---

    // Temporary folder + FileName + a number from 0 to 9 999 999 + ".quarnel-new." + this process's
    // id + ".tmp" (platform::TemporaryFileName), created empty for this run alone. A name where
    // something already is (a file, a link, a folder) is left as it is and another number drawn;
    // throws Exception "Impossible de créer le fichier ..." with the system's reason when the file
    // cannot be created (80 when every number drawn was taken).
    std::string BuildTempFilename(std::string_view FileName);
    // Deletes the temporary files matching `FileMask` (wildcards * and ?) in the temporary folder
    // that this run made or that runs which ended left, read-only ones too. Those of a run at work,
    // names of any other form, links and folders stay; so does a file in use, silently. False only
    // when the temporary folder could not be determined.
    bool ClearTempPath(std::string_view FileMask);
    // The generator of BuildTempFilename; by default one seeded once when the engine is created.
    void SetRandomSource(RandomSource source);

    // --- Installation report (Report.cpp) ---

    // The report control; nullptr: logging does nothing.
    void InitLog(RichTextControl* LogRichEdit);
    RichTextControl* Log() const { return mLog; }
    // Appends one line; `FontSize` in points (0 keeps), `FontName` (empty keeps) continue for the
    // lines appended later.
    void AddToLog(std::string_view LogStr, int FontSize = 0, std::string_view FontName = {});
    // Copies over `DestFile` (a read-only one included; its attributes end normal), logging the copy
    // when `LogFlag` is set. The copy is written beside the target and renamed over it, so a failed
    // copy leaves the old file whole. Throws Exception "Source: ...\r\nTarget: ...\r\n\r\nError: ...".
    void LogCopyFile(std::string_view SourceFile, std::string_view DestFile, bool LogFlag);
    void LogSameFile(std::string_view DestFile);
    void LogNotReplacedFile(std::string_view DestFile);
    // Logs "Fichier %s est supprimé." first, then deletes; throws platform::SystemError on failure.
    void LogDeleteFile(std::string_view Filename);

    // --- File replacement (FileReplacement.cpp) ---

    // Decides by version (or date) whether the unpacked `SourceFile` replaces the installed
    // `DestFile`, asks the user when the installed one is not older, logs and copies (unless
    // `SimulateFlag`). urtOk, urtNot (declined) or urtKo (the copy failed).
    TUpdateResultType ReplaceFile(std::string_view SourceFile, std::string_view DestFile, bool CheckIfExists,
                                  bool SimulateFlag);
    // Copies every file of mNamesList from the package into `Folder`; false when any copy failed
    // (a file the package lacks, a name that would leave the folder, a failed copy), the others
    // being copied all the same. A refused name is named in the report with the reason.
    bool CopyFileList(std::string_view Folder, bool LogFlag);

    // --- Product location (ProductLocation.cpp) ---

    // The folder `name` (one path element) on the fixed and network drives, without trailing
    // backslash; asks through the folder browser when it is on none or on several. Empty text when
    // it is on none and the user cancels.
    std::string LocateFolder(std::string_view name);
    // The program at `expectedPath`, or one the user picks after the "pas trouvé" message; empty
    // text when the user cancels.
    std::string AskForProgramFile(std::string_view expectedPath);
    // The window that owns the folder browser (0: the desktop).
    void SetMainWindow(ui::WindowId window) { FMainWindow = window; }

    // --- Main products (MainProducts.cpp) ---

    // Veltrane (type 1) or Veltrane Ingenieur (type 2), by AppNameType.
    TUpdateResultType UpdateVeltrane();
    TUpdateResultType UpdateTessaro();

    // --- Other products (OtherProducts.cpp, FolderProducts.cpp) ---

    TUpdateResultType UpdateMarlisk();
    TUpdateResultType UpdateCorvath();
    TUpdateResultType UpdateCommon();
    TUpdateResultType UpdateCommonPDF();
    TUpdateResultType UpdateNVX();
    TUpdateResultType UpdateOrbel();
    // Suvana (8) or Quarnel Finance (9).
    TUpdateResultType UpdateSuvanaFinance(Tquar_AppNameType AppType);
    TUpdateResultType UpdateOndrak();

    // --- A product as a whole (WholeProduct.cpp) ---

    // Runs a product's update procedure so that its files change all together or not at all:
    // each file it writes is recorded in the run journal, its previous content kept beside it,
    // before it is written. urtOk, urtWarning and urtNot keep the new files; urtKo or an exception
    // puts every file back as it was, with a report line saying so, and the exception goes on.
    TUpdateResultType UpdateWholeProduct(std::string_view product, const std::function<TUpdateResultType()>& procedure);
    // Called before a file of the product being updated is written; nothing outside
    // UpdateWholeProduct. Throws when the file's previous content cannot be kept: the write must
    // not be made. The file is then told as a step of the product's work ("fichier N sur M").
    void BeforeWritingProductFile(std::string_view target, TargetWrite write);
    // Called once that file is written whole: the journal records what the write left there.
    void AfterWritingProductFile();
    // The installed file whose version the report gives before and after the product's update,
    // named by the procedure once it has found it; the first one named within a product counts.
    void NoteMainFile(std::string_view installedFile);
    // How many files the next product is expected to write (what the steps count up to); 0: not known.
    void SetProductFileCount(std::size_t count) { FProductFileCount = count; }

    // --- Print lists (PrintListFiles.cpp) ---

    // urtOk, or urtWarning when a company's lists could not be installed; any failure while
    // installing raises "Cannot import resource files". `DestPath`: the folder of file-based lists.
    TUpdateResultType InstallPrintLists(std::string_view DestPath);
    bool InstallAllPrintLists(std::string_view DestPath);
    bool InstallCompanyPrintLists(std::string_view CompanyName);
    void InstallPrintList(std::string_view FileName, std::string_view Stream);
    // The database layer's connection and print store; nullptr: no company database is reachable.
    void SetPrintListDatabase(PrintListDatabase* database) { FPrintListDatabase = database; }
    std::vector<std::string> mCompanies; // the company register; empty: the one unnamed company

    // The connection module and the print parameter store over it (CompanyDatabases.cpp), through
    // which the company databases are reached unless SetPrintListDatabase put another in place.
    std::unique_ptr<TdmDBConnection> mDbConnection;
    std::unique_ptr<TdmStructurePrinting> mStructurePrinting;
    TdmDBConnection& DbConnection() const { return *mDbConnection; }

    Tquar_AppNameType AppNameType() const { return FAppNameType; }
    void SetAppNameType(Tquar_AppNameType value) { FAppNameType = value; }

    std::unique_ptr<TWindowsInstaller> mInstaller;
    std::vector<std::string> mPrintNames; // from "PrintLists.txt"
    std::vector<std::string> mNamesList;  // from "FileNames.txt"

private:
    void DataModuleCreate();
    void DataModuleDestroy() noexcept;
    const package::PackedEntry* FindPacked(std::string_view name) const;
    // Unpacks a product's main file to a temporary file; raises "Cannot find " + name when the
    // package lacks it.
    std::string UnpackMainFile(std::string_view name);
    // Writes "Une erreur s'est produite lors de la mise à jour du " + file + CR LF + the message.
    TUpdateResultType ReportProcedureError(std::string_view handledFile, const std::exception& error);
    // Rolls the product back and writes what came of it; never throws.
    void RollBackProduct(ProductRollback& product) noexcept;
    // Writes the noted main file's version before and after the product's update, once.
    void ReportMainFileVersions();

    Package FPackage;
    RichTextControl* mLog = nullptr;
    RandomSource FRandom;
    Tquar_AppNameType FAppNameType = antUnknown;
    ui::WindowId FMainWindow = 0;
    PrintListDatabase* FPrintListDatabase = nullptr;
    std::unique_ptr<CompanyPrintListDatabase> FCompanyDatabases;
    std::unique_ptr<RunJournal> FJournal; // made by the first product that writes a file
    ProductRollback* FProduct = nullptr;  // the product being updated
    struct MainFileVersion {
        std::string file;
        std::string before;
    };
    std::optional<MainFileVersion> FMainFile; // of the product being updated, once its procedure found it
    std::size_t FProductFileCount = 0;        // the files the product is expected to write
    std::size_t FProductFilesWritten = 0;
};

// Whether a name read from a list file ("FileNames.txt", "PrintLists.txt") stays inside the folder it
// is written to: relative, no drive, no "." or ".." element.
bool StaysInsideFolder(std::string_view name);
// Why such a name is refused; nothing when it stays inside.
std::optional<std::string> LeavesFolderBecause(std::string_view name);

} // namespace update

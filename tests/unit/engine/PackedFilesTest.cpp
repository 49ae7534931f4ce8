// Reading, streaming and extracting the packed files of a package.

#include "EngineFixture.h"
#include "platform/errors/SystemError.h"
#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"
#include "update/engine/EngineMessages.h"
#include "update/package/PackageError.h"

#include <sstream>
#include <sys/resource.h>

namespace enginetest {
namespace {

using update::PackedResource;

std::string Noise(std::size_t count) {
    std::string bytes(count, '\0');
    std::uint32_t state = 2463534242u;
    for (char& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state);
    }
    return bytes;
}

TEST_F(EngineTest, ReadPackedResourceGivesContentAndPackedDate) {
    MakeEngine({{"Updates.txt", "VTPOrbel\r\n", kPackedTime}});
    const std::optional<PackedResource> resource = Engine().ReadPackedResource("Updates.txt");
    ASSERT_TRUE(resource.has_value());
    EXPECT_EQ(resource->content, "VTPOrbel\r\n");
    EXPECT_EQ(resource->fileTime, kPackedTime);
}

TEST_F(EngineTest, PackedNamesAreFoundWithoutRegardToCase) {
    MakeEngine({{"UPDATES.TXT", "a"}, {"zvk\\SA-00.int", "b"}});
    for (const char* name : {"updates.txt", "Updates.Txt", "UPDATES.TXT"}) {
        SCOPED_TRACE(name);
        const auto resource = Engine().ReadPackedResource(name);
        ASSERT_TRUE(resource.has_value());
        EXPECT_EQ(resource->content, "a");
    }
    ASSERT_TRUE(Engine().ReadPackedResource("ZVK\\sa-00.INT").has_value());
    EXPECT_EQ(Engine().ReadPackedResource("ZVK\\sa-00.INT")->content, "b");
}

TEST_F(EngineTest, MissingPackedFileIsNoError) {
    MakeEngine({{"Updates.txt", "a"}});
    EXPECT_FALSE(Engine().ReadPackedResource("Steps.txt").has_value());

    std::ostringstream stream("kept", std::ios::ate);
    EXPECT_FALSE(Engine().LoadPackedResourceToStream("Steps.txt", stream));
    EXPECT_EQ(stream.str(), "kept");

    const std::string destination = TempPath() + "Update1.tmp";
    EXPECT_EQ(Engine().ExtractPackedResource("Steps.txt", destination), "");
    EXPECT_FALSE(Exists(destination));
}

TEST_F(EngineTest, EngineOverAPackageLessProgramFindsNothing) {
    // The test program carries no package: an empty package, not an error.
    update::TdmUpdateCommon engine;
    EXPECT_FALSE(engine.ReadPackedResource("Updates.txt").has_value());
    std::vector<std::string> lines{"stale"};
    EXPECT_EQ(engine.LoadResourceFileList("Updates.txt", lines), 0);
    EXPECT_TRUE(lines.empty());
}

TEST_F(EngineTest, DamagedPackageIsRefusedBeforeAnythingChanges) {
    const std::string leftover = TempPath() + "Update1.tmp";
    WriteFile(leftover, "left by an earlier run");
    MakePackage({{"Updates.txt", "Orbel\r\n"}});
    const std::filesystem::path file = Root() / "package1.qpk";
    {
        std::fstream bytes(file, std::ios::binary | std::ios::in | std::ios::out);
        bytes.seekg(12); // inside the first packed stream
        const char byte = static_cast<char>(bytes.get() ^ 0x10);
        bytes.seekp(12);
        bytes.put(byte);
    }
    EXPECT_THROW(update::TdmUpdateCommon(std::make_shared<const update::package::PackageReader>(file, 1)),
                 update::package::PackageError);
    EXPECT_EQ(ReadFile(leftover), "left by an earlier run");
}

TEST_F(EngineTest, StreamReceivesContentAtItsPosition) {
    MakeEngine({{"AppInfo1.txt", "Titre"}});
    std::ostringstream stream("Avant:", std::ios::ate);
    ASSERT_TRUE(Engine().LoadPackedResourceToStream("appinfo1.txt", stream));
    EXPECT_EQ(stream.str(), "Avant:Titre");
}

struct ExtractionCase {
    const char* label;
    std::string content;
    platform::FileTime lastWrite;
};

class ExtractionTest : public EngineTest, public ::testing::WithParamInterface<ExtractionCase> {};

TEST_P(ExtractionTest, WritesContentDatedWithPackedTime) {
    const ExtractionCase& row = GetParam();
    MakeEngine({{"VTPOrbel.exe", row.content, row.lastWrite}});
    const std::string destination = TempPath() + "Update4711.tmp";
    ASSERT_EQ(Engine().ExtractPackedResource("vtporbel.exe", destination), destination);
    EXPECT_EQ(ReadFile(destination), row.content);
    EXPECT_EQ(platform::GetFileLastWriteTime(destination), row.lastWrite);
}

INSTANTIATE_TEST_SUITE_P(Files, ExtractionTest,
                         ::testing::Values(ExtractionCase{"ZeroLength", "", kPackedTime},
                                           ExtractionCase{"Text", "MZ\r\nprogramme\r\n", kPackedTime},
                                           ExtractionCase{"SeveralChunks", Noise(300'000), 130'000'000'000'000'001ULL}),
                         [](const auto& testInfo) { return std::string(testInfo.param.label); });

// Peak resident memory of this process so far, in KiB (each test runs in a process of its own).
long PeakResidentKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST_F(EngineTest, ExtractionMemoryStaysFlat) {
    constexpr std::size_t kSize = 96u << 20;
    // The source is written and packed piece by piece, so that the peak measured below is the extraction's.
    const std::filesystem::path source = Root() / "big.bin";
    {
        std::ofstream out(source, std::ios::binary);
        const std::string piece(1 << 20, 'Q');
        for (std::size_t done = 0; done < kSize; done += piece.size())
            out << piece;
    }
    update::package::PackageWriter writer;
    writer.SetThreadCount(1);
    writer.Add("Big.bin", source, update::package::FileTime::FromTicks(kPackedTime));
    writer.Write(Root() / "big.qpk");
    std::filesystem::remove(source);
    update::TdmUpdateCommon engine(std::make_shared<const update::package::PackageReader>(Root() / "big.qpk", 1));

    const long before = PeakResidentKiB();
    const std::string destination = TempPath() + "Update8.tmp";
    ASSERT_EQ(engine.ExtractPackedResource("Big.bin", destination), destination);
    const long growth = PeakResidentKiB() - before;

    EXPECT_EQ(std::filesystem::file_size(Host(destination)), kSize);
    EXPECT_EQ(platform::GetFileLastWriteTime(destination), kPackedTime);
    EXPECT_LT(growth, 16 * 1024) << "KiB more at the peak while extracting a 96 MiB file";
}

TEST_F(EngineTest, ExtractionReplacesALongerExistingFile) {
    MakeEngine({{"Short.txt", "new"}});
    const std::string destination = TempPath() + "Update1.tmp";
    WriteFile(destination, "an older and much longer content");
    ASSERT_EQ(Engine().ExtractPackedResource("Short.txt", destination), destination);
    EXPECT_EQ(ReadFile(destination), "new");
}

TEST_F(EngineTest, DestinationThatCannotBeCreatedIsNamedAndNotDated) {
    MakeEngine({{"A.txt", "new"}});
    const std::string readOnly = TempPath() + "Update2.tmp";
    WriteFile(readOnly, "old");
    ASSERT_TRUE(platform::SetFileAttributes(readOnly, platform::kFileAttributeReadOnly));
    const auto before = platform::GetFileLastWriteTime(readOnly);
    try {
        Engine().ExtractPackedResource("A.txt", readOnly);
        FAIL() << "a read-only destination was written";
    } catch (const Exception& error) {
        EXPECT_EQ(error.what(), update::messages::CannotCreateFile(readOnly, platform::kErrorAccessDenied));
        EXPECT_NE(std::string(error.what()).find(readOnly), std::string::npos);
    }
    EXPECT_EQ(ReadFile(readOnly), "old");
    EXPECT_EQ(platform::GetFileLastWriteTime(readOnly), before);

    const std::string noFolder = "C:\\Missing\\Update3.tmp";
    EXPECT_THROW(Engine().ExtractPackedResource("A.txt", noFolder), Exception);
    EXPECT_FALSE(Exists(noFolder));
}

TEST_F(EngineTest, FailedWriteStillStampsThePackedDate) {
    MakeEngine({{"Big.dll", Noise(200'000)}});
    // The drive reports less room than the file needs: writes fail part-way with "disk full".
    platform::Machine machine = platform::Machine::Current();
    machine.MutableSettings().drives.front().reportedFreeSpace = 70'000;
    platform::Machine::SetCurrent(machine);

    const std::string destination = TempPath() + "Update5.tmp";
    try {
        Engine().ExtractPackedResource("Big.dll", destination);
        FAIL() << "the write cannot succeed";
    } catch (const platform::SystemError& error) {
        EXPECT_EQ(error.Code(), platform::kErrorDiskFull);
    }
    ASSERT_TRUE(Exists(destination));
    EXPECT_LT(ReadFile(destination).size(), 200'000u);
    EXPECT_EQ(platform::GetFileLastWriteTime(destination), kPackedTime);
}

TEST_F(EngineTest, SetFileLastWriteTimeOnFilesOnly) {
    MakeEngine();
    const std::string file = "C:\\Data\\a.txt";
    WriteFile(file, "a");
    EXPECT_TRUE(update::TdmUpdateCommon::SetFileLastWriteTime(file, kPackedTime));
    EXPECT_EQ(platform::GetFileLastWriteTime(file), kPackedTime);
    EXPECT_FALSE(update::TdmUpdateCommon::SetFileLastWriteTime("C:\\Data\\missing.txt", kPackedTime));
    EXPECT_FALSE(update::TdmUpdateCommon::SetFileLastWriteTime("C:\\Data", kPackedTime));
}

TEST_F(EngineTest, SetFileLastWriteTimeOnAFileInUseIsAnInputOutputError) {
    MakeEngine();
    const std::string file = "C:\\Data\\held.txt";
    WriteFile(file, "a");
    const auto before = platform::GetFileLastWriteTime(file);
    platform::FileHandle holder =
        platform::CreateFile(file, platform::kGenericRead, 0, platform::CreationDisposition::OpenExisting);
    ASSERT_TRUE(holder.IsValid());
    try {
        update::TdmUpdateCommon::SetFileLastWriteTime(file, kPackedTime);
        FAIL() << "a file held without sharing was opened";
    } catch (const update::EInOutError& error) {
        EXPECT_EQ(error.Code(), platform::kErrorSharingViolation);
        EXPECT_TRUE(std::string(error.what()).starts_with("Erreur E/S 32"));
    }
    EXPECT_EQ(platform::GetFileLastWriteTime(file), before);
}

struct TextCase {
    const char* label;
    std::string bytes;
    std::vector<std::string> lines;
};

class TextListTest : public EngineTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(TextListTest, DecodesAndSplitsLines) {
    const TextCase& row = GetParam();
    MakeEngine({{"Updates.txt", row.bytes}});
    std::vector<std::string> lines{"left over from before"};
    EXPECT_EQ(Engine().LoadResourceFileList("updates.txt", lines), static_cast<int>(row.lines.size()));
    EXPECT_EQ(lines, row.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, TextListTest,
    ::testing::Values(TextCase{"Utf8Bom", "\xEF\xBB\xBFVeltrane\r\nOrbel\r\n", {"Veltrane", "Orbel"}},
                      TextCase{"Utf8BomAccents",
                               "\xEF\xBB\xBF"
                               "Soci\xC3\xA9t\xC3\xA9",
                               {"Société"}},
                      TextCase{"Cp1252E9", "Soci\xE9t\xE9\r\n", {"Société"}},
                      TextCase{"Cp1252Euro", "\x80 et \x9C", {"€ et œ"}},
                      TextCase{"Utf16LittleEndian",
                               std::string("\xFF\xFE"
                                           "A\0\xE9\0\r\0\n\0B\0",
                                           12),
                               {"Aé", "B"}},
                      TextCase{"Utf16BigEndian", std::string("\xFE\xFF\0A\0\xE9\0\n\0B", 10), {"Aé", "B"}},
                      TextCase{"Utf16OddLastByteDropped",
                               std::string("\xFF\xFE"
                                           "A\0B",
                                           5),
                               {"A"}},
                      TextCase{"BrokenUtf8AfterBom",
                               "\xEF\xBB\xBF"
                               "a\xFF"
                               "b",
                               {"a\xEF\xBF\xBD"
                                "b"}},
                      TextCase{"LineFeeds", "a\nb\nc", {"a", "b", "c"}},
                      TextCase{"CarriageReturns", "a\rb\rc\r", {"a", "b", "c"}},
                      TextCase{"MixedBreaks", "a\r\nb\rc\nd", {"a", "b", "c", "d"}},
                      TextCase{"FinalBreakMakesNoLine", "a\r\n", {"a"}},
                      TextCase{"EmptyLinesKept", "a\r\n\r\nb\n\n", {"a", "", "b", ""}},
                      TextCase{"CrLfIsOneBreak", "a\r\n\nb", {"a", "", "b"}}, TextCase{"OnlyABreak", "\r\n", {""}},
                      TextCase{"Empty", "", {}}, TextCase{"BomOnly", "\xEF\xBB\xBF", {}}),
    [](const auto& testInfo) { return std::string(testInfo.param.label); });

TEST_F(EngineTest, MissingTextFileClearsTheList) {
    MakeEngine({{"Updates.txt", "a"}});
    std::vector<std::string> lines{"stale"};
    EXPECT_EQ(Engine().LoadResourceFileList("FileNames.txt", lines), 0);
    EXPECT_TRUE(lines.empty());
}

TEST_F(EngineTest, RichTextFileFillsTheControl) {
    MakeEngine(
        {{"UpdateInfo.txt", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Premi\\'e8re\\par {\\b Deux}\\par}"}});
    update::ModelRichTextControl changes;
    changes.SetText("old content");
    EXPECT_EQ(Engine().LoadResourceFileToRich("updateinfo.txt", changes), 2);
    EXPECT_EQ(changes.PlainText(), "Première\r\nDeux");
    ASSERT_EQ(changes.Document().Paragraphs().size(), 2u);
    EXPECT_TRUE(changes.Document().Paragraphs()[1].runs.front().format.bold);

    EXPECT_EQ(Engine().LoadResourceFileToRich("Missing.txt", changes), 0);
    EXPECT_EQ(changes.LineCount(), 0);
}

} // namespace
} // namespace enginetest

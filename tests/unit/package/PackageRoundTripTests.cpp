#include "RawPackage.h"
#include "TestFiles.h"
#include "update/package/PackageError.h"
#include "update/package/PackageReader.h"
#include "update/package/PackageWriter.h"

#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace {

using namespace packagetest;
using update::package::FileTime;
using update::package::PackageError;
using update::package::PackageReader;
using update::package::PackageWriter;

struct SourceFile {
    std::string name;     // packed name as given to the writer
    std::string hostName; // below the source folder
    Bytes content;
    std::uint64_t ticks;
};

class PackageRoundTrip : public testing::Test {
protected:
    void SetUp() override {
        FFiles = {
            {"Updates.txt", "Updates.txt", TextBytes(200), 134413420681234567ULL},
            {"VTPOrbel.exe", "VTPOrbel.exe", NoiseBytes(300 * 1024 + 7, 1), 125911583990000005ULL},
            {"zvk\\SA-00.int", "zvk/SA-00.int", TextBytes(3 * 65536 + 11), 116444736000000001ULL},
            {"Vide.dat", "Vide.dat", {}, 130000000000000001ULL},
        };
        for (const auto& file : FFiles) {
            WriteFile(FSource / file.hostName, file.content);
        }
    }

    PackageWriter WriterOf(const std::vector<SourceFile>& files) const {
        PackageWriter writer;
        for (const auto& file : files) {
            writer.Add(file.name, FSource / file.hostName, FileTime::FromTicks(file.ticks));
        }
        return writer;
    }

    TempFolder FFolder;
    std::filesystem::path FSource = FFolder / "source";
    std::vector<SourceFile> FFiles;
};

TEST_F(PackageRoundTrip, GivesEveryFileBackByteForByteWithItsDate) {
    WriterOf(FFiles).Write(FFolder / "out.pkg");
    const PackageReader reader(FFolder / "out.pkg");
    ASSERT_EQ(reader.Entries().size(), FFiles.size());
    for (const auto& file : FFiles) {
        SCOPED_TRACE(file.name);
        const auto* entry = reader.Find(file.name);
        ASSERT_NE(entry, nullptr);
        const auto destination = FFolder / ("extracted-" + std::to_string(file.ticks));
        const auto header = reader.ExtractTo(*entry, destination);
        EXPECT_EQ(header.size, static_cast<std::int64_t>(file.content.size()));
        EXPECT_EQ(header.lastWrite.Ticks(), file.ticks);
        EXPECT_EQ(ReadFile(destination), file.content);
        struct stat info {};
        ASSERT_EQ(::stat(destination.c_str(), &info), 0);
        EXPECT_EQ(update::package::FileTimeFromUnix(info.st_mtim)->Ticks(), file.ticks);
    }
}

TEST_F(PackageRoundTrip, ZeroLengthFileExtractsEmptyWithItsStoredDate) {
    WriterOf(FFiles).Write(FFolder / "out.pkg");
    const PackageReader reader(FFolder / "out.pkg");
    const auto* entry = reader.Find("vide.dat");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->header.size, 0);
    WriteFile(FFolder / "vide", "old content to be replaced");
    reader.ExtractTo(*entry, FFolder / "vide");
    EXPECT_TRUE(ReadFile(FFolder / "vide").empty());
    struct stat info {};
    ASSERT_EQ(::stat((FFolder / "vide").c_str(), &info), 0);
    EXPECT_EQ(update::package::FileTimeFromUnix(info.st_mtim)->Ticks(), 130000000000000001ULL);
}

TEST_F(PackageRoundTrip, StoresNamesInCapitalsSortedAndFindsThemWhateverTheCase) {
    WriterOf(FFiles).Write(FFolder / "out.pkg");
    const PackageReader reader(FFolder / "out.pkg");
    std::vector<std::string> names;
    for (const auto& entry : reader.Entries()) {
        names.push_back(entry.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"UPDATES.TXT", "VIDE.DAT", "VTPORBEL.EXE", "ZVK\\SA-00.INT"}));
    for (const char* asked : {"updates.txt", "UPDATES.TXT", "UpDaTeS.tXt", "zvk\\sa-00.INT", "Zvk\\Sa-00.Int"}) {
        EXPECT_NE(reader.Find(asked), nullptr) << asked;
    }
    for (const char* asked : {"updates", "zvk/sa-00.int", "sa-00.int", "..\\updates.txt", ""}) {
        EXPECT_EQ(reader.Find(asked), nullptr) << asked;
    }
}

TEST_F(PackageRoundTrip, FindsAccentedNamesWhateverTheCase) {
    WriteFile(FSource / "été.txt", "x");
    PackageWriter writer;
    writer.Add("été.txt", FSource / "été.txt", FileTime::FromTicks(5));
    writer.Write(FFolder / "out.pkg");
    const PackageReader reader(FFolder / "out.pkg");
    ASSERT_NE(reader.Find("ÉTÉ.TXT"), nullptr);
    EXPECT_EQ(reader.Find("Été.txt"), reader.Find("été.TXT"));
}

TEST_F(PackageRoundTrip, EveryStreamIsZlibAtBestCompression) {
    WriterOf(FFiles).Write(FFolder / "out.pkg");
    const Bytes bytes = ReadFile(FFolder / "out.pkg");
    const PackageReader reader(FFolder / "out.pkg");
    for (const auto& entry : reader.Entries()) {
        EXPECT_EQ(bytes.at(entry.offset), 0x78) << entry.name;
        EXPECT_EQ(bytes.at(entry.offset + 1), 0xDA) << entry.name;
    }
}

TEST_F(PackageRoundTrip, SameFilesGiveTheSameBytesWhateverTheOrderAndThreads) {
    auto first = WriterOf(FFiles);
    first.SetThreadCount(1);
    first.Write(FFolder / "one.pkg");
    std::vector<SourceFile> reversed(FFiles.rbegin(), FFiles.rend());
    auto second = WriterOf(reversed);
    second.SetThreadCount(4);
    second.Write(FFolder / "four.pkg");
    EXPECT_EQ(ReadFile(FFolder / "one.pkg"), ReadFile(FFolder / "four.pkg"));
}

TEST_F(PackageRoundTrip, ReadAllAndStreamExtractionGiveTheContent) {
    WriterOf(FFiles).Write(FFolder / "out.pkg");
    const PackageReader reader(FFolder / "out.pkg");
    const auto* text = reader.Find("updates.txt");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(reader.ReadAll(*text), std::string(FFiles[0].content.begin(), FFiles[0].content.end()));
    EXPECT_THROW(reader.ReadAll(*text, 199), PackageError);

    std::ostringstream out;
    const auto* big = reader.Find("vtporbel.exe");
    ASSERT_NE(big, nullptr);
    reader.ExtractTo(*big, out);
    const std::string extracted = out.str();
    EXPECT_EQ(Bytes(extracted.begin(), extracted.end()), FFiles[1].content);
}

TEST_F(PackageRoundTrip, WizardComesFirstAndKeepsItsPermissions) {
    const Bytes program = NoiseBytes(5000, 7);
    WriteFile(FFolder / "wizard", program);
    std::filesystem::permissions(FFolder / "wizard", std::filesystem::perms(0755));
    WriterOf(FFiles).Write(FFolder / "packed", FFolder / "wizard");

    const Bytes packed = ReadFile(FFolder / "packed");
    ASSERT_GT(packed.size(), program.size());
    EXPECT_TRUE(std::equal(program.begin(), program.end(), packed.begin()));
    EXPECT_EQ(std::filesystem::status(FFolder / "packed").permissions(), std::filesystem::perms(0755));
    const PackageReader reader(FFolder / "packed");
    EXPECT_EQ(reader.ProgramLength(), program.size());
    EXPECT_EQ(reader.ReadAll(*reader.Find("UPDATES.TXT")),
              std::string(FFiles[0].content.begin(), FFiles[0].content.end()));
}

TEST_F(PackageRoundTrip, RepackingAPackedWizardReplacesItsPackage) {
    WriteFile(FFolder / "wizard", NoiseBytes(5000, 7));
    WriterOf(FFiles).Write(FFolder / "first", FFolder / "wizard");
    const std::vector<SourceFile> other = {FFiles[0]};
    WriterOf(other).Write(FFolder / "second", FFolder / "first");
    WriterOf(other).Write(FFolder / "direct", FFolder / "wizard");
    EXPECT_EQ(ReadFile(FFolder / "second"), ReadFile(FFolder / "direct"));
    EXPECT_EQ(PackageReader(FFolder / "second").Entries().size(), 1U);
}

TEST_F(PackageRoundTrip, PackageWithoutFilesOpensEmpty) {
    PackageWriter().Write(FFolder / "empty.pkg");
    const PackageReader reader(FFolder / "empty.pkg");
    EXPECT_TRUE(reader.Entries().empty());
    EXPECT_EQ(reader.Find("updates.txt"), nullptr);
}

TEST(BareProgram, WithoutFooterIsAnEmptyPackage) {
    TempFolder folder;
    // A real ELF program (this test itself) and a file of some other kind.
    std::filesystem::copy_file("/proc/self/exe", folder / "program");
    WriteFile(folder / "text", "Ceci n'est pas un paquet.\n");
    WriteFile(folder / "nothing", Bytes{});
    for (const char* name : {"program", "text", "nothing"}) {
        const PackageReader reader(folder / name);
        EXPECT_TRUE(reader.Entries().empty()) << name;
        EXPECT_EQ(reader.Find("UPDATES.TXT"), nullptr) << name;
        EXPECT_EQ(reader.ProgramLength(), std::filesystem::file_size(folder / name)) << name;
    }
}

TEST(PackageWriterNames, RefusesDuplicatesAndBadNames) {
    PackageWriter writer;
    writer.Add("Updates.txt", "/nonexistent", {});
    EXPECT_THROW(writer.Add("UPDATES.TXT", "/nonexistent", {}), PackageError);
    EXPECT_THROW(writer.Add("..\\Updates.txt", "/nonexistent", {}), PackageError);
    EXPECT_THROW(writer.Add("C:\\Updates.txt", "/nonexistent", {}), PackageError);
    EXPECT_EQ(writer.Count(), 1U);
}

TEST(PackageWriterFailure, LeavesNothingBehindAndKeepsAnOldOutput) {
    TempFolder folder;
    WriteFile(folder / "a.txt", "a");
    WriteFile(folder / "out.pkg", "previous output");
    PackageWriter writer;
    writer.Add("a.txt", folder / "a.txt", {});
    writer.Add("b.txt", folder / "missing.txt", {});
    try {
        writer.Write(folder / "out.pkg");
        FAIL() << "a missing source was packed";
    } catch (const PackageError& error) {
        EXPECT_NE(std::string(error.what()).find("missing.txt"), std::string::npos) << error.what();
    }
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"a.txt", "out.pkg"}));
    const Bytes old = ReadFile(folder / "out.pkg");
    EXPECT_EQ(std::string(old.begin(), old.end()), "previous output");
}

TEST(PackageWriterFailure, ReportsAnOutputThatCannotBeWritten) {
    TempFolder folder;
    WriteFile(folder / "a.txt", "a");
    PackageWriter writer;
    writer.Add("a.txt", folder / "a.txt", {});
    try {
        writer.Write(folder / "no-such-folder" / "out.pkg");
        FAIL() << "written into a missing folder";
    } catch (const PackageError& error) {
        EXPECT_NE(std::string(error.what()).find("Impossible d'écrire"), std::string::npos) << error.what();
    }
}

} // namespace

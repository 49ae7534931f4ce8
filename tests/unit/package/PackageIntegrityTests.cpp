#include "RawPackage.h"
#include "TestFiles.h"
#include "update/package/ByteSource.h"
#include "update/package/PackageError.h"
#include "update/package/PackageFormat.h"
#include "update/package/PackageReader.h"
#include "update/package/PackageWriter.h"
#include "update/package/ProgramImage.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

namespace {

using namespace packagetest;
using update::package::FileTime;
using update::package::MemorySource;
using update::package::PackageError;
using update::package::PackageReader;

constexpr std::string_view kDamaged = "Le paquet de mise à jour est endommagé : ";

// The message of the refusal, or "accepted" when the package opens.
std::string OpenFailure(const Bytes& bytes) {
    try {
        PackageReader reader(std::make_unique<MemorySource>(bytes), 1);
        return "accepted";
    } catch (const PackageError& error) {
        return error.what();
    }
}

bool IsDamagedRefusal(const std::string& message) {
    return message.starts_with(kDamaged);
}

// A small package built by the writer itself: two files, one below a sub-folder.
Bytes WrittenPackage(const Bytes& program = {}) {
    TempFolder folder;
    WriteFile(folder / "a.txt", TextBytes(700));
    WriteFile(folder / "b.bin", NoiseBytes(90, 3));
    update::package::PackageWriter writer;
    writer.Add("a.txt", folder / "a.txt", FileTime::FromTicks(1));
    writer.Add("sub\\b.bin", folder / "b.bin", FileTime::FromTicks(2));
    std::optional<std::filesystem::path> wizard;
    if (!program.empty()) {
        WriteFile(folder / "wizard", program);
        wizard = folder / "wizard";
    }
    writer.Write(folder / "out.pkg", wizard);
    return ReadFile(folder / "out.pkg");
}

TEST(PackageIntegrity, WrittenPackageOpens) {
    EXPECT_EQ(OpenFailure(WrittenPackage()), "accepted");
}

TEST(PackageIntegrity, AnyFlippedBitIsRefused) {
    const Bytes good = WrittenPackage();
    for (std::size_t i = 0; i < good.size(); ++i) {
        Bytes bad = good;
        bad[i] ^= static_cast<unsigned char>(1U << (i % 8));
        const std::string failure = OpenFailure(bad);
        EXPECT_TRUE(IsDamagedRefusal(failure)) << "byte " << i << " of " << good.size() << ": " << failure;
    }
}

TEST(PackageIntegrity, AnyTruncationIsRefused) {
    const Bytes good = WrittenPackage();
    for (std::size_t length = 1; length < good.size(); ++length) {
        const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
        const std::string failure = OpenFailure(cut);
        EXPECT_TRUE(IsDamagedRefusal(failure)) << "length " << length << ": " << failure;
    }
}

TEST(PackageIntegrity, TruncatedPackageAfterAProgramIsRefused) {
    const Bytes program = MinimalElfProgram();
    const Bytes good = WrittenPackage(program);
    ASSERT_EQ(OpenFailure(good), "accepted");
    ASSERT_EQ(OpenFailure(program), "accepted") << "the bare program carries an empty package";
    for (std::size_t length = program.size() + 1; length < good.size(); ++length) {
        const Bytes bad(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
        const std::string failure = OpenFailure(bad);
        EXPECT_TRUE(IsDamagedRefusal(failure)) << "length " << length << ": " << failure;
    }
}

TEST(PackageIntegrity, ProgramImageLengthIsFoundAndForeignTrailingBytesAreNoPackage) {
    const Bytes program = MinimalElfProgram();
    EXPECT_EQ(update::package::ElfImageLength(MemorySource(program)), program.size());
    Bytes withTrailer = program;
    withTrailer.insert(withTrailer.end(), {'s', 'i', 'g', 'n', 'a', 't', 'u', 'r', 'e'});
    EXPECT_EQ(update::package::ElfImageLength(MemorySource(withTrailer)), program.size());
    EXPECT_EQ(OpenFailure(withTrailer), "accepted");
    const Bytes notElf = TextBytes(200);
    EXPECT_EQ(update::package::ElfImageLength(MemorySource(notElf)), std::nullopt);
}

struct CraftedRow {
    const char* label;
    std::function<Bytes()> build;
    const char* messagePart;
};

class CraftedPackages : public testing::TestWithParam<CraftedRow> {};

TEST_P(CraftedPackages, AreRefusedOnOpening) {
    const std::string failure = OpenFailure(GetParam().build());
    EXPECT_TRUE(IsDamagedRefusal(failure)) << failure;
    EXPECT_NE(failure.find(GetParam().messagePart), std::string::npos) << failure;
}

const Bytes kContent = TextBytes(40);

Bytes WithStream(Bytes stream, std::string name = "A.TXT") {
    return AssemblePackage({{"A.TXT", PackedStream(40, FileTime{}, kContent)}, {std::move(name), std::move(stream)}});
}

Bytes NamedOnly(std::string name) {
    return AssemblePackage({{std::move(name), PackedStream(40, FileTime{}, kContent)}});
}

INSTANTIATE_TEST_SUITE_P(
    Table, CraftedPackages,
    testing::Values(
        CraftedRow{"ShorterThanHeader",
                   [] {
                       return WithStream(Deflate(Bytes{1, 0, 0, 0, 0, 0, 0, 0, 9, 9}), "B.TXT");
                   },
                   "plus court que son en-tête"},
        CraftedRow{"EmptyStream", [] { return WithStream(Deflate({}), "B.TXT"); }, "plus court que son en-tête"},
        CraftedRow{"NegativeSize", [] { return WithStream(PackedStream(-1, {}, kContent), "B.TXT"); }, "négative"},
        CraftedRow{"CutInsideTheHeader",
                   [] {
                       Bytes stream = PackedStream(40, {}, kContent);
                       stream.resize(3);
                       return WithStream(stream, "B.TXT");
                   },
                   "incomplet"},
        CraftedRow{"NotZlib", [] { return WithStream(TextBytes(50), "B.TXT"); }, "illisible"},
        CraftedRow{"RootedName", [] { return NamedOnly("\\WINDOWS\\A.DLL"); }, "refusé"},
        CraftedRow{"DriveName", [] { return NamedOnly("C:A.DLL"); }, "refusé"},
        CraftedRow{"ClimbingName", [] { return NamedOnly("SUB\\..\\..\\A.DLL"); }, "refusé"},
        CraftedRow{"LowerCaseName", [] { return NamedOnly("a.txt"); }, "capitales"},
        CraftedRow{"DuplicateName", [] { return WithStream(PackedStream(40, {}, kContent), "A.TXT"); }, "trié"},
        CraftedRow{"UnsortedNames", [] { return WithStream(PackedStream(40, {}, kContent), "0.TXT"); }, "trié"}),
    [](const auto& row) { return std::string(row.param.label); });

// Streams whose digest holds (a faulty packer made them so) but whose content does not: opening
// reads only their header, extraction finds the fault and publishes nothing.
class CraftedStreams : public testing::TestWithParam<CraftedRow> {};

TEST_P(CraftedStreams, AreRefusedOnExtractionWithNothingPublished) {
    TempFolder folder;
    WriteFile(folder / "package", GetParam().build());
    const PackageReader reader(folder / "package", 1);
    const auto* entry = reader.Find("B.TXT");
    ASSERT_NE(entry, nullptr);
    WriteFile(folder / "target", "earlier content");
    std::string failure = "accepted";
    try {
        reader.ExtractTo(*entry, folder / "target");
    } catch (const PackageError& error) {
        failure = error.what();
    }
    EXPECT_TRUE(IsDamagedRefusal(failure)) << failure;
    EXPECT_NE(failure.find(GetParam().messagePart), std::string::npos) << failure;
    const std::string earlier = "earlier content";
    EXPECT_EQ(ReadFile(folder / "target"), Bytes(earlier.begin(), earlier.end())) << "the target is left as it was";
    std::vector<std::string> left;
    for (const auto& item : std::filesystem::directory_iterator(folder.Path())) {
        left.push_back(item.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"package", "target"})) << "no temporary file is left behind";
    EXPECT_THROW(reader.ReadAll(*entry), PackageError);
    // The sound entry beside it reads as ever.
    EXPECT_EQ(reader.ReadAll(*reader.Find("A.TXT")), std::string(kContent.begin(), kContent.end()));
}

Bytes WithWrongAdler() {
    Bytes stream = PackedStream(40, {}, kContent);
    stream.back() ^= 0x01;
    return WithStream(stream, "B.TXT");
}

INSTANTIATE_TEST_SUITE_P(Table, CraftedStreams,
                         testing::Values(CraftedRow{"ShorterThanAnnounced",
                                                    [] { return WithStream(PackedStream(41, {}, kContent), "B.TXT"); },
                                                    "plus court que sa taille annoncée"},
                                         CraftedRow{"LongerThanAnnounced",
                                                    [] { return WithStream(PackedStream(39, {}, kContent), "B.TXT"); },
                                                    "plus long que sa taille annoncée"},
                                         CraftedRow{"BytesAfterZlibEnd",
                                                    [] {
                                                        Bytes stream = PackedStream(40, {}, kContent);
                                                        stream.push_back(0);
                                                        return WithStream(stream, "B.TXT");
                                                    },
                                                    "des octets suivent"},
                                         CraftedRow{"CutZlibStream",
                                                    [] {
                                                        Bytes stream = PackedStream(40, {}, kContent);
                                                        stream.resize(stream.size() - 4);
                                                        return WithStream(stream, "B.TXT");
                                                    },
                                                    "incomplet"},
                                         CraftedRow{"WrongAdler32", WithWrongAdler,
                                                    "la somme de contrôle du flux compressé de « B.TXT »"}),
                         [](const auto& row) { return std::string(row.param.label); });

TEST(PackageIntegrity, ReportsTheWrongDigestOfAStreamChangedInPlace) {
    Bytes bytes = AssemblePackage({{"A.TXT", PackedStream(40, {}, kContent)}});
    bytes[update::package::kStartMarker.size() + 5] ^= 0x10;
    const std::string failure = OpenFailure(bytes);
    EXPECT_NE(failure.find("l'empreinte de « A.TXT » ne correspond pas"), std::string::npos) << failure;
}

TEST(PackageIntegrity, ADamagedProgramIsRefusedAsAWizard) {
    TempFolder folder;
    Bytes bad = WrittenPackage();
    bad[10] ^= 1;
    WriteFile(folder / "wizard", bad);
    WriteFile(folder / "a.txt", "a");
    update::package::PackageWriter writer;
    writer.Add("a.txt", folder / "a.txt", {});
    EXPECT_THROW(writer.Write(folder / "out", folder / "wizard"), PackageError);
    EXPECT_FALSE(std::filesystem::exists(folder / "out"));
}

} // namespace

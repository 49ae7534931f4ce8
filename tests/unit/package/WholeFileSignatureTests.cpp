// What a signature covers and how it is judged: the program in front of the package, and one
// verdict for every signature of a key.

#include "RawPackage.h"
#include "TestFiles.h"
#include "keys/TestKeys.h"
#include "update/package/ByteSource.h"
#include "update/package/PackageError.h"
#include "update/package/PackageReader.h"
#include "update/package/PackageWriter.h"
#include "update/trust/PackageSigning.h"
#include "update/trust/SignedMessage.h"
#include "update/trust/TrustCheck.h"

#include <algorithm>
#include <atomic>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using namespace packagetest;
using namespace update::package;
using namespace update::trust;
using ::testing::HasSubstr;

constexpr std::int64_t kSigningTime = 1'765'000'000;

std::string TrustFailure(const PackageReader& reader, const PrivateKey& trusted) {
    try {
        RequireTrustedSignature(reader, {{trusted.Public().Id(), trusted.Public()}});
        return "accepted";
    } catch (const PackageError& error) {
        return error.what();
    }
}

std::string TrustFailure(const Bytes& file, const PrivateKey& trusted) {
    return TrustFailure(PackageReader(std::make_unique<MemorySource>(file), 1), trusted);
}

// `bytes` with its signature block replaced by `records`, its footer mended.
Bytes WithSignatures(const Bytes& bytes, const std::vector<SignatureRecord>& records) {
    const auto footerAt = static_cast<std::ptrdiff_t>(bytes.size() - kFooterSize);
    Footer footer = DecodeFooter(std::span<const unsigned char, kFooterSize>(bytes.data() + footerAt, kFooterSize));
    const std::uint64_t packageStart = bytes.size() - kFooterSize - footer.packageLength;
    const std::uint64_t blockStart = packageStart + footer.directoryOffset + footer.directoryLength;
    Bytes result(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(blockStart));
    const auto block = EncodeSignatureBlock(records);
    result.insert(result.end(), block.begin(), block.end());
    footer.packageLength = footer.directoryOffset + footer.directoryLength + block.size();
    const auto footerBytes = EncodeFooter(footer);
    result.insert(result.end(), footerBytes.begin(), footerBytes.end());
    return result;
}

class WholeFileSignatureTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(FFolder / "a.txt", TextBytes(700));
        WriteFile(FFolder / "program", MinimalElfProgram());
    }

    PrivateKey Key(std::string_view name) {
        return PrivateKey::FromPemFile(testsupport::MakeEd25519Key(FFolder / "keys", name).privateKey, {});
    }

    // The file packed behind the program, then signed by `key`.
    std::filesystem::path SelfContained(const PrivateKey& key) {
        PackageWriter writer;
        writer.Add("a.txt", FFolder / "a.txt", FileTime::FromTicks(1));
        writer.Write(FFolder / "wizard", FFolder / "program");
        AddSignatures(FFolder / "wizard", {&key}, kSigningTime);
        return FFolder / "wizard";
    }

    TempFolder FFolder;
};

TEST_F(WholeFileSignatureTest, AChangedProgramBreaksTheSignature) {
    const PrivateKey key = Key("maker");
    const Bytes signedFile = ReadFile(SelfContained(key));
    const std::uint64_t programLength = PackageReader(FFolder / "wizard").ProgramLength();
    ASSERT_EQ(programLength, MinimalElfProgram().size());
    EXPECT_EQ(TrustFailure(signedFile, key), "accepted");

    struct Case {
        const char* name;
        Bytes program;
    };
    Bytes flipped(signedFile.begin(), signedFile.begin() + static_cast<std::ptrdiff_t>(programLength));
    flipped[flipped.size() / 2] ^= 1;
    const Case cases[] = {
        {"one byte of the program changed", flipped},
        {"another program", TextBytes(5000)},
        {"no program at all", {}},
    };
    for (const auto& c : cases) {
        Bytes swapped = c.program;
        swapped.insert(swapped.end(), signedFile.begin() + static_cast<std::ptrdiff_t>(programLength),
                       signedFile.end());
        EXPECT_THAT(TrustFailure(swapped, key), HasSubstr("est rompue")) << c.name;
    }
}

TEST_F(WholeFileSignatureTest, AKeyIsJudgedOnEveryOneOfItsSignatures) {
    const PrivateKey key = Key("maker");
    const Bytes signedFile = ReadFile(SelfContained(key));
    const SignatureRecord good = PackageReader(FFolder / "wizard").Signatures().at(0);
    SignatureRecord broken = good;
    broken.signature[5] ^= 1;

    const struct {
        const char* name;
        std::vector<SignatureRecord> records;
        const char* expected;
    } cases[] = {
        {"one good signature", {good}, "accepted"},
        {"the same good signature twice", {good, good}, "accepted"},
        {"a broken then a good one", {broken, good}, "est rompue"},
        {"a good then a broken one", {good, broken}, "est rompue"},
    };
    for (const auto& c : cases) {
        EXPECT_THAT(TrustFailure(WithSignatures(signedFile, c.records), key), HasSubstr(c.expected)) << c.name;
    }
}

// `bytes` with a block of the previous form: `key`'s signature of what that form signed.
Bytes WithPreviousFormSignature(const Bytes& bytes, const PrivateKey& key) {
    const auto footerAt = static_cast<std::ptrdiff_t>(bytes.size() - kFooterSize);
    Footer footer = DecodeFooter(std::span<const unsigned char, kFooterSize>(bytes.data() + footerAt, kFooterSize));
    const std::uint64_t packageStart = bytes.size() - kFooterSize - footer.packageLength;
    const std::uint64_t blockStart = packageStart + footer.directoryOffset + footer.directoryLength;
    Bytes block(kSignatureMagic.begin(), kSignatureMagic.end());
    block.insert(block.end(), {1, 0, 0, 0}); // one signature, no version field
    const KeyId id = key.Public().Id();
    block.insert(block.end(), id.begin(), id.end());
    block.insert(block.end(), key.Public().Raw().begin(), key.Public().Raw().end());
    for (int i = 0; i < 8; ++i)
        block.push_back(static_cast<unsigned char>(static_cast<std::uint64_t>(kSigningTime) >> (8 * i)));
    const SignatureBytes signature = key.Sign(PreviousSignedMessage(footer, id, kSigningTime));
    block.insert(block.end(), signature.begin(), signature.end());
    Bytes result(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(blockStart));
    result.insert(result.end(), block.begin(), block.end());
    footer.packageLength = footer.directoryOffset + footer.directoryLength + block.size();
    const auto footerBytes = EncodeFooter(footer);
    result.insert(result.end(), footerBytes.begin(), footerBytes.end());
    return result;
}

TEST_F(WholeFileSignatureTest, ASignatureOfThePreviousFormCoversABarePackageOnly) {
    const PrivateKey key = Key("maker");
    PackageWriter writer;
    writer.Add("a.txt", FFolder / "a.txt", FileTime::FromTicks(1));
    writer.Write(FFolder / "bare");
    const Bytes bare = WithPreviousFormSignature(ReadFile(FFolder / "bare"), key);
    const Bytes wizard = WithPreviousFormSignature(ReadFile(SelfContained(key)), key);

    const PackageReader bareReader(std::make_unique<MemorySource>(bare), 1);
    ASSERT_EQ(bareReader.Signatures().at(0).form, kPreviousSignatureBlockVersion);
    EXPECT_EQ(CheckSignatures(bareReader).at(0).state, SignatureState::Holds);
    EXPECT_EQ(TrustFailure(bareReader, key), "accepted");

    const PackageReader wizardReader(std::make_unique<MemorySource>(wizard), 1);
    EXPECT_EQ(CheckSignatures(wizardReader).at(0).state, SignatureState::NotCoveringProgram);
    EXPECT_EQ(JudgeKey(wizardReader, key.Public()).kind, KeyVerdict::Kind::NotCoveringProgram);
    EXPECT_THAT(TrustFailure(wizardReader, key), HasSubstr("forme antérieure qui ne couvre pas le programme"));

    // Signing it again writes the current form, which covers the program.
    WriteFile(FFolder / "resigned", wizard);
    AddSignatures(FFolder / "resigned", {&key}, kSigningTime + 1);
    const PackageReader resigned(FFolder / "resigned");
    ASSERT_EQ(resigned.Signatures().size(), 1U);
    EXPECT_EQ(resigned.Signatures()[0].form, kSignatureBlockVersion);
    EXPECT_EQ(TrustFailure(resigned, key), "accepted");
}

// Counts the bytes read from the program in front of the package and from the rest.
class CountingSource final : public ByteSource {
public:
    CountingSource(const Bytes& bytes, std::uint64_t programLength)
        : FBytes(bytes)
        , FProgramLength(programLength) {}
    std::uint64_t Size() const override { return FBytes.Size(); }
    void ReadAt(std::uint64_t offset, std::span<unsigned char> buffer) const override {
        const std::uint64_t inProgram = offset < FProgramLength ? FProgramLength - offset : 0;
        programRead += std::min<std::uint64_t>(inProgram, buffer.size());
        read += buffer.size();
        FBytes.ReadAt(offset, buffer);
    }
    std::string DisplayName() const override { return "(comptée)"; }

    mutable std::atomic<std::uint64_t> programRead{0};
    mutable std::atomic<std::uint64_t> read{0};

private:
    MemorySource FBytes;
    std::uint64_t FProgramLength;
};

TEST_F(WholeFileSignatureTest, TheOpeningHashesTheProgramOnceAndTheCheckReadsNothingMore) {
    const PrivateKey key = Key("maker");
    const Bytes signedFile = ReadFile(SelfContained(key));
    const std::uint64_t programLength = MinimalElfProgram().size();
    auto owned = std::make_unique<CountingSource>(signedFile, programLength);
    const CountingSource& source = *owned;
    std::uint64_t total = 0;
    const PackageReader reader(std::move(owned), 2, [&](std::uint64_t, std::uint64_t all) { total = all; });
    EXPECT_EQ(source.programRead.load(), programLength); // hashed by the opening, once
    std::uint64_t streams = 0;
    for (const auto& entry : reader.Entries())
        streams += entry.length;
    EXPECT_EQ(total, programLength + streams); // the progress counts the program's bytes too
    const std::uint64_t readByOpening = source.read.load();
    EXPECT_EQ(TrustFailure(reader, key), "accepted");
    EXPECT_EQ(source.read.load(), readByOpening); // the check takes the opening's digests
}

TEST_F(WholeFileSignatureTest, UnknownSignersAreRefusedFromTheSignatureBlockAlone) {
    const PrivateKey key = Key("maker");
    const PrivateKey other = Key("other");
    SelfContained(key);
    PackageWriter writer;
    writer.Add("a.txt", FFolder / "a.txt", FileTime::FromTicks(1));
    writer.Write(FFolder / "unsigned", FFolder / "program");
    const struct {
        const char* name;
        const char* file;
        const PrivateKey& trusted;
        const char* expected;
    } cases[] = {
        {"unsigned", "unsigned", key, "il n'est pas signé"},
        {"signed by a key not trusted", "wizard", other, "clé inconnue de ce poste"},
        {"signed by the trusted key: judged once checked", "wizard", key, "accepted"},
    };
    for (const auto& c : cases) {
        // Footer and directory only, as a window opens it: no stream and no program byte hashed.
        const PackageReader reader(FFolder / c.file, CheckLater{});
        std::string failure = "accepted";
        try {
            RefuseUnknownSigners(reader, {{c.trusted.Public().Id(), c.trusted.Public()}});
        } catch (const PackageError& error) {
            failure = error.what();
        }
        EXPECT_THAT(failure, HasSubstr(c.expected)) << c.name;
    }
}

} // namespace

// Signatures of a package: the block's format, signing at packing time and afterwards, checking,
// and what a machine that trusts keys accepts.

#include "TestFiles.h"
#include "keys/TestKeys.h"
#include "update/package/ByteSource.h"
#include "update/package/PackageError.h"
#include "update/package/PackageReader.h"
#include "update/package/PackageWriter.h"
#include "update/trust/PackageSigning.h"
#include "update/trust/TrustCheck.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using namespace packagetest;
using namespace update::package;
using namespace update::trust;
using ::testing::HasSubstr;

constexpr std::int64_t kSigningTime = 1'765'000'000;

class PackageSignatureTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(FFolder / "a.txt", TextBytes(700));
        WriteFile(FFolder / "b.bin", NoiseBytes(90, 3));
    }

    PrivateKey Key(std::string_view name) {
        return PrivateKey::FromPemFile(testsupport::MakeEd25519Key(FFolder / "keys", name).privateKey, {});
    }

    // The two files, signed by `keys` while packing.
    std::filesystem::path Write(const std::vector<const PrivateKey*>& keys, std::string_view name = "out.pkg") {
        PackageWriter writer;
        writer.Add("a.txt", FFolder / "a.txt", FileTime::FromTicks(1));
        writer.Add("sub\\b.bin", FFolder / "b.bin", FileTime::FromTicks(2));
        if (!keys.empty()) {
            writer.SetSignatureBlockMaker(
                [keys](const Footer& footer) { return EncodeSignatureBlock(SignFooter(footer, keys, kSigningTime)); });
        }
        writer.Write(FFolder / name);
        return FFolder / name;
    }

    TempFolder FFolder;
};

std::vector<bool> Holds(const PackageReader& reader) {
    std::vector<bool> holds;
    for (const auto& check : CheckSignatures(reader))
        holds.push_back(check.holds);
    return holds;
}

// The refusal of the trust check, or "accepted".
std::string TrustFailure(const PackageReader& reader, const std::vector<const PrivateKey*>& trusted) {
    std::vector<TrustedKey> keys;
    for (const PrivateKey* key : trusted)
        keys.push_back({key->Public().Id(), key->Public()});
    try {
        RequireTrustedSignature(reader, keys);
        return "accepted";
    } catch (const PackageError& error) {
        return error.what();
    }
}

// `unsignedPackage` with the signature block of `signedPackage` (one signature), its footer mended.
Bytes WithBlockOf(const Bytes& unsignedPackage, const Bytes& signedPackage) {
    const std::size_t blockLength = kSignatureBlockHeaderSize + kSignatureRecordSize;
    const auto footerAt = static_cast<std::ptrdiff_t>(unsignedPackage.size() - kFooterSize);
    Bytes result(unsignedPackage.begin(), unsignedPackage.begin() + footerAt);
    const auto blockEnd = signedPackage.end() - static_cast<std::ptrdiff_t>(kFooterSize);
    result.insert(result.end(), blockEnd - static_cast<std::ptrdiff_t>(blockLength), blockEnd);
    Footer footer =
        DecodeFooter(std::span<const unsigned char, kFooterSize>(unsignedPackage.data() + footerAt, kFooterSize));
    footer.packageLength += blockLength;
    const auto footerBytes = EncodeFooter(footer);
    result.insert(result.end(), footerBytes.begin(), footerBytes.end());
    return result;
}

std::string OpenFailure(const Bytes& bytes) {
    try {
        const PackageReader reader(std::make_unique<MemorySource>(bytes), 1);
        return "accepted";
    } catch (const PackageError& error) {
        return error.what();
    }
}

TEST_F(PackageSignatureTest, SignedWhilePackingCarriesHoldingSignatures) {
    const PrivateKey first = Key("first");
    const PrivateKey second = Key("second");
    const PackageReader reader(Write({&first, &second}));

    ASSERT_EQ(reader.Signatures().size(), 2U);
    EXPECT_EQ(reader.Signatures()[0].keyId, first.Public().Id());
    EXPECT_EQ(reader.Signatures()[1].keyId, second.Public().Id());
    EXPECT_EQ(reader.Signatures()[0].signingTime, kSigningTime);
    EXPECT_THAT(Holds(reader), ::testing::ElementsAre(true, true));
    // The packed files read as they do unsigned.
    const Bytes text = TextBytes(700);
    EXPECT_EQ(reader.ReadAll(*reader.Find("a.txt")), std::string(text.begin(), text.end()));
    EXPECT_EQ(reader.Entries().size(), 2U);
}

TEST_F(PackageSignatureTest, UnsignedPackageHasNoSignatureAndANote) {
    const PackageReader reader(Write({}));
    EXPECT_TRUE(reader.Signatures().empty());
    EXPECT_THAT(UnsignedPackageNote(reader).value_or(""), HasSubstr("n'est pas signé"));
    const PrivateKey key = Key("k");
    EXPECT_FALSE(UnsignedPackageNote(PackageReader(Write({&key}, "signed.pkg"))).has_value());
}

TEST_F(PackageSignatureTest, AddingSignaturesKeepsEverythingBeforeTheBlock) {
    const PrivateKey first = Key("first");
    const PrivateKey second = Key("second");
    const std::filesystem::path file = Write({});
    ::chmod(file.c_str(), 0751);
    const Bytes unsigned_ = ReadFile(file);

    AddSignatures(file, {&first}, kSigningTime);
    AddSignatures(file, {&second}, kSigningTime + 1);
    AddSignatures(file, {&first}, kSigningTime + 2); // signed again: in its place, not twice

    const PackageReader reader(file);
    ASSERT_EQ(reader.Signatures().size(), 2U);
    EXPECT_EQ(reader.Signatures()[0].keyId, first.Public().Id());
    EXPECT_EQ(reader.Signatures()[0].signingTime, kSigningTime + 2);
    EXPECT_EQ(reader.Signatures()[1].keyId, second.Public().Id());
    EXPECT_THAT(Holds(reader), ::testing::ElementsAre(true, true));
    const Bytes signed_ = ReadFile(file);
    const std::size_t kept = unsigned_.size() - kFooterSize;
    ASSERT_GT(signed_.size(), unsigned_.size());
    EXPECT_TRUE(std::equal(unsigned_.begin(), unsigned_.begin() + static_cast<std::ptrdiff_t>(kept), signed_.begin()));
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0751U);
}

TEST_F(PackageSignatureTest, SigningAFileWithoutPackageIsRefused) {
    const PrivateKey key = Key("k");
    WriteFile(FFolder / "program", TextBytes(300));
    EXPECT_THROW(AddSignatures(FFolder / "program", {&key}, kSigningTime), PackageError);
    EXPECT_EQ(ReadFile(FFolder / "program"), TextBytes(300));
}

// Every bit of a signed package is covered: a flip is either refused when the package opens or
// breaks a signature.
TEST_F(PackageSignatureTest, AnyFlippedBitIsRefusedOrBreaksTheSignature) {
    const PrivateKey key = Key("k");
    const Bytes good = ReadFile(Write({&key}));
    for (std::size_t i = 0; i < good.size(); ++i) {
        Bytes bad = good;
        bad[i] ^= static_cast<unsigned char>(1U << (i % 8));
        try {
            const PackageReader reader(std::make_unique<MemorySource>(bad), 1);
            EXPECT_NE(Holds(reader), std::vector<bool>{true}) << "byte " << i;
            EXPECT_NE(TrustFailure(reader, {&key}), "accepted") << "byte " << i;
        } catch (const PackageError& error) {
            EXPECT_THAT(error.what(), HasSubstr("endommagé")) << "byte " << i;
        }
    }
}

TEST_F(PackageSignatureTest, DamagedBlocksAreRefusedWhenOpening) {
    const PrivateKey key = Key("k");
    const Bytes good = ReadFile(Write({&key}));
    const std::size_t blockStart = good.size() - kFooterSize - (kSignatureBlockHeaderSize + kSignatureRecordSize);
    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
    };
    const Case cases[] = {
        {"magic",
         [&](Bytes& b) {
             b[blockStart] = 'X';
         }},
        {"count zero",
         [&](Bytes& b) {
             b[blockStart + 8] = 0;
         }},
        {"count two",
         [&](Bytes& b) {
             b[blockStart + 8] = 2;
         }},
        {"count 17",
         [&](Bytes& b) {
             b[blockStart + 8] = 17;
         }},
    };
    for (const auto& c : cases) {
        Bytes bad = good;
        c.damage(bad);
        EXPECT_THAT(OpenFailure(bad), HasSubstr("bloc des signatures")) << c.name;
    }
}

TEST(SignatureBlock, DecodesWhatItEncodesAndRefusesAnyOtherLength) {
    SignatureRecord record;
    record.keyId.fill(1);
    record.publicKey.fill(2);
    record.signingTime = -5;
    record.signature.fill(3);
    const auto block = EncodeSignatureBlock({record, record});
    const auto decoded = DecodeSignatureBlock(block);
    ASSERT_EQ(decoded.size(), 2U);
    EXPECT_EQ(decoded[1].keyId, record.keyId);
    EXPECT_EQ(decoded[1].publicKey, record.publicKey);
    EXPECT_EQ(decoded[1].signingTime, -5);
    EXPECT_EQ(decoded[1].signature, record.signature);
    EXPECT_TRUE(DecodeSignatureBlock({}).empty());
    for (std::size_t length : {std::size_t{1}, std::size_t{11}, block.size() - 1}) {
        EXPECT_THROW(DecodeSignatureBlock(std::span(block).first(length)), PackageError) << length;
    }
    Bytes longer(block.begin(), block.end());
    longer.push_back(0);
    EXPECT_THROW(DecodeSignatureBlock(longer), PackageError);
    EXPECT_THROW(EncodeSignatureBlock({}), PackageError);
    EXPECT_THROW(EncodeSignatureBlock(std::vector<SignatureRecord>(kMaxSignatures + 1, record)), PackageError);
}

TEST_F(PackageSignatureTest, TrustTable) {
    const PrivateKey a = Key("a");
    const PrivateKey b = Key("b");
    const PackageReader unsignedPackage(Write({}, "none.pkg"));
    const PackageReader byA(Write({&a}, "a.pkg"));
    const PackageReader byB(Write({&b}, "b.pkg"));
    const PackageReader byBAndA(Write({&b, &a}, "ba.pkg"));
    // The package changes after `a` signed it: its block is put on the changed package.
    const Bytes signedOriginal = ReadFile(Write({&a}, "original.pkg"));
    WriteFile(FFolder / "a.txt", TextBytes(701));
    WriteFile(FFolder / "broken.pkg", WithBlockOf(ReadFile(Write({}, "changed.pkg")), signedOriginal));
    const PackageReader brokenA(FFolder / "broken.pkg");

    struct Case {
        const char* name;
        const PackageReader& package;
        std::vector<const PrivateKey*> trusted;
        const char* expected; // "accepted" or a part of the refusal
    };
    const Case cases[] = {
        {"no trusted key, unsigned", unsignedPackage, {}, "accepted"},
        {"no trusted key, signed", byB, {}, "accepted"},
        {"no trusted key, broken", brokenA, {}, "accepted"},
        {"trusted signer", byA, {&a}, "accepted"},
        {"one of two signers trusted", byBAndA, {&a}, "accepted"},
        {"either of two keys trusted", byB, {&a, &b}, "accepted"},
        {"unsigned", unsignedPackage, {&a}, "il n'est pas signé"},
        {"unknown signer", byB, {&a}, "signé par une clé inconnue de ce poste ("},
        {"broken signature", brokenA, {&a}, "est rompue"},
    };
    for (const auto& c : cases) {
        const std::string failure = TrustFailure(c.package, c.trusted);
        if (std::string_view(c.expected) == "accepted") {
            EXPECT_EQ(failure, "accepted") << c.name;
        } else {
            EXPECT_THAT(failure, HasSubstr(c.expected)) << c.name;
            EXPECT_THAT(failure, HasSubstr("Le paquet de mise à jour est refusé : ")) << c.name;
        }
    }
    EXPECT_THAT(Holds(brokenA), ::testing::ElementsAre(false));
    EXPECT_THAT(TrustFailure(byB, {&a}), HasSubstr(ShortKeyId(b.Public().Id())));
}

} // namespace

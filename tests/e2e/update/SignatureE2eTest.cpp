// Signed packages on a machine: which packages a machine that trusts keys applies, the refusal's
// exit code and message, and that a refused package changes no file and no registry value; what the
// administrator's quarnel-machine trust commands decide, older packages, and swapped programs.

#include "UpdateFixture.h"
#include "platform/machine/Machine.h"
#include "platform/registry/Registry.h"
#include "update/package/PackageFormat.h"
#include "update/trust/Ed25519Key.h"
#include "update/trust/PackageSigning.h"
#include "update/trust/TrustedKeys.h"

#include <fstream>
#include <functional>
#include <gmock/gmock.h>
#include <iterator>
#include <map>

namespace updatee2e {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

using Lines = std::vector<std::string>;
using Bytes = std::vector<unsigned char>;

constexpr std::string_view kCommonFile = "C:\\WQuarnel\\Common\\Programs\\Commun.dll";

Bytes ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& file, const Bytes& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Every file of the machine (drives, registry hives, settings) with its content; the named
// objects and the update lock are the processes' locks, not the machine's state. The hives'
// logs are folded in first, so that the same registry always reads as the same files.
std::map<std::string, std::string> MachineState(const std::filesystem::path& prefix) {
    platform::Registry(prefix / "registry").FoldLogs();
    std::map<std::string, std::string> state;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(prefix)) {
        const std::string relative = entry.path().lexically_relative(prefix).string();
        if (relative.starts_with("objects") || relative == "update.lock")
            continue;
        const Bytes content = entry.is_regular_file() ? ReadBytes(entry.path()) : Bytes{};
        state[relative] = std::string(content.begin(), content.end());
    }
    return state;
}

// Removes `count` bytes from the end of the signature block and mends the footer around it: a
// block cut short inside a package that otherwise holds.
void TruncateSignatureBlock(const std::filesystem::path& package, std::size_t count) {
    namespace pkg = update::package;
    Bytes bytes = ReadBytes(package);
    const auto footerAt = static_cast<std::ptrdiff_t>(bytes.size() - pkg::kFooterSize);
    pkg::Footer footer =
        pkg::DecodeFooter(std::span<const unsigned char, pkg::kFooterSize>(bytes.data() + footerAt, pkg::kFooterSize));
    footer.packageLength -= count;
    bytes.erase(bytes.begin() + footerAt - static_cast<std::ptrdiff_t>(count), bytes.end());
    const auto footerBytes = pkg::EncodeFooter(footer);
    bytes.insert(bytes.end(), footerBytes.begin(), footerBytes.end());
    WriteBytes(package, bytes);
}

void FlipByte(const std::filesystem::path& package, std::size_t offsetFromEnd, bool fromStart = false) {
    Bytes bytes = ReadBytes(package);
    bytes[fromStart ? offsetFromEnd : bytes.size() - offsetFromEnd] ^= 0x20;
    WriteBytes(package, bytes);
}

struct Case {
    const char* name;
    std::vector<std::string> signers; // keys of the package: "maker" or "other"
    std::vector<std::string> trusted; // keys the machine trusts
    std::function<void(const std::filesystem::path&)> damage;
    int exitCode;
    const char* message; // part of the refusal; empty when the update runs
};

const Case kCases[] = {
    {"SignedByTrustedKey", {"maker"}, {"maker"}, nullptr, 0, ""},
    {"SignedByUntrustedKey",
     {"other"},
     {"maker"},
     nullptr,
     5,
     "Le paquet de mise à jour est refusé : il est signé par une clé inconnue de ce poste"},
    {"Unsigned", {}, {"maker"}, nullptr, 5, "Le paquet de mise à jour est refusé : il n'est pas signé."},
    {"EntryChangedAfterSigning",
     {"maker"},
     {"maker"},
     [](const std::filesystem::path& p) { FlipByte(p, 8, true); },
     5,
     "Le paquet de mise à jour est endommagé : l'empreinte de "},
    // The footer is 76 bytes; the signature, the last 64 bytes of the block, ends there.
    {"SignatureDamaged",
     {"maker"},
     {"maker"},
     [](const std::filesystem::path& p) { FlipByte(p, 76 + 20); },
     5,
     "Le paquet de mise à jour est refusé : la signature de la clé"},
    {"SignatureBlockTruncated",
     {"maker"},
     {"maker"},
     [](const std::filesystem::path& p) { TruncateSignatureBlock(p, 10); },
     5,
     "Le paquet de mise à jour est endommagé : le bloc des signatures est tronqué"},
    {"OneOfTwoSignaturesTrusted", {"other", "maker"}, {"maker"}, nullptr, 0, ""},
    {"UnsignedOnAMachineWithoutTrustedKeys", {}, {}, nullptr, 0, ""},
    {"SignedOnAMachineWithoutTrustedKeys", {"other"}, {}, nullptr, 0, ""},
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class SignatureE2eTest : public UpdateE2eTest, public ::testing::WithParamInterface<Case> {
protected:
    void SetUp() override {
        UpdateE2eTest::SetUp();
        SetUpdates("Common\r\n");
        AddPackedText("FileNames.txt", "Commun.dll\r\n");
        AddPackedText("Commun.dll", "commun");
        RegisterProgram("Tessaro", "C:\\WQuarnel\\Tessaro\\Programs\\Tessaro.exe");
        MakeFolder("C:\\WQuarnel\\Tessaro\\Programs");
        for (const char* name : {"maker", "other"})
            FKeys[name] = MakeKey(name);
    }
    void Trust(const std::string& name) {
        update::trust::TrustedKeys(Root() / "prefix")
            .Add(update::trust::PublicKey::FromPemFile(PublicKeyOf(FKeys.at(name))));
    }

    std::map<std::string, std::filesystem::path> FKeys;
};

TEST_P(SignatureE2eTest, PackageIsAppliedOrRefusedBeforeAnythingChanges) {
    const Case& c = GetParam();
    std::vector<std::string> packArgs;
    for (const std::string& signer : c.signers)
        packArgs.insert(packArgs.end(), {"--sign", FKeys.at(signer).string()});
    const std::filesystem::path package = PackWith(packArgs);
    if (c.damage)
        c.damage(package);
    for (const std::string& name : c.trusted)
        Trust(name);
    const auto before = MachineState(Root() / "prefix");

    const UpdateRunResult result = RunOn(package);

    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    if (c.exitCode == 5) {
        EXPECT_THAT(result.err, HasSubstr(c.message));
        EXPECT_THAT(result.report, ::testing::Contains(HasSubstr(c.message))); // the reason, over any previous report
        EXPECT_FALSE(Exists(kCommonFile));
        EXPECT_EQ(MachineState(Root() / "prefix"), before);
        return;
    }
    EXPECT_THAT(result.err, ::testing::Not(HasSubstr("refusé")));
    EXPECT_EQ(ReadInstalled(kCommonFile), "commun");
    Lines expected = {Heading(), ""};
    if (c.signers.empty())
        expected = {"Attention : le paquet de mise à jour n'est pas signé, son origine n'a pas été vérifiée.", "",
                    Heading(), ""};
    const Lines copy = CopyLines(kCommonFile);
    expected.insert(expected.end(), copy.begin(), copy.end());
    expected.insert(expected.end(), {"", "La mise à jour est terminée avec succès."});
    EXPECT_THAT(result.report, ElementsAreArray(expected));
}

INSTANTIATE_TEST_SUITE_P(Cases, SignatureE2eTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& row) { return std::string(row.param.name); });

// What an administrator does with quarnel-machine, then what quarnel-update applies.
class TrustE2eTest : public UpdateE2eTest {
protected:
    void SetUp() override {
        UpdateE2eTest::SetUp();
        SetUpdates("Common\r\n");
        AddPackedText("FileNames.txt", "Commun.dll\r\n");
        AddPackedText("Commun.dll", "commun");
        RegisterProgram("Tessaro", "C:\\WQuarnel\\Tessaro\\Programs\\Tessaro.exe");
        MakeFolder("C:\\WQuarnel\\Tessaro\\Programs");
        FMaker = MakeKey("maker");
    }
    testsupport::ProgramResult Machine(const std::vector<std::string>& args) const {
        testsupport::ProgramOptions options;
        options.environment["QUARNEL_PREFIX"] = (Root() / "prefix").string();
        return testsupport::RunProgram(QUARNEL_MACHINE_PROGRAM, args, options);
    }
    // Trusts the maker's key; returns its identifier.
    std::string TrustMaker() const {
        const testsupport::ProgramResult added = Machine({"trust", "add", PublicKeyOf(FMaker).string()});
        EXPECT_EQ(added.exitCode, 0) << added.err;
        const std::string prefix = "Clé de confiance ajoutée : ";
        const auto at = added.out.find(prefix);
        return at == std::string::npos ? std::string() : added.out.substr(at + prefix.size(), 64);
    }
    // An unsigned package signed by the maker at `signingTime`.
    std::filesystem::path SignedAt(std::int64_t signingTime) {
        const std::filesystem::path package = PackWith({});
        const update::trust::PrivateKey maker = update::trust::PrivateKey::FromPemFile(FMaker, {});
        update::trust::AddSignatures(package, {&maker}, signingTime);
        return package;
    }
    void ExpectRefusedUnchanged(const std::filesystem::path& package, const std::vector<std::string>& args,
                                std::string_view message) {
        const auto before = MachineState(Root() / "prefix");
        const UpdateRunResult result = RunOn(package, args);
        EXPECT_EQ(result.exitCode, 5) << result.err;
        EXPECT_THAT(result.err, HasSubstr(message));
        EXPECT_FALSE(Exists(kCommonFile));
        EXPECT_EQ(MachineState(Root() / "prefix"), before);
    }

    std::filesystem::path FMaker;
};

TEST_F(TrustE2eTest, SignaturesStayRequiredOnceAKeyWasTrusted) {
    const std::filesystem::path unsignedPackage = PackWith({});
    const std::string id = TrustMaker();
    ASSERT_EQ(id.size(), 64U);
    ASSERT_EQ(Machine({"trust", "remove", id}).exitCode, 0);
    ExpectRefusedUnchanged(unsignedPackage, {}, "aucune clé n'est de confiance sur ce poste");

    TrustMaker();
    std::filesystem::remove_all(Root() / "prefix" / "trusted-keys");
    ExpectRefusedUnchanged(unsignedPackage, {}, "aucune clé n'est de confiance sur ce poste");
    EXPECT_THAT(Machine({"trust", "list"}).out, HasSubstr("Signatures exigées : oui"));

    const testsupport::ProgramResult off = Machine({"trust", "off"});
    EXPECT_EQ(off.exitCode, 0) << off.err;
    EXPECT_THAT(Machine({"trust", "list"}).out, HasSubstr("Signatures exigées : non"));
    const UpdateRunResult applied = RunOn(unsignedPackage);
    EXPECT_EQ(applied.exitCode, 0) << applied.err;
    EXPECT_EQ(ReadInstalled(kCommonFile), "commun");
}

TEST_F(TrustE2eTest, AnOlderPackageIsRefusedOnceANewerOneWasApplied) {
    TrustMaker();
    const std::filesystem::path older = SignedAt(1'700'000'000); // 2023-11-14 22:13:20 UTC
    const std::filesystem::path newer = SignedAt(1'765'000'000); // 2025-12-06 05:46:40 UTC
    const UpdateRunResult first = RunOn(newer);
    ASSERT_EQ(first.exitCode, 0) << first.err;
    std::filesystem::remove(Host(kCommonFile));

    ExpectRefusedUnchanged(older, {}, "2023-11-14 22:13:20 UTC");
    ExpectRefusedUnchanged(older, {}, "2025-12-06 05:46:40 UTC");

    const UpdateRunResult allowed = RunOn(older, {"--allow-older"});
    EXPECT_EQ(allowed.exitCode, 0) << allowed.err;
    EXPECT_EQ(ReadInstalled(kCommonFile), "commun");
    EXPECT_THAT(allowed.report, ::testing::Contains(HasSubstr("--allow-older")));
}

TEST_F(TrustE2eTest, ASignedWizardWhoseProgramWasSwappedIsRefused) {
    const std::filesystem::path program = Root() / "wizard-program";
    WriteBytes(program, Bytes(4096, 'W'));
    const std::filesystem::path wizard = PackWith({"--wizard", program.string(), "--sign", FMaker.string()});
    Bytes swapped(4096, 'X');
    const Bytes original = ReadBytes(wizard);
    swapped.insert(swapped.end(), original.begin() + 4096, original.end());
    const std::filesystem::path swappedWizard = Root() / "swapped.qpk";
    WriteBytes(swappedWizard, swapped);
    TrustMaker();

    ExpectRefusedUnchanged(swappedWizard, {}, "Le paquet de mise à jour est refusé : la signature de la clé");
    const UpdateRunResult applied = RunOn(wizard);
    EXPECT_EQ(applied.exitCode, 0) << applied.err;
}

} // namespace
} // namespace updatee2e

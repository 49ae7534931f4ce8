// Signed packages on a machine: which packages a machine that trusts keys applies, the refusal's
// exit code and message, and that a refused package changes no file and no registry value.

#include "UpdateFixture.h"
#include "platform/machine/Machine.h"
#include "update/package/PackageFormat.h"
#include "update/trust/Ed25519Key.h"
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
// objects are the process's locks, not the machine's state.
std::map<std::string, std::string> MachineState(const std::filesystem::path& prefix) {
    std::map<std::string, std::string> state;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(prefix)) {
        const std::string relative = entry.path().lexically_relative(prefix).string();
        if (relative.starts_with("objects"))
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
        EXPECT_THAT(result.report, IsEmpty());
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

} // namespace
} // namespace updatee2e

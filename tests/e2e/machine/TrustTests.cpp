// quarnel-machine trust: the keys a machine trusts, added, listed and removed through the tool.

#include "keys/TestKeys.h"
#include "process/ToolPrefix.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testsupport::ProgramResult;

class MachineTrust : public testing::Test {
protected:
    void SetUp() override {
        const ProgramResult init = FPrefix.Init();
        ASSERT_EQ(init.exitCode, 0) << init.err;
    }
    ProgramResult Run(const std::vector<std::string>& args) const { return FPrefix.Machine(args); }
    // The identifier that `trust add` printed.
    std::string Add(const fs::path& publicKey) const {
        const ProgramResult added = Run({"trust", "add", publicKey.string()});
        EXPECT_EQ(added.exitCode, 0) << added.err;
        const std::string prefix = "Clé de confiance ajoutée : ";
        EXPECT_THAT(added.out, ::testing::StartsWith(prefix));
        return added.out.substr(prefix.size(), 64);
    }

    const fs::path& Folder() const { return FPrefix.Folder(); }

private:
    testsupport::ToolPrefix FPrefix{QUARNEL_MACHINE_PROGRAM, "quarnel-trust-e2e"};
};

TEST_F(MachineTrust, KeysAreAddedListedAndRemoved) {
    const auto a = testsupport::MakeEd25519Key(Folder(), "a");
    const auto b = testsupport::MakeEd25519Key(Folder(), "b");
    EXPECT_THAT(Run({"trust", "list"}).out, HasSubstr("Aucune clé de confiance"));

    const std::string idA = Add(a.publicKey);
    const std::string idB = Add(b.publicKey);
    EXPECT_EQ(Add(a.publicKey), idA); // twice: still one key
    ASSERT_NE(idA, idB);
    const ProgramResult list = Run({"trust", "list"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out, "Signatures exigées : oui\n" + std::min(idA, idB) + "\n" + std::max(idA, idB) + "\n");
    EXPECT_TRUE(fs::exists(Folder() / "prefix" / "trusted-keys" / (idA + ".pem")));

    const ProgramResult removed = Run({"trust", "remove", idA.substr(0, 12)});
    EXPECT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_THAT(removed.out, HasSubstr("Clé de confiance retirée : " + idA));
    EXPECT_EQ(Run({"trust", "list"}).out, "Signatures exigées : oui\n" + idB + "\n");
    const ProgramResult last = Run({"trust", "remove", idB});
    EXPECT_THAT(last.out, HasSubstr("ne fait plus confiance à aucune clé"));
}

TEST_F(MachineTrust, RefusalsSayWhy) {
    const auto ed = testsupport::MakeEd25519Key(Folder(), "ed");
    const auto rsa = testsupport::MakeOtherKey(Folder(), "rsa", "RSA");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* message;
    };
    const Case cases[] = {
        {{"trust", "add", ed.privateKey.string()}, 1, "contient une clé privée"},
        {{"trust", "add", rsa.publicKey.string()}, 1, "n'est pas une clé Ed25519 (type RSA)"},
        {{"trust", "add", (Folder() / "absent.pem").string()}, 1, "Impossible de lire la clé"},
        {{"trust", "remove", "0123456789abcdef"}, 1, "Aucune clé de confiance n'a l'identifiant"},
        {{"trust", "remove", "0123"}, 1, "de 8 à 64 chiffres"},
        {{"trust"}, 64, "Utilisation : quarnel-machine trust"},
        {{"trust", "add"}, 64, "Utilisation : quarnel-machine trust"},
        {{"trust", "list", "x"}, 64, "Utilisation : quarnel-machine trust"},
        {{"trust", "off", "x"}, 64, "Utilisation : quarnel-machine trust"},
    };
    for (const auto& c : cases) {
        const ProgramResult result = Run(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.args.back();
        EXPECT_THAT(result.err, HasSubstr(c.message)) << c.args.back();
    }
    EXPECT_FALSE(fs::exists(Folder() / "prefix" / "trusted-keys") &&
                 !fs::is_empty(Folder() / "prefix" / "trusted-keys"));
}

} // namespace

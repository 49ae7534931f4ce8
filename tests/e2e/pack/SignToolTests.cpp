// quarnel-pack's signatures as the maker uses them: signing while packing and afterwards,
// --verify, --list, and the refusals of keys that cannot sign.

#include "TestFiles.h"
#include "ToolRun.h"
#include "keys/TestKeys.h"
#include "update/trust/Ed25519Key.h"

#include <csignal>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace packagetest;
using ::testing::HasSubstr;

const std::filesystem::path kTool = QUARNEL_PACK_PROGRAM;

struct TerminalRun {
    int exitCode = -1;
    std::string screen; // everything the terminal showed
};

// Runs the tool with a terminal of its own; types `answer` and Enter once `prompt` is on screen.
TerminalRun RunOnTerminal(const std::vector<std::string>& args, std::string_view prompt, std::string_view answer) {
    std::vector<std::string> argv = {kTool.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (auto& arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child == 0) {
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    TerminalRun run;
    if (child < 0)
        return run;
    bool answered = false;
    char buffer[512];
    // A tool that waits for something else than the question is stopped after 30 s.
    for (pollfd ready{terminal, POLLIN, 0}; ::poll(&ready, 1, 30'000) > 0;) {
        const ssize_t count = ::read(terminal, buffer, sizeof buffer);
        if (count <= 0)
            break; // the tool has ended and closed its terminal
        run.screen.append(buffer, static_cast<std::size_t>(count));
        if (!answered && run.screen.find(prompt) != std::string::npos) {
            const std::string typed = std::string(answer) + "\n";
            answered = ::write(terminal, typed.data(), typed.size()) == static_cast<ssize_t>(typed.size());
        }
    }
    ::kill(child, SIGKILL); // nothing when it has ended already
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(terminal);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class SignTool : public testing::Test {
protected:
    void SetUp() override {
        WriteFile(FSource / "Updates.txt", TextBytes(120));
        WriteFile(FSource / "zvk/SA-00.int", NoiseBytes(5000, 4));
        FA = testsupport::MakeEd25519Key(FFolder / "keys", "a");
        FB = testsupport::MakeEd25519Key(FFolder / "keys", "b");
    }
    ToolResult Run(const std::vector<std::string>& args) const { return RunProgram(kTool, args, FFolder.Path()); }
    static std::string IdOf(const testsupport::KeyFiles& key) {
        return update::trust::DigestHex(update::trust::PublicKey::FromPemFile(key.publicKey).Id());
    }
    // The package packed unsigned.
    std::filesystem::path Packed() const {
        const auto package = FFolder / "update.pkg";
        EXPECT_EQ(Run({FSource.string(), "-o", package.string()}).exitCode, 0);
        return package;
    }

    TempFolder FFolder;
    std::filesystem::path FSource = FFolder / "source";
    testsupport::KeyFiles FA, FB;
};

TEST_F(SignTool, SignedWhilePackingListsAndVerifiesEachSignature) {
    const auto package = FFolder / "update.pkg";
    const ToolResult pack = Run(
        {FSource.string(), "-o", package.string(), "--sign", FA.privateKey.string(), "--sign", FB.privateKey.string()});
    ASSERT_EQ(pack.exitCode, 0) << pack.err;

    const ToolResult list = Run({"--list", package.string()});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_THAT(list.out, HasSubstr("UPDATES.TXT\t"));
    EXPECT_THAT(list.out, ::testing::ContainsRegex("\nsignature\t" + IdOf(FA) + "\t[0-9-]+ [0-9:]+ UTC\n"));
    EXPECT_THAT(list.out, HasSubstr("\nsignature\t" + IdOf(FB) + "\t"));

    const ToolResult verify = Run({"--verify", package.string()});
    EXPECT_EQ(verify.exitCode, 0) << verify.err;
    EXPECT_THAT(verify.out, ::testing::ContainsRegex("signature\t" + IdOf(FA) + "\t[^\t]+\tvalide\n"));
    EXPECT_THAT(verify.out, ::testing::ContainsRegex("signature\t" + IdOf(FB) + "\t[^\t]+\tvalide\n"));
    const ToolResult byA = Run({"--verify", package.string(), "--key", FA.publicKey.string()});
    EXPECT_EQ(byA.exitCode, 0) << byA.err;
}

TEST_F(SignTool, SigningAnExistingPackageKeepsItsFiles) {
    const auto package = Packed();
    const ToolResult unsignedVerify = Run({"--verify", package.string()});
    EXPECT_EQ(unsignedVerify.exitCode, 1);
    EXPECT_THAT(unsignedVerify.err, HasSubstr("le paquet n'est pas signé"));

    const ToolResult sign = Run({"--sign", FA.privateKey.string(), package.string()});
    ASSERT_EQ(sign.exitCode, 0) << sign.err;
    const ToolResult verify = Run({"--verify", package.string(), "--key", FA.publicKey.string()});
    EXPECT_EQ(verify.exitCode, 0) << verify.err;
    const ToolResult other = Run({"--verify", package.string(), "--key", FB.publicKey.string()});
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_THAT(other.err, HasSubstr("n'est pas signé par la clé " + IdOf(FB)));

    ASSERT_EQ(Run({"--extract", package.string(), (FFolder / "out").string()}).exitCode, 0);
    EXPECT_EQ(ReadFile(FFolder / "out" / "UPDATES.TXT"), TextBytes(120));
    EXPECT_EQ(ReadFile(FFolder / "out" / "ZVK" / "SA-00.INT"), NoiseBytes(5000, 4));
}

TEST_F(SignTool, PackageChangedAfterSigningFailsVerification) {
    const auto package = Packed();
    ASSERT_EQ(Run({"--sign", FA.privateKey.string(), package.string()}).exitCode, 0);
    Bytes bytes = ReadFile(package);
    bytes[bytes.size() - 76 - 30] ^= 1; // inside the signature, which ends where the footer begins
    WriteFile(package, bytes);

    const ToolResult verify = Run({"--verify", package.string()});
    EXPECT_EQ(verify.exitCode, 1);
    EXPECT_THAT(verify.out, HasSubstr("\trompue\n"));
    EXPECT_THAT(verify.err, HasSubstr("1 signature est rompue : le paquet a changé après avoir été signé"));
    const ToolResult byKey = Run({"--verify", package.string(), "--key", FA.publicKey.string()});
    EXPECT_EQ(byKey.exitCode, 1);
    EXPECT_THAT(byKey.err, HasSubstr("la signature de la clé " + IdOf(FA) + " est rompue"));
}

TEST_F(SignTool, KeysThatCannotSignLeaveNoOutput) {
    const auto rsa = testsupport::MakeOtherKey(FFolder / "keys", "rsa", "RSA");
    const auto locked = testsupport::MakeEd25519Key(FFolder / "keys", "locked", std::string("sésame"));
    WriteFile(FFolder / "right.txt", "sésame\n");
    WriteFile(FFolder / "wrong.txt", "ouvre-toi\n");
    struct Case {
        std::vector<std::string> extra;
        int exitCode;
        const char* message;
    };
    const Case cases[] = {
        {{"--sign", rsa.privateKey.string()}, 1, "n'est pas une clé Ed25519 (type RSA)"},
        {{"--sign", (FFolder / "absent.pem").string()}, 1, "Impossible de lire la clé"},
        {{"--sign", FA.publicKey.string()}, 1, "contient une clé publique"},
        {{"--sign", locked.privateKey.string(), "--passphrase-file", (FFolder / "wrong.txt").string()},
         1,
         "phrase secrète de la clé"},
        {{"--passphrase-file", (FFolder / "right.txt").string()}, 64, "--passphrase-file va avec --sign"},
        {{"--sign"}, 64, "attend une valeur"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {FSource.string(), "-o", (FFolder / "out.pkg").string()};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const ToolResult result = Run(args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.message;
        EXPECT_THAT(result.err, HasSubstr(c.message));
        EXPECT_FALSE(std::filesystem::exists(FFolder / "out.pkg")) << c.message;
    }
    const ToolResult unlocked =
        Run({FSource.string(), "-o", (FFolder / "out.pkg").string(), "--sign", locked.privateKey.string(),
             "--passphrase-file", (FFolder / "right.txt").string()});
    EXPECT_EQ(unlocked.exitCode, 0) << unlocked.err;
    EXPECT_EQ(Run({"--verify", (FFolder / "out.pkg").string(), "--key", locked.publicKey.string()}).exitCode, 0);
}

TEST_F(SignTool, ProtectedKeyAsksForItsPassphraseOnTheTerminalWithoutEcho) {
    const auto locked = testsupport::MakeEd25519Key(FFolder / "keys", "locked", std::string("sésame"));
    const auto package = Packed();
    const std::string prompt = "Phrase secrète de la clé « " + locked.privateKey.string() + " » : ";

    const TerminalRun wrong = RunOnTerminal({"--sign", locked.privateKey.string(), package.string()}, prompt, "faux");
    EXPECT_EQ(wrong.exitCode, 1) << wrong.screen;
    EXPECT_THAT(wrong.screen, HasSubstr("phrase secrète de la clé"));
    EXPECT_EQ(Run({"--verify", package.string()}).exitCode, 1); // still unsigned

    const TerminalRun right = RunOnTerminal({"--sign", locked.privateKey.string(), package.string()}, prompt, "sésame");
    EXPECT_EQ(right.exitCode, 0) << right.screen;
    EXPECT_THAT(right.screen, HasSubstr(prompt));
    EXPECT_THAT(right.screen, ::testing::Not(HasSubstr("sésame"))); // typed, never shown
    EXPECT_EQ(Run({"--verify", package.string(), "--key", locked.publicKey.string()}).exitCode, 0);
}

} // namespace

// The machine's trusted keys belong to the updater: the folder is made so that no other user can
// write it, and an entry another user could have planted is refused, never used.

#include "TestFiles.h"
#include "keys/TestKeys.h"
#include "update/package/PackageError.h"
#include "update/package/PackageReader.h"
#include "update/package/PackageWriter.h"
#include "update/trust/PackageSigning.h"
#include "update/trust/TrustCheck.h"
#include "update/trust/TrustedKeys.h"

#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace packagetest;
using namespace update::package;
using namespace update::trust;
using ::testing::HasSubstr;

namespace fs = std::filesystem;

class TrustStoreSafetyTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(FFolder / "a.txt", TextBytes(100));
        fs::create_directories(Prefix() / "registry");
    }
    fs::path Prefix() const { return FFolder / "prefix"; }
    fs::path Store() const { return Prefix() / "trusted-keys"; }

    testsupport::KeyFiles KeyFiles(std::string_view name) {
        return testsupport::MakeEd25519Key(FFolder / "keys", name);
    }
    // A package of a.txt signed by `key`, or unsigned.
    fs::path Package(const testsupport::KeyFiles* key, std::string_view name) {
        PackageWriter writer;
        writer.Add("a.txt", FFolder / "a.txt", FileTime::FromTicks(1));
        writer.Write(FFolder / name);
        if (key != nullptr) {
            const PrivateKey signer = PrivateKey::FromPemFile(key->privateKey, {});
            AddSignatures(FFolder / name, {&signer}, 1'765'000'000);
        }
        return FFolder / name;
    }
    std::string Verdict(const fs::path& package) {
        try {
            RequireTrustedSignature(PackageReader(package), Prefix());
            return "accepted";
        } catch (const PackageError& error) {
            return error.what();
        }
    }

    TempFolder FFolder;
};

TEST_F(TrustStoreSafetyTest, TheFolderIsTheUpdatersWhateverTheUmask) {
    const auto key = KeyFiles("maker");
    const mode_t old = ::umask(0);
    const KeyId id = TrustedKeys(Prefix()).Add(PublicKey::FromPemFile(key.publicKey));
    ::umask(old);
    struct stat folder {};
    ASSERT_EQ(::stat(Store().c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 07777, 0700U);
    struct stat file {};
    ASSERT_EQ(::stat((Store() / (DigestHex(id) + ".pem")).c_str(), &file), 0);
    EXPECT_EQ(file.st_mode & 022, 0U);
    EXPECT_EQ(TrustedKeys(Prefix()).List().size(), 1U);
}

// Each case trusts the maker's key, then lets someone else change the store: what the store
// then holds is never used, and a package that only the planted key or nobody signed is refused.
TEST_F(TrustStoreSafetyTest, PlantedEntriesAreRefusedNeverUsed) {
    const auto maker = KeyFiles("maker");
    const auto intruder = KeyFiles("intruder");
    const fs::path byIntruder = Package(&intruder, "intruder.pkg");
    const fs::path unsignedPackage = Package(nullptr, "unsigned.pkg");
    const std::string intruderFile = DigestHex(PublicKey::FromPemFile(intruder.publicKey).Id()) + ".pem";
    auto plantIntruder = [&] {
        fs::copy_file(intruder.publicKey, Store() / intruderFile);
        ::chmod((Store() / intruderFile).c_str(), 0644);
    };
    struct Case {
        const char* name;
        std::function<void()> plant;
        const char* message;
        bool needsRoot = false;
    };
    const Case cases[] = {
        {"folder writable by all, intruder's key in it",
         [&] {
             ::chmod(Store().c_str(), 0777);
             plantIntruder();
         },
         "d'autres utilisateurs peuvent y écrire"},
        {"key file writable by its group",
         [&] {
             plantIntruder();
             ::chmod((Store() / intruderFile).c_str(), 0664);
         },
         "d'autres utilisateurs peuvent y écrire"},
        {"key file owned by another user",
         [&] {
             plantIntruder();
             ASSERT_EQ(::chown((Store() / intruderFile).c_str(), 65534, 65534), 0);
         },
         "appartient à un autre utilisateur", true},
        {"key file that is a link",
         [&] { fs::create_symlink(fs::absolute(intruder.publicKey), Store() / intruderFile); }, "est un lien"},
        {"folder that is a link to nowhere",
         [&] {
             fs::remove_all(Store());
             fs::create_directory_symlink(FFolder / "nowhere", Store());
         },
         "est un lien"},
        {"key file renamed to .PEM",
         [&] {
             for (const auto& entry : fs::directory_iterator(Store()))
                 fs::rename(entry.path(), Store() / (entry.path().stem().string() + ".PEM"));
         },
         ".PEM"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsRoot && ::geteuid() != 0) {
            continue; // giving a file away takes root; the other cases still run
        }
        fs::remove_all(Store());
        TrustedKeys(Prefix()).Add(PublicKey::FromPemFile(maker.publicKey));
        c.plant();
        try {
            TrustedKeys(Prefix()).List();
            ADD_FAILURE() << "the store was used";
        } catch (const PackageError& error) {
            EXPECT_THAT(error.what(), HasSubstr(c.message));
        }
        EXPECT_THAT(Verdict(byIntruder), HasSubstr("refusé")) << Verdict(byIntruder);
        EXPECT_THAT(Verdict(unsignedPackage), HasSubstr("refusé")) << Verdict(unsignedPackage);
    }
}

} // namespace

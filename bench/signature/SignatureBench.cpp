// What checking signatures adds to opening a package. Opening (footer, directory, every stream's
// digest) is the reference, measured in the same run on the same bytes:
//   verify / open          the signature check a machine that trusts the key runs before applying
//                          the package, against opening the signed package
//   signed / unsigned open opening the signed package against the same package unsigned (reading
//                          the block; dominated by the noise of reading 100 MiB twice)
// Size: QUARNEL_BENCH_SIGNATURE_MIB (default 100). Rounds: median of 5.

#include "update/package/HostFile.h"
#include "update/package/PackageReader.h"
#include "update/package/PackageWriter.h"
#include "update/trust/Ed25519Key.h"
#include "update/trust/PackageSigning.h"
#include "update/trust/TrustCheck.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace update::package;
using namespace update::trust;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 5;
constexpr int kChecksPerRound = 1000;

class Scratch {
public:
    Scratch() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quarnel-signature-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp");
        FPath = pattern;
    }
    ~Scratch() {
        std::error_code ignored; // a leftover scratch folder is no reason to fail the measurement
        std::filesystem::remove_all(FPath, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const std::filesystem::path& Path() const { return FPath; }

private:
    std::filesystem::path FPath;
};

// Files of 1 MiB, every other one text that deflates well, the rest noise that does not.
void MakeFiles(const std::filesystem::path& folder, std::uint64_t mib, PackageWriter& writer) {
    std::filesystem::create_directories(folder);
    std::uint64_t state = 0x9E3779B97F4A7C15ULL;
    std::vector<char> block(1 << 20);
    for (std::uint64_t i = 0; i < mib; ++i) {
        for (std::size_t j = 0; j < block.size(); ++j) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            block[j] = i % 2 == 0 ? "mise à jour Quarnel "[j % 20] : static_cast<char>(state);
        }
        const auto file = folder / ("file" + std::to_string(i) + ".bin");
        std::ofstream(file, std::ios::binary).write(block.data(), static_cast<std::streamsize>(block.size()));
        writer.Add(file.filename().string(), file, FileTime::FromTicks(132000000000000000ULL));
    }
}

// A new key as `openssl genpkey -algorithm ed25519` writes it.
std::filesystem::path MakeKey(const std::filesystem::path& file) {
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"),
                                                            &EVP_PKEY_free);
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_file(file.c_str(), "w"), &BIO_free);
    if (!key || !bio || PEM_write_bio_PrivateKey(bio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1)
        throw std::runtime_error("key generation failed");
    return file;
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double OpenSeconds(const std::filesystem::path& package) {
    const auto start = Clock::now();
    const PackageReader reader(package);
    return Seconds(start);
}

} // namespace

int main() {
    const char* size = std::getenv("QUARNEL_BENCH_SIGNATURE_MIB");
    const std::uint64_t mib = size != nullptr ? std::strtoull(size, nullptr, 10) : 100;
    const Scratch scratch;
    PackageWriter writer;
    MakeFiles(scratch.Path() / "files", mib, writer);
    const PrivateKey key = PrivateKey::FromPemFile(MakeKey(scratch.Path() / "maker.pem"), {});
    const std::vector<TrustedKey> trusted = {{key.Public().Id(), key.Public()}};

    const auto unsignedPackage = scratch.Path() / "unsigned.pkg";
    writer.Write(unsignedPackage);
    writer.SetSignatureBlockMaker(
        [&](const Footer& footer) { return EncodeSignatureBlock(SignFooter(footer, {&key}, 1'765'000'000)); });
    const auto signedPackage = scratch.Path() / "signed.pkg";
    writer.Write(signedPackage);

    std::vector<double> openUnsigned, openSigned, verify;
    for (int round = 0; round < kRounds; ++round) {
        openUnsigned.push_back(OpenSeconds(unsignedPackage));
        const auto start = Clock::now();
        const PackageReader reader(signedPackage);
        openSigned.push_back(Seconds(start));
        const auto checkStart = Clock::now();
        for (int i = 0; i < kChecksPerRound; ++i) {
            RequireTrustedSignature(reader, trusted); // throws when the signature does not hold
        }
        verify.push_back(Seconds(checkStart) / kChecksPerRound);
    }
    const double open = Median(openSigned);
    std::printf("package: %llu MiB, 1 signature, median of %d rounds\n", static_cast<unsigned long long>(mib), kRounds);
    std::printf("open unsigned          %10.3f ms\n", Median(openUnsigned) * 1e3);
    std::printf("open signed            %10.3f ms\n", open * 1e3);
    std::printf("signature check        %10.3f ms\n", Median(verify) * 1e3);
    std::printf("verify / open          %10.4f %%  (goal: under 1 %%)\n", Median(verify) / open * 100.0);
    std::printf("signed / unsigned open %10.4f\n", open / Median(openUnsigned));
    return 0;
}
